#!/usr/bin/env bash
# Load: twenty jobs sent at once, PDF, PNG, JPEG and PWG raster in turn, to
# two printers (cmyk-4bit and black); every job must complete and every
# stream must be valid to `inkband inspect` with its document's page count.
#
# Usage: load.sh PRINTER_APP INKBAND_TOOL WORKDIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=server.sh
. "$here/server.sh"
app=$(realpath "$1")
tool=$(realpath "$2")
enter_work "$3" out/colour out/mono

cat > doc.ps << 'PS'
%!PS
/Helvetica findfont 30 scalefont setfont
1 1 3 { 0 setgray 100 700 moveto (page ) show 3 string cvs show
  0.2 0.6 0.3 setrgbcolor 100 100 300 400 rectfill showpage } for
PS
ps_to_pdf doc
gs -q -dBATCH -dNOPAUSE -dSAFER -sDEVICE=png16m -r30 -dLastPage=1 -sOutputFile=doc.png doc.pdf
gs -q -dBATCH -dNOPAUSE -dSAFER -sDEVICE=jpeg -r30 -dLastPage=1 -sOutputFile=doc.jpg doc.pdf
gs -q -dBATCH -dNOPAUSE -dSAFER -sDEVICE=pwgraster -dcupsColorSpace=19 -dcupsBitsPerColor=8 \
  -r300 -dLastPage=2 -sOutputFile=doc.pwg doc.pdf 2> /dev/null
documents=(doc.pdf doc.png doc.jpg doc.pwg)
pages=(3 1 1 2)

trap stop_server EXIT
start_server "$app" "$work" || exit 1
add_printer colour cmyk-4bit "file://$work/out/colour"
add_printer mono black "file://$work/out/mono"

started=$SECONDS
pids=()
for i in $(seq 1 20); do
  printer=colour
  [ $((i % 2)) -eq 0 ] && printer=mono
  doc=${documents[$((i % 4))]}
  ipptool -t -T 300 -d jobname="load-$i" -d quality=4 -f "$doc" \
    "ipp://127.0.0.1:$port/ipp/print/$printer" "$here/print_named.test" > "submit-$i.txt" 2>&1 &
  pids+=($!)
done
for i in "${!pids[@]}"; do
  wait "${pids[$i]}" || fail "job load-$((i + 1)) was not accepted: $(tail -n 2 "submit-$((i + 1)).txt")"
done
wait_jobs colour 600 || fail "the colour printer's jobs did not end"
wait_jobs mono 600 || fail "the monochrome printer's jobs did not end"
echo "twenty jobs ended in $((SECONDS - started)) s"

# The state is not saved while a printer has jobs; once both are idle it
# is, without waiting for the server to stop.
saved_jobs() {
  grep '^Job .*state="9"' state 2> /dev/null | grep -o 'name="load-[0-9]*"' | sort -u | wc -l
}
for _ in $(seq 30); do
  [ "$(saved_jobs)" -eq 20 ] && break
  sleep 1
done
[ "$(saved_jobs)" -eq 20 ] || fail "the state file holds $(saved_jobs) of the twenty completed jobs"

for i in $(seq 1 20); do
  printer=colour mode=cmyk-4bit
  [ $((i % 2)) -eq 0 ] && printer=mono mode=black
  want=${pages[$((i % 4))]}
  state=$(job_states "$printer" | awk -F, -v n="load-$i" '$2 == n { print $3 }' | sort -u)
  # A PWG raster job that found its printer busy was refused (and aborted)
  # and sent again: one of its jobs completed.
  grep -qx completed <<< "$state" || fail "load-$i on $printer: $state"
  stream=out/$printer/load-$i.prn
  if "$tool" inspect "$stream" --mode "$mode" > "inspect-$i.txt" 2>&1 &&
    grep -q '^stream is valid' "inspect-$i.txt" &&
    grep -q ": [0-9]* bytes, $want pages\?$" "inspect-$i.txt"; then
    :
  else
    fail "load-$i ($printer): $(head -n1 "inspect-$i.txt"), want $want page(s), $(tail -n1 "inspect-$i.txt")"
  fi
done
waits=$(grep -c 'waited, and opened the device anew' server.log || true)
echo "jobs that waited for another on the same printer: $waits"

stop_server
[ "$failures" -eq 0 ] || exit 1
echo "all twenty jobs printed"
