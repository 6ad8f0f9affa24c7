# Sourced by the printer application's tests: starts the application's
# server on a free port of 127.0.0.1 with its own spool directory, state
# file and log under the work directory, and stops it by its process id.
#
#   enter_work DIR [SUBDIR ...]                 DIR made anew, sets work, goes there
#   ps_to_pdf NAME                              NAME.ps to NAME.pdf (Ghostscript)
#   start_server APP WORK [-o NAME=VALUE ...]   sets port, server_pid, system
#   add_printer NAME DRIVER DEVICE-URI          by the application's `add`
#   print_named PRINTER FILE NAME [QUALITY]     Print-Job, sets job_id
#   job_states PRINTER                          "id,name,state,pages,message" lines
#   wait_jobs PRINTER SECONDS                   until no job is pending or processing
#   stop_server                                 cancels every job first
#   fail MESSAGE                                counts a failure
#
# Every sub-command gets -u: without it (and `printers` even with it) PAPPL
# 1.3.1's sub-commands talk to the user's own server on its domain socket,
# and start one when there is none.
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# free_port comes from the CUPS tests' private cupsd helper; the server may
# still lose its port to another process before it binds, so a start that
# fails is tried again.
# shellcheck source=../../cups/tests/private_cupsd.sh
. "$(dirname "${BASH_SOURCE[0]}")/../../cups/tests/private_cupsd.sh"

listening() { (exec 3<> "/dev/tcp/127.0.0.1/$1") 2> /dev/null; }

enter_work() {
  work=$1
  shift
  rm -rf "$work"
  mkdir -p "$work"
  work=$(realpath "$work")
  cd "$work"
  [ $# -eq 0 ] || mkdir -p "$@"
}

ps_to_pdf() { gs -q -dBATCH -dNOPAUSE -dSAFER -sDEVICE=pdfwrite -sOutputFile="$1.pdf" "$1.ps"; }

server_pid=""
server_app=""
server_work=""
start_server() {
  server_app=$1
  server_work=$2
  shift 2
  mkdir -p "$server_work/spool"
  for _ in 1 2 3; do
    port=$(free_port)
    "$server_app" server -o listen-hostname=127.0.0.1 -o server-port="$port" \
      -o spool-directory="$server_work/spool" -o state-file="$server_work/state" \
      -o log-file="$server_work/server.log" -o log-level=debug "$@" > "$server_work/server.out" 2>&1 &
    server_pid=$!
    for _ in $(seq 50); do
      listening "$port" && break
      kill -0 "$server_pid" 2> /dev/null || break
      sleep 0.2
    done
    if listening "$port"; then
      system=ipp://127.0.0.1:$port/ipp/system
      echo "server (PID $server_pid) listens on 127.0.0.1:$port"
      return 0
    fi
    kill -KILL "$server_pid" 2> /dev/null || true
    wait "$server_pid" 2> /dev/null || true
    server_pid=""
  done
  tail -20 "$server_work/server.out" "$server_work/server.log" 2> /dev/null || true
  return 1
}

printers=()
add_printer() {
  "$server_app" add -d "$1" -m "$2" -v "$3" -u "$system" || return 1
  printers+=("$1")
}

tests_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
job_id=""
print_named() {
  local out
  out=$(ipptool -tv -T 120 -d jobname="$3" -d quality="${4:-4}" -f "$2" \
    "ipp://127.0.0.1:$port/ipp/print/$1" "$tests_dir/print_named.test" 2>&1) || true
  job_id=$(sed -n 's/^ *job-id (integer) = //p' <<< "$out" | tail -n1)
  [ -n "$job_id" ]
}

job_states() {
  ipptool -c "ipp://127.0.0.1:$port/ipp/print/$1" "$tests_dir/job_states.test" 2>&1 | tail -n +2
}

wait_jobs() {
  local waited=0
  while job_states "$1" | cut -d, -f3 | grep -qE '^(pending|processing|held)$'; do
    [ "$waited" -ge "$2" ] && return 1
    sleep 1
    waited=$((waited + 1))
  done
}

# PAPPL acts on SIGTERM only when no job is active: every printer's jobs are
# cancelled first, then the server is stopped by its process id.
stop_server() {
  [ -n "$server_pid" ] || return 0
  local printer
  if kill -0 "$server_pid" 2> /dev/null; then
    for printer in "${printers[@]}"; do
      "$server_app" cancel -a -u "ipp://127.0.0.1:$port/ipp/print/$printer" > /dev/null 2>&1 ||
        true
    done
  else
    fail "the server is no longer running: $(tail -n1 "$server_work/server.out" 2> /dev/null)"
  fi
  kill -TERM "$server_pid" 2> /dev/null || true
  for _ in $(seq 100); do kill -0 "$server_pid" 2> /dev/null || break; sleep 0.2; done
  if kill -0 "$server_pid" 2> /dev/null; then
    fail "the server did not stop on SIGTERM"
    kill -KILL "$server_pid" 2> /dev/null || true
  fi
  wait "$server_pid" 2> /dev/null || true
  server_pid=""
}
