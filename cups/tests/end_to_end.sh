#!/usr/bin/env bash
# End to end through the real CUPS filter chain and Ghostscript, no mocks:
# the CUPS test page and a three-page PDF made here from PostScript go
#   - through cupsfilter (pdftopdf, gstoraster, rastertoinkband) in every
#     ColorModel of the PPD at Normal and High cupsPrintQuality, 300 dpi,
#     and once at 600 dpi, and
#   - through gs -sDEVICE=cups piped straight into rastertoinkband, as 8-bit
#     chunky raster: black, CMYK, and white-based grey and RGB.
# Each stream is checked by inkband_raster_check against the raster
# Ghostscript made for it (for cupsfilter, the same chain stopped at the
# raster with the same options): halftoned levels against the separated
# raster over 1 mm cells, and on the PDF's first page its tint bars and its
# black title (doc-tints.txt); with `inkband inspect` too when the tool is
# given.  Prints the largest per-plane cell error of each run.
#
# Usage: end_to_end.sh FILTER CHECKER PPD WORKDIR [INKBAND_TOOL]
set -euo pipefail
filter=$(realpath "$1")
checker=$(realpath "$2")
ppd=$(realpath "$3")
work=$4
tool=${5:-}
if [ -n "$tool" ] && [ -x "$tool" ]; then tool=$(realpath "$tool"); else tool=""; fi

started=$SECONDS

rm -rf "$work"
mkdir -p "$work"
cd "$work"

testpage=$(dpkg -L cups-filters 2>/dev/null | grep '/default-testpage.pdf$' | head -n1 || true)
[ -n "$testpage" ] || testpage=$(cups-config --datadir)/data/default-testpage.pdf
[ -f "$testpage" ] || { echo "no CUPS test page found"; exit 1; }

# Three pages: colour ramps and text; a blank page; circles, lines and small
# text in every ink.
cat > doc.ps <<'PS'
%!PS-Adobe-3.0
%%Pages: 3
%%BoundingBox: 0 0 595 842
%%EndComments
%%Page: 1 1
<< /PageSize [595 842] >> setpagedevice
/Helvetica-Bold findfont 26 scalefont setfont
0 setgray 60 770 moveto (inkband: three-page test) show
0 1 3 { /c exch def
  0 1 31 { /i exch def
    [0 0 0 0] dup c i 31 div put aload pop setcmykcolor
    60 i 15 mul add 660 c 70 mul sub 15 60 rectfill
  } for
} for
0 1 31 { /i exch def 1 i 31 div sub setgray 60 i 15 mul add 300 15 60 rectfill } for
0.6 0.3 0 0 setcmykcolor 60 120 470 80 rectfill
showpage
%%Page: 2 2
showpage
%%Page: 3 3
2 setlinewidth
0 1 11 { /i exch def
  i 4 mod 0 eq { 1 0 0 0 } if i 4 mod 1 eq { 0 1 0 0 } if
  i 4 mod 2 eq { 0 0 1 0 } if i 4 mod 3 eq { 0 0 0 1 } if setcmykcolor
  297 421 30 i 20 mul add 0 360 arc stroke
} for
0 0 0 1 setcmykcolor 0.5 setlinewidth
0 8 595 { /x exch def x 0 moveto 595 x sub 842 lineto stroke } for
/Times-Roman findfont 7 scalefont setfont
40 40 moveto (small text at the foot of the page, black ink only) show
showpage
%%EOF
PS
gs -q -dBATCH -dNOPAUSE -dSAFER -sDEVICE=pdfwrite -sOutputFile=doc.pdf doc.ps

# The patches of its first page for the checker (cups/check/tint_patches.h:
# name percent x y w h, points from the lower left corner): the four ink
# bars and the grey bar from the first step up, and the title.
{
  for c in 0 1 2 3; do
    ink=$(cut -c$((c + 1)) <<< CMYK)
    for i in $(seq 1 31); do
      echo "$ink $((i * 100 / 31)) $((60 + i * 15)) $((660 - c * 70)) 15 60"
    done
  done
  for i in $(seq 1 31); do echo "grey $((i * 100 / 31)) $((60 + i * 15)) 300 15 60"; done
  echo "text-title 100 55 760 400 34"
} > doc-tints.txt

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# check LABEL PAGES [TINTS]: the stream LABEL.prn against LABEL.ras, with
# the patches of TINTS on the first page.
check() {
  local label=$1 pages=$2 tints=${3:-} before=$failures
  if ! "$checker" "$label.ras" "$label.prn" ${tints:+--tints "$tints"} > "$label.check"; then
    grep -E 'FAULT|FAILED' "$label.check" | head -n 20
    fail "$label: stream does not match its raster"
    return
  fi
  grep -q "^$pages page(s), [0-9]* stream bytes: ok$" "$label.check" ||
    fail "$label: $(tail -n1 "$label.check"), $pages page(s) expected"
  if [ -n "$tool" ] && ! "$tool" inspect "$label.prn" > "$label.inspect" 2>&1; then
    tail -n 5 "$label.inspect"
    fail "$label: inkband inspect rejects the stream"
  fi
  # The largest cell error of any page and plane, "0.21 K".
  local worst
  worst=$(sed -n 's/^page [0-9]* plane \(.\) .*: cell error \([0-9.]*\) %.*/\2 \1/p' \
    "$label.check" | sort -n | tail -n1)
  if [ "$failures" -eq "$before" ]; then
    echo "ok: $label ($pages page(s), $(stat -c %s "$label.prn") bytes," \
      "largest cell error ${worst% *} % on ${worst#* })"
  fi
  rm -f "$label.ras"  # hundreds of megabytes at 600 dpi; kept only when a check fails
}

# --- cupsfilter: pdftopdf, gstoraster and this build's rastertoinkband.  It
# finds filters in ServerBin/filter, so a private ServerBin holds links to
# the system's filters and to the filter under test.
mkdir -p serverbin/filter
for f in "$(cups-config --serverbin)"/filter/*; do ln -s "$f" serverbin/filter/; done
ln -sf "$filter" serverbin/filter/rastertoinkband
printf 'ServerBin %s/serverbin\n' "$PWD" > cups-files.conf

# through_cups LABEL DOCUMENT PAGES TINTS [options] (TINTS "" for none)
through_cups() {
  local label=$1 doc=$2 pages=$3 tints=$4
  shift 4
  if ! cupsfilter -c cups-files.conf -e -p "$ppd" -m printer/foo -U inkband "$@" "$doc" \
      > "$label.prn" 2> "$label.log"; then
    grep -v '^DEBUG' "$label.log" | tail -n 5
    fail "$label: cupsfilter failed"
    return
  fi
  grep -q 'rastertoinkband (PID [0-9]*) exited with no errors' "$label.log" ||
    { fail "$label: rastertoinkband did not run cleanly"; return; }
  [ "$(grep -c '^PAGE: ' "$label.log")" -eq "$pages" ] || fail "$label: PAGE lines"
  # The same chain up to the raster, for the checker.
  cupsfilter -e -p "$ppd" -m application/vnd.cups-raster -U inkband "$@" "$doc" \
    > "$label.ras" 2> /dev/null || { fail "$label: no raster"; return; }
  check "$label" "$pages" "$tints"
}

models=$(sed -n 's/^\*ColorModel \([A-Za-z0-9]*\)\/.*/\1/p' "$ppd")
[ "$(wc -w <<< "$models")" -ge 10 ] || fail "the PPD offers $(wc -w <<< "$models") ColorModel choices"
for model in $models; do
  for quality in Normal High; do
    through_cups "doc-$model-$quality-300" doc.pdf 3 doc-tints.txt -o "ColorModel=$model" \
      -o "cupsPrintQuality=$quality" -o Resolution=300dpi
  done
done
through_cups testpage-default "$testpage" 1 ""
through_cups testpage-Gray-Draft-300 "$testpage" 1 "" -o ColorModel=Gray -o cupsPrintQuality=Draft
through_cups testpage-TenPlane-High-600 "$testpage" 1 "" -o ColorModel=TenPlane \
  -o cupsPrintQuality=High -o Resolution=600dpi

# A page range past the last page: nothing to print, and the job still ends
# cleanly (a failing filter would stop the queue).
if ! cupsfilter -c cups-files.conf -e -p "$ppd" -m printer/foo -U inkband -o page-ranges=10-12 \
    doc.pdf > past-end.prn 2> past-end.log; then
  fail "past-end: cupsfilter failed"
elif ! grep -q 'rastertoinkband (PID [0-9]*) exited with no errors' past-end.log; then
  fail "past-end: rastertoinkband did not run cleanly"
elif [ -s past-end.prn ] || grep -q '^PAGE: ' past-end.log; then
  fail "past-end: pages printed"
else
  echo "ok: past-end (no pages, the job ended cleanly)"
fi

# --- gs -sDEVICE=cups | rastertoinkband, the raster kept on the way.
# through_gs LABEL DOCUMENT PAGES TINTS gs-options...
through_gs() {
  local label=$1 doc=$2 pages=$3 tints=$4
  shift 4
  if ! gs -q -dBATCH -dNOPAUSE -dSAFER -sDEVICE=cups -dcupsBitsPerColor=8 -dcupsColorOrder=0 \
      "$@" -sOutputFile=- "$doc" 2> "$label.gs" |
      tee "$label.ras" | "$filter" 1 inkband "$label" 1 "" > "$label.prn" 2> "$label.log"; then
    grep -v '^ATTR' "$label.log" | tail -n 5
    fail "$label: gs | rastertoinkband failed"
    return
  fi
  [ "$(grep -c '^PAGE: ' "$label.log")" -eq "$pages" ] || fail "$label: PAGE lines"
  check "$label" "$pages" "$tints"
}

# Without a mode: black for grey raster, the default colour mode for CMYK.
through_gs gs-k doc.pdf 3 doc-tints.txt -r300 -dcupsColorSpace=3
through_gs gs-cmyk doc.pdf 3 doc-tints.txt -r300 -dcupsColorSpace=6
through_gs gs-cmyk-lk-high-600 "$testpage" 1 "" -r600 -dcupsColorSpace=6 -dcupsInteger0=7 \
  -dcupsInteger1=5
through_gs gs-sgray "$testpage" 1 "" -r300 -dcupsColorSpace=18
through_gs gs-srgb-ten doc.pdf 3 doc-tints.txt -r300 -dcupsColorSpace=19 -dcupsInteger0=9

echo "$((SECONDS - started)) s"
if [ "$failures" -ne 0 ]; then
  echo "$failures end-to-end check(s) failed"
  exit 1
fi
echo "all end-to-end checks passed${tool:+ (streams also inspected with $tool)}"
