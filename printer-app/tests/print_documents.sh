#!/usr/bin/env bash
# The printer application end to end: a server on a free port of 127.0.0.1
# with its own spool directory, state file and log; printers made with the
# application's `add` sub-command on file:// devices (directories: PAPPL
# writes one file per job there, named after the job); with ipptool, a
# three-page PDF and a JPEG on a cmyk-4bit printer, a PNG on a
# ten-plane-fine one, and PWG raster, two sRGB pages on the first and two
# sGray pages on the second.  Every job must complete and its stream must
# be valid to `inkband inspect --mode` with the document's page count; the
# planes the PWG raster jobs printed must equal, byte for byte, what the
# host library makes of the same raster (pwg_planes).  The server is
# stopped by its process id once no job is active (PAPPL acts on SIGTERM
# only then).
#
# Usage: print_documents.sh PRINTER_APP INKBAND_TOOL WORKDIR PWG_PLANES
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=server.sh
. "$here/server.sh"
app=$(realpath "$1")
tool=$(realpath "$2")
planes=$(realpath "$4")
enter_work "$3" out/colour out/photo

# --- documents: three pages from PostScript, a PNG and a JPEG of its first
# page, and two of its pages as PWG raster in sRGB and in sGray.
cat > doc.ps << 'PS'
%!PS-Adobe-3.0
%%Pages: 3
%%EndComments
%%Page: 1 1
<< /PageSize [595 842] >> setpagedevice
0 1 3 { /c exch def 0 1 31 { /i exch def
  [0 0 0 0] dup c i 31 div put aload pop setcmykcolor
  60 i 15 mul add 660 c 70 mul sub 15 60 rectfill } for } for
0 1 31 { /i exch def 1 i 31 div sub setgray 60 i 15 mul add 300 15 60 rectfill } for
showpage
%%Page: 2 2
/Helvetica findfont 24 scalefont setfont 60 700 moveto (page two) show
showpage
%%Page: 3 3
0 0 1 setrgbcolor 100 100 300 300 rectfill
showpage
%%EOF
PS
gs -q -dBATCH -dNOPAUSE -dSAFER -sDEVICE=pdfwrite -sOutputFile=doc.pdf doc.ps
gs -q -dBATCH -dNOPAUSE -dSAFER -sDEVICE=png16m -r40 -dLastPage=1 -sOutputFile=picture.png doc.pdf
gs -q -dBATCH -dNOPAUSE -dSAFER -sDEVICE=jpeg -r40 -dLastPage=1 -sOutputFile=picture.jpg doc.pdf
for space in 19:colour 18:grey; do
  gs -q -dBATCH -dNOPAUSE -dSAFER -sDEVICE=pwgraster -dcupsColorSpace="${space%%:*}" \
    -dcupsBitsPerColor=8 -r150 -dLastPage=2 -sOutputFile="${space#*:}.pwg" doc.pdf 2> /dev/null
done

trap stop_server EXIT
start_server "$app" "$work" || exit 1
add_printer colour cmyk-4bit "file://$work/out/colour" || fail "cannot add printer colour"
add_printer photo ten-plane-fine "file://$work/out/photo" || fail "cannot add printer photo"

# print_and_check PRINTER MODE FILE JOBNAME PAGES
print_and_check() {
  local printer=$1 mode=$2 file=$3 name=$4 pages=$5 stream report state
  if ! print_named "$printer" "$file" "$name"; then
    fail "$file on $printer: Print-Job refused"
    return
  fi
  wait_jobs "$printer" 180 || fail "$file on $printer: the job did not end"
  state=$(job_states "$printer" | awk -F, -v id="$job_id" '$1 == id { print $3 }')
  [ "$state" = completed ] || fail "$file on $printer: the job ended $state"
  stream=out/$printer/$name.prn
  report=$name.inspect
  "$tool" inspect "$stream" --mode "$mode" > "$report" 2>&1 || fail "$stream: inspect reports an error"
  grep -q '^stream is valid' "$report" || fail "$stream: not valid ($(tail -n1 "$report"))"
  grep -q ": [0-9]* bytes, $pages pages\?$" "$report" ||
    fail "$stream: $(head -n1 "$report"), expected $pages page(s)"
  echo "ok: $file on $printer ($mode): $(head -n1 "$report" | sed 's/.*: //')"
}

# same_planes PRINTER MODE RASTER JOBNAME: the printed planes of every page
# equal the host library's planes of the raster.
same_planes() {
  local printer=$1 mode=$2 raster=$3 name=$4 size
  "$planes" "$raster" "$mode" normal "planes-$name/host" > "planes-$name.txt" ||
    { fail "pwg_planes $raster"; return; }
  size=$(sed -n '1s/^page 1: \([0-9]*\) x \([0-9]*\)$/--width \1 --height \2/p' "planes-$name.txt")
  # shellcheck disable=SC2086
  "$tool" inspect "out/$printer/$name.prn" --mode "$mode" $size \
    --dump-planes "planes-$name/printed" > /dev/null 2>&1 || { fail "$name: --dump-planes"; return; }
  if diff -r -q "planes-$name/host" "planes-$name/printed" > "planes-$name.diff"; then
    echo "ok: $name: the printed planes equal the host library's, byte for byte"
  else
    fail "$name: printed planes differ from the host library's: $(head -n 3 "planes-$name.diff")"
  fi
}

print_and_check colour cmyk-4bit doc.pdf document 3
print_and_check colour cmyk-4bit picture.jpg jpeg 1
print_and_check photo ten-plane-fine picture.png png 1
print_and_check colour cmyk-4bit colour.pwg pwg-colour 2
same_planes colour cmyk-4bit colour.pwg pwg-colour
print_and_check photo ten-plane-fine grey.pwg pwg-grey 2
same_planes photo ten-plane-fine grey.pwg pwg-grey

stop_server
if [ "$failures" -ne 0 ]; then
  echo "$failures failure(s); the server's errors:"
  grep -E '^[EW] ' server.log | tail -20 || true
  exit 1
fi
echo "all documents printed"
