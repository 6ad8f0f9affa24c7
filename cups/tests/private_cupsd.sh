# Sourced by the tests that print through a real CUPS: a cupsd of their own
# (private configuration, spool, cache, logs and ServerBin, the last made of
# links to the system's filters and backends), listening on a free port of
# 127.0.0.1 only, run in the foreground in the background of the test and
# stopped by its process id.
#
#   free_port                   a port nothing listens on
#   start_private_cupsd WORK    sets cupsd_pid and cupsd_port, exports
#                               CUPS_SERVER; WORK/serverbin/filter takes
#                               further filters
#   stop_cupsd

free_port() {
  local port
  while :; do
    port=$((20000 + RANDOM % 40000))
    (exec 3<> "/dev/tcp/127.0.0.1/$port") 2> /dev/null || { echo "$port"; return; }
  done
}

cupsd_pid=""
cupsd_port=""
stop_cupsd() {
  if [ -n "$cupsd_pid" ] && kill -0 "$cupsd_pid" 2> /dev/null; then
    kill "$cupsd_pid"
    wait "$cupsd_pid" 2> /dev/null || true
  fi
  cupsd_pid=""
}

start_private_cupsd() {
  local work=$1 sysbin dir f attempt
  mkdir -p "$work"/{conf,spool/tmp,cache,state,log,serverbin/filter,serverbin/backend}
  sysbin=$(cups-config --serverbin)
  for dir in "$sysbin"/*; do
    case ${dir##*/} in
      filter | backend) ;;
      *) ln -s "$dir" "$work/serverbin/" ;;
    esac
  done
  for f in "$sysbin"/filter/*; do ln -s "$f" "$work/serverbin/filter/"; done
  for f in "$sysbin"/backend/*; do ln -s "$f" "$work/serverbin/backend/"; done

  cat > "$work/cups-files.conf" << CONF
ServerRoot $work/conf
ServerBin $work/serverbin
CacheDir $work/cache
StateDir $work/state
RequestRoot $work/spool
TempDir $work/spool/tmp
AccessLog $work/log/access_log
ErrorLog $work/log/error_log
PageLog $work/log/page_log
FileDevice Yes
CONF

  # cupsd may lose its port to another process before it binds, so a start
  # that fails is tried again on another port.
  for attempt in 1 2 3 4 5; do
    cupsd_port=$(free_port)
    cat > "$work/cupsd.conf" << CONF
Listen 127.0.0.1:$cupsd_port
LogLevel debug
Browsing No
WebInterface No
ErrorPolicy stop-printer
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
CONF
    : > "$work/log/error_log"
    cupsd -f -c "$work/cupsd.conf" -s "$work/cups-files.conf" > "$work/log/cupsd.out" 2>&1 &
    cupsd_pid=$!
    export CUPS_SERVER=127.0.0.1:$cupsd_port
    for _ in $(seq 1 100); do
      kill -0 "$cupsd_pid" 2> /dev/null || break
      lpstat -r > /dev/null 2>&1 && break
      sleep 0.1
    done
    lpstat -r > /dev/null 2>&1 && break
    stop_cupsd
    if [ "$attempt" -eq 5 ]; then
      tail -n 20 "$work/log/cupsd.out" "$work/log/error_log"
      echo "FAIL: cupsd did not start"
      return 1
    fi
  done
  echo "cupsd (PID $cupsd_pid) listens on 127.0.0.1:$cupsd_port"
}
