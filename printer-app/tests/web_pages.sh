#!/usr/bin/env bash
# The printer application's web pages over HTTP (PAPPL 1.3.1 crashes on
# them without a footer): after one job on a cmyk-4bit printer, the printer
# list, the printer's status, its jobs, supplies, media and printing
# defaults must answer 200 with the footer, and show the printer, the job
# (print-job-and-wait.test names it Untitled)
# and the inks.
#
# Usage: web_pages.sh PRINTER_APP WORKDIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=server.sh
. "$here/server.sh"
app=$(realpath "$1")
enter_work "$2" out

trap stop_server EXIT
start_server "$app" "$work" || exit 1
add_printer office cmyk-4bit "file://$work/out"
gs -q -dBATCH -dNOPAUSE -dSAFER -sDEVICE=png16m -r20 -sOutputFile=picture.png \
  -c "0.2 0.5 0.9 setrgbcolor 50 50 200 200 rectfill showpage"
ipptool -tv -T 60 -f picture.png "ipp://127.0.0.1:$port/ipp/print/office" \
  print-job-and-wait.test > job.txt 2>&1 || fail "the job did not print"

base=http://127.0.0.1:$port
# page PATH TEXT...: the page answers 200, carries the footer and every TEXT.
page() {
  local path=$1 name body code
  shift
  name=$(echo "$path" | tr -c 'a-z0-9\n' _)
  code=$(curl -s -o "page$name.html" -w '%{http_code}' "$base$path" || true)
  if [ "$code" != 200 ]; then
    fail "$path answered $code"
    return
  fi
  body=$(cat "page$name.html")
  for text in "inkband printer application" "$@"; do
    grep -qF "$text" <<< "$body" || fail "$path does not show \"$text\""
  done
  echo "ok: $path"
}
page / office "inkband CMYK"
page /office/ office Idle
page /office/jobs Untitled Completed
page /office/supplies "Cyan ink" "Magenta ink" "Yellow ink" "Black ink"
page /office/media "A4"
page /office/printing "Print Quality"
kill -0 "$server_pid" 2> /dev/null || fail "the server died"

stop_server
[ "$failures" -eq 0 ] || exit 1
echo "the web pages answer"
