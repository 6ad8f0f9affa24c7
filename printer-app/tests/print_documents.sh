#!/usr/bin/env bash
# The printer application end to end: a server on a free port of 127.0.0.1
# with its own spool directory, state file and log; two printers made with
# the application's own `add` sub-command on file:// devices (directories:
# PAPPL writes one file per job there, named after the job); a three-page
# PDF printed on a cmyk-4bit printer and a PNG on a ten-plane-fine one with
# CUPS's print-job-and-wait.test through ipptool; every job must complete,
# and its stream must be valid to `inkband inspect --mode` with the
# document's page count.  The server is stopped by its process id once no
# job is active (PAPPL acts on SIGTERM only then).
#
# Usage: print_documents.sh PRINTER_APP INKBAND_TOOL WORKDIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=server.sh
. "$here/server.sh"
app=$(realpath "$1")
tool=$(realpath "$2")
work=$3
rm -rf "$work"
mkdir -p "$work/out/colour" "$work/out/photo"
work=$(realpath "$work")
cd "$work"

# --- documents: three pages from PostScript, and a PNG of its first page.
cat > doc.ps <<'PS'
%!PS-Adobe-3.0
%%Pages: 3
%%EndComments
%%Page: 1 1
<< /PageSize [595 842] >> setpagedevice
0 1 3 { /c exch def 0 1 31 { /i exch def
  [0 0 0 0] dup c i 31 div put aload pop setcmykcolor
  60 i 15 mul add 660 c 70 mul sub 15 60 rectfill } for } for
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
gs -q -dBATCH -dNOPAUSE -dSAFER -sDEVICE=png16m -r40 -dFirstPage=1 -dLastPage=1 \
  -sOutputFile=picture.png doc.pdf

trap stop_server EXIT
start_server "$app" "$work" || exit 1

# --- printers, jobs, streams.
print_and_check() {  # PRINTER DRIVER FILE PAGES
  local printer=$1 driver=$2 file=$3 pages=$4 uri stream report
  uri=ipp://127.0.0.1:$port/ipp/print/$printer
  if ! add_printer "$printer" "$driver" "file://$work/out/$printer"; then
    fail "cannot add printer $printer"
    return
  fi
  if ! ipptool -tv -T 120 -f "$file" "$uri" print-job-and-wait.test > "$printer.ipptool" 2>&1; then
    fail "$file on $printer: ipptool failed"
    tail -20 "$printer.ipptool"
    return
  fi
  grep -q 'job-state (enum) = completed' "$printer.ipptool" ||
    fail "$file on $printer: the job did not complete ($(grep 'job-state' "$printer.ipptool" | tail -2 | tr -s ' '))"
  stream=$(ls "$work/out/$printer"/*.prn 2> /dev/null | head -n1 || true)
  if [ -z "$stream" ]; then
    fail "$file on $printer: no stream written"
    return
  fi
  report=$printer.inspect
  "$tool" inspect "$stream" --mode "$driver" > "$report" 2>&1 || fail "$stream: inspect reports an error"
  grep -q '^stream is valid' "$report" || fail "$stream: not valid ($(tail -1 "$report"))"
  grep -q ": [0-9]* bytes, $pages pages\?$" "$report" ||
    fail "$stream: $(head -n1 "$report"), expected $pages page(s)"
  echo "ok: $file on $printer ($driver): $(head -n1 "$report" | sed 's/.*: //')"
}

print_and_check colour cmyk-4bit doc.pdf 3
print_and_check photo ten-plane-fine picture.png 1

stop_server
if [ "$failures" -ne 0 ]; then
  echo "$failures failure(s); the server's log:"
  grep -E '^[EW] ' server.log | tail -20 || true
  exit 1
fi
echo "all documents printed"
