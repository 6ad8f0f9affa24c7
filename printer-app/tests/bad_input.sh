#!/usr/bin/env bash
# Bad input never takes the printer application down: a damaged PDF, a PDF
# cut short, a page wider than the module's 32767 pixels (PWG raster)
# and data of no format the printer reads each end their job aborted with
# a job-state-message that says why, the server keeps running and the next
# job prints.  A job cancelled in the middle of a page leaves a
# stream that ends at a page boundary.
#
# Usage: bad_input.sh PRINTER_APP INKBAND_TOOL WORKDIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=server.sh
. "$here/server.sh"
app=$(realpath "$1")
tool=$(realpath "$2")
enter_work "$3" out

# --- documents
cat > good.ps << 'PS'
%!PS
/Helvetica findfont 30 scalefont setfont
1 1 2 { 0 setgray 100 700 moveto (page ) show 3 string cvs show
  0.9 0.3 0.1 setrgbcolor 100 100 400 500 rectfill showpage } for
PS
ps_to_pdf good
# Ten dense pages, to be cancelled in the middle of one.
cat > long.ps << 'PS'
%!PS
1 1 10 { pop 0 4 595 { /x exch def x 595 div 0.5 1 sethsbcolor x 0 4 842 rectfill } for
  showpage } for
PS
ps_to_pdf long
printf '%%PDF-1.4\nnot a document at all\n%%%%EOF\n' > damaged.pdf
# Cut inside its first object (a PDF cut after its pages' content is
# repaired by Ghostscript and prints).
head -c 300 good.pdf > truncated.pdf
head -c 4096 /dev/urandom > noise.bin
gs -q -dBATCH -dNOPAUSE -dSAFER -sDEVICE=pwgraster -dcupsColorSpace=19 -dcupsBitsPerColor=8 \
  -r600 -dDEVICEWIDTH=33000 -dDEVICEHEIGHT=16 -sOutputFile=wide.pwg -c showpage 2> /dev/null
gs -q -dBATCH -dNOPAUSE -dSAFER -sDEVICE=png16m -r30 -sOutputFile=good.png good.pdf -dLastPage=1

trap stop_server EXIT
start_server "$app" "$work" || exit 1
add_printer p cmyk-4bit "file://$work/out"

# state_of ID: the job's "state,pages,message" (message may be quoted).
state_of() { job_states p | awk -F, -v id="$1" '$1 == id { sub(/^[^,]*,[^,]*,/, ""); print }'; }

# bad NAME FILE TEXT: the job ends aborted, its message holds TEXT, the
# server lives, and a good job after it prints.
bad() {
  local name=$1 file=$2 text=$3 state
  print_named p "$file" "$name" || { fail "$name: Print-Job refused"; return; }
  wait_jobs p 120 || fail "$name: the job did not end"
  state=$(state_of "$job_id")
  case $state in
    aborted,*"$text"*) echo "ok: $name: $state" ;;
    *) fail "$name: expected aborted with \"$text\", got: $state" ;;
  esac
  kill -0 "$server_pid" 2> /dev/null || { fail "$name: the server died"; exit 1; }
  print_named p good.png "after-$name" || fail "after $name: Print-Job refused"
  wait_jobs p 120 || true
  state=$(state_of "$job_id")
  [ "${state%%,*}" = completed ] || fail "the job after $name: $state"
  "$tool" inspect "out/after-$name.prn" --mode cmyk-4bit > "after-$name.txt" 2>&1 &&
    grep -q '^stream is valid' "after-$name.txt" || fail "the job after $name: no valid stream"
}

bad damaged damaged.pdf "Ghostscript could not render the PDF"
bad truncated truncated.pdf "Ghostscript could not render the PDF"
bad wide wide.pwg "33000 pixels wide"
bad noise noise.bin "a format the printer does not read"

# --- cancelled in the middle of a page: the stream ends at a page boundary.
print_named p long.pdf cancelled 5 || fail "cancelled: Print-Job refused"
for _ in $(seq 600); do
  state=$(state_of "$job_id")
  case $state in processing,[1-9]*) break ;; completed,* | aborted,*) break ;; esac
  sleep 0.1
done
sleep 0.5  # into the next page
ipptool -t -d jobid="$job_id" "ipp://127.0.0.1:$port/ipp/print/p" "$here/cancel_job.test" > cancel.txt 2>&1 ||
  fail "Cancel-Job: $(tail -n 3 cancel.txt)"
wait_jobs p 120 || fail "the cancelled job did not end"
state=$(state_of "$job_id")
case $state in
  canceled,*)
    pages=$(cut -d, -f2 <<< "$state")
    if "$tool" inspect out/cancelled.prn --mode cmyk-4bit > cancelled.txt 2>&1 &&
      grep -q '^stream is valid' cancelled.txt; then
      echo "ok: cancelled after $pages page(s): $(head -n1 cancelled.txt | sed 's/.*: //')"
    else
      fail "the cancelled job's stream: $(tail -n 2 cancelled.txt)"
    fi
    ;;
  *) fail "the job was not cancelled in time: $state" ;;
esac

stop_server
[ "$failures" -eq 0 ] || exit 1
echo "bad input handled"
