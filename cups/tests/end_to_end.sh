#!/usr/bin/env bash
# End to end through the real CUPS filter chain and Ghostscript, no mocks:
# the CUPS test page and a three-page PDF made here from PostScript go
#   - through cupsfilter (pdftopdf, gstoraster, rastertoinkband) with the
#     PPD's ColorModel and Resolution choices, and
#   - through gs -sDEVICE=cups piped straight into rastertoinkband, in banded
#     and chunky raster of 1, 2 and 4 bits, black and CMYK.
# Each stream is checked against the raster Ghostscript produced for it
# (read back independently), page by page and pixel by pixel, and with
# `inkband inspect` when the tool is given.
#
# Usage: end_to_end.sh FILTER CHECKER PPD WORKDIR [INKBAND_TOOL]
set -euo pipefail
filter=$(realpath "$1")
checker=$(realpath "$2")
ppd=$(realpath "$3")
work=$4
tool=${5:-}
[ -n "$tool" ] && [ ! -x "$tool" ] && tool=""

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
0 0 0 1 setcmykcolor 60 770 moveto (inkband: three-page test) show
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

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# check LABEL PAGES: the stream LABEL.prn against LABEL.ras
check() {
  local label=$1 pages=$2
  if ! "$checker" "$label.ras" "$label.prn" > "$label.check"; then
    head -n 20 "$label.check"
    fail "$label: stream differs from its raster"
    return
  fi
  local checked
  checked=$(grep -c ': ok$' "$label.check" || true)
  # One "ok" line per page plus the summary line.
  [ "$checked" -eq $((pages + 1)) ] || fail "$label: $((checked - 1)) pages checked, $pages expected"
  if [ -n "$tool" ] && ! "$tool" inspect "$label.prn" > "$label.inspect" 2>&1; then
    tail -n 5 "$label.inspect"
    fail "$label: inkband inspect rejects the stream"
  fi
  echo "ok: $label ($pages page(s), $(stat -c %s "$label.prn") bytes)"
  rm -f "$label.ras"  # hundreds of megabytes at 600 dpi; kept only when a check fails
}

# --- cupsfilter: pdftopdf, gstoraster and this build's rastertoinkband.  It
# finds filters in ServerBin/filter, so a private ServerBin holds links to
# the system's filters and to the filter under test.
mkdir -p serverbin/filter
for f in "$(cups-config --serverbin)"/filter/*; do ln -s "$f" serverbin/filter/; done
ln -sf "$filter" serverbin/filter/rastertoinkband
printf 'ServerBin %s/serverbin\n' "$PWD" > cups-files.conf

# through_cups LABEL DOCUMENT PAGES [options]
through_cups() {
  local label=$1 doc=$2 pages=$3
  shift 3
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
  check "$label" "$pages"
}

through_cups testpage-gray-300 "$testpage" 1 -o ColorModel=Gray -o Resolution=300dpi
through_cups testpage-cmyk-300 "$testpage" 1 -o ColorModel=CMYK -o Resolution=300dpi
through_cups testpage-ternary-600 "$testpage" 1 -o ColorModel=CMYKTernary -o Resolution=600dpi
through_cups testpage-4421-300 "$testpage" 1 -o ColorModel=CMYK4421 -o Resolution=300dpi
through_cups testpage-five-300 "$testpage" 1 -o ColorModel=CMYLkH -o Resolution=300dpi
through_cups testpage-ten-300 "$testpage" 1 -o ColorModel=TenPlane -o Resolution=300dpi
through_cups doc-default-300 doc.pdf 3
through_cups doc-ternary-600 doc.pdf 3 -o ColorModel=CMYLkTernary -o Resolution=600dpi
through_cups doc-blacklight-300 doc.pdf 3 -o ColorModel=CMYKLk -o Resolution=300dpi
through_cups doc-tencoarse-300 doc.pdf 3 -o ColorModel=TenPlaneCoarse -o Resolution=300dpi

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
# through_gs LABEL DOCUMENT PAGES gs-options...
through_gs() {
  local label=$1 doc=$2 pages=$3
  shift 3
  if ! gs -q -dBATCH -dNOPAUSE -dSAFER -sDEVICE=cups "$@" -sOutputFile=- "$doc" 2> "$label.gs" |
      tee "$label.ras" | "$filter" 1 inkband "$label" 1 "" > "$label.prn" 2> "$label.log"; then
    grep -v '^ATTR' "$label.log" | tail -n 5
    fail "$label: gs | rastertoinkband failed"
    return
  fi
  [ "$(grep -c '^PAGE: ' "$label.log")" -eq "$pages" ] || fail "$label: PAGE lines"
  check "$label" "$pages"
}

through_gs gs-k1-chunky doc.pdf 3 -r300 -dcupsColorSpace=3 -dcupsBitsPerColor=1 -dcupsColorOrder=0
through_gs gs-k4-chunky "$testpage" 1 -r300 -dcupsColorSpace=3 -dcupsBitsPerColor=4 -dcupsColorOrder=0
through_gs gs-cmyk1-chunky doc.pdf 3 -r300 -dcupsColorSpace=6 -dcupsBitsPerColor=1 -dcupsColorOrder=0
through_gs gs-cmyk2-chunky doc.pdf 3 -r300 -dcupsColorSpace=6 -dcupsBitsPerColor=2 -dcupsColorOrder=0
through_gs gs-cmyk4-chunky doc.pdf 3 -r600 -dcupsColorSpace=6 -dcupsBitsPerColor=4 -dcupsColorOrder=0
through_gs gs-cmyk4-banded-4422 doc.pdf 3 -r300 -dcupsColorSpace=6 -dcupsBitsPerColor=4 \
  -dcupsColorOrder=1 -dcupsInteger0=6
through_gs gs-cmyk2-banded-five "$testpage" 1 -r300 -dcupsColorSpace=6 -dcupsBitsPerColor=2 \
  -dcupsColorOrder=1 -dcupsInteger0=7
through_gs gs-cmyk4-banded-ten doc.pdf 3 -r300 -dcupsColorSpace=6 -dcupsBitsPerColor=4 \
  -dcupsColorOrder=1 -dcupsInteger0=9

if [ "$failures" -ne 0 ]; then
  echo "$failures end-to-end check(s) failed"
  exit 1
fi
echo "all end-to-end checks passed${tool:+ (streams also inspected with $tool)}"
