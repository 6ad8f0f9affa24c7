#!/usr/bin/env bash
# CUPS as a real client of the printer application: a cupsd of the test's
# own (cups/tests/private_cupsd.sh) with a queue made by
# `lpadmin -m everywhere` on the application's printer, as a user would
# make it; a three-page PDF printed with `lp` must complete in CUPS, and the
# stream the application writes must be valid to `inkband inspect --mode
# cmyk-4bit` with three pages.
#
# Usage: cups_client.sh PRINTER_APP INKBAND_TOOL WORKDIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=server.sh
. "$here/server.sh"
app=$(realpath "$1")
tool=$(realpath "$2")
enter_work "$3" out app cups

cat > doc.ps << 'PS'
%!PS
/Helvetica findfont 40 scalefont setfont
1 1 3 { 0 setgray 100 600 moveto (page ) show 3 string cvs show
  0.1 0.6 0.9 setrgbcolor 100 200 300 200 rectfill showpage } for
PS
ps_to_pdf doc

stop_all() {
  stop_cupsd
  stop_server
}
trap stop_all EXIT
start_server "$app" "$work/app" || exit 1
add_printer office cmyk-4bit "file://$work/out"
start_private_cupsd "$work/cups" || exit 1

printer_uri=ipp://127.0.0.1:$port/ipp/print/office
if ! lpadmin -p office -E -v "$printer_uri" -m everywhere > lpadmin.log 2>&1; then
  cat lpadmin.log
  fail "lpadmin -m everywhere"
  exit 1
fi

request=$(lp -d office -t document doc.pdf)
job=${request#request id is office-}
job=${job%% *}
echo "lp: $request"
state=""
for _ in $(seq 180); do
  state=$(ipptool -tv "ipp://127.0.0.1:$cupsd_port/jobs/$job" get-job-attributes.test 2>&1 |
    sed -n 's/^ *job-state (enum) = //p')
  case $state in completed | aborted | canceled) break ;; esac
  sleep 1
done
[ "$state" = completed ] || fail "the CUPS job ended $state: $(tail -n 3 cups/log/error_log)"

# The application's job ends after CUPS has handed over the document.
stream=""
for _ in $(seq 60); do
  stream=$(ls out/*.prn 2> /dev/null | head -n1 || true)
  [ -n "$stream" ] && grep -q '\] Completed' "$work/app/server.log" && break
  sleep 1
done
if [ -z "$stream" ]; then
  fail "the application wrote no stream"
else
  "$tool" inspect "$stream" --mode cmyk-4bit > inspect.txt 2>&1 || fail "$stream: inspect reports an error"
  grep -q '^stream is valid' inspect.txt || fail "$stream: not valid ($(tail -n1 inspect.txt))"
  grep -q ': [0-9]* bytes, 3 pages$' inspect.txt || fail "$stream: $(head -n1 inspect.txt), expected 3 pages"
  echo "ok: lp through CUPS: $(head -n1 inspect.txt | sed 's/.*: //')"
fi

stop_all
[ "$failures" -eq 0 ] || exit 1
echo "CUPS printed through the printer application"
