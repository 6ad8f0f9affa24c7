#!/usr/bin/env bash
# A real CUPS queue on a private cupsd, set up as README.md's "Printing
# through CUPS" tells a user to (lpadmin -p inkband -E -v file:... -P
# inkband.ppd), and jobs sent to it with lp:
#   - the queue's print-color-mode-default is color (monochrome offered);
#   - the colour test page (colour_page.sh) in every ColorModel of the PPD at
#     300 dpi, at Normal and High cupsPrintQuality when the PPD has that
#     option; one job at 600 dpi; one plain `lp` without options (must print
#     in the default colour mode) and one with print-color-mode=monochrome
#     (must print in Gray);
#   - a page range past the end of a three-page PDF: the job completes, the
#     queue stays enabled and accepting, and the next job prints.
# Every job must complete with one page counted by cupsd; its output (the
# file: device, one job at a time) is kept in streams/ and decoded with
# `inkband inspect --mode` (when the tool is given): valid, one page, and ink
# on the planes the page uses.  With the checker, each stream is also checked
# against the raster cupsfilter makes of the page with the job's options:
# every plane within 2 % of the separated ink over 1 mm cells, every tint
# step printing and darker than the one before, black text at full darkness.
#
# cupsd runs in the foreground in the background of this script, with its
# own ServerRoot, spool, cache, logs and ServerBin (links to the system's
# filters and backends plus the filter under test), listening on a free
# port of 127.0.0.1 only; it is stopped by its process id on exit.  As root
# it runs filters as lp (lp must be able to read the build tree); otherwise
# everything runs as the calling user.
#
# Usage: cupsd_queue.sh FILTER PPD WORKDIR [INKBAND_TOOL [RASTER_CHECKER]]
set -euo pipefail
filter=$(realpath "$1")
ppd=$(realpath "$2")
work=$3
tool=${4:-}
if [ -n "$tool" ] && [ -x "$tool" ]; then tool=$(realpath "$tool"); else tool=""; fi
checker=${5:-}
if [ -n "$checker" ] && [ -x "$checker" ]; then checker=$(realpath "$checker"); else checker=""; fi
here=$(cd "$(dirname "$0")" && pwd)
started=$SECONDS

rm -rf "$work"
mkdir -p "$work"
work=$(realpath "$work")
cd "$work"

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# --- The private cupsd, with the filter under test in its ServerBin.
# shellcheck source=private_cupsd.sh
. "$here/private_cupsd.sh"
trap stop_cupsd EXIT
start_private_cupsd "$work" || exit 1
port=$cupsd_port
mkdir -p streams
ln -sf "$filter" serverbin/filter/rastertoinkband

if [ "$(id -u)" -eq 0 ] && command -v setpriv > /dev/null &&
  ! setpriv --reuid=lp --regid=lp --clear-groups test -x "$filter"; then
  echo "FAIL: cupsd runs filters as lp, which cannot run $filter (make the build tree readable)"
  exit 1
fi

# On failure, the end of cupsd's log.
on_exit() {
  local status=$?
  stop_cupsd
  if [ "$status" -ne 0 ]; then
    echo "--- cupsd's errors ($work/log/error_log):"
    grep -E '^E |exited with status|crashed on signal' log/error_log | tail -n 20 || true
  fi
}
trap on_exit EXIT

# --- The queue, as the README makes it.
out=$work/inkband.prn
if ! lpadmin -p inkband -E -v "file://$out" -P "$ppd" 2> lpadmin.log; then
  cat lpadmin.log
  echo "FAIL: lpadmin"
  exit 1
fi

ipp_printer=ipp://127.0.0.1:$port/printers/inkband
ipptool -tv "$ipp_printer" get-printer-attributes.test > printer.attrs 2>&1 || true
if grep -q 'print-color-mode-default (keyword) = color$' printer.attrs &&
  grep -q 'print-color-mode-supported (1setOf keyword) = monochrome,color$' printer.attrs; then
  echo "ok: print-color-mode-default=color, monochrome,color supported"
else
  grep -E 'print-color-mode-(default|supported)' printer.attrs || true
  fail "the queue does not default to colour"
fi
# A job without options must print in the PPD's default, a colour mode.
default_model=$(sed -n 's/^\*DefaultColorModel: *\([A-Za-z0-9]*\).*/\1/p' "$ppd")
[ "$default_model" != Gray ] || fail "the PPD's default ColorModel is Gray"

# --- The documents.
"$here/colour_page.sh" "$work/doc"
doc=$work/doc/colour_page.pdf
cat > three.ps <<'PS'
%!PS
/Helvetica findfont 40 scalefont setfont
1 1 3 { 0 setgray 100 600 moveto (page ) show 3 string cvs show showpage } for
PS
gs -q -dBATCH -dNOPAUSE -dSAFER -sDEVICE=pdfwrite -sOutputFile=three.pdf three.ps

# --- Jobs, one at a time (the file: device is rewritten by every job).

# job_state ID: "state impressions" from Get-Job-Attributes.
job_state() {
  local attrs
  attrs=$(ipptool -tv "ipp://127.0.0.1:$port/jobs/$1" get-job-attributes.test 2>&1 || true)
  echo "$(sed -n 's/^ *job-state (enum) = //p' <<< "$attrs")" \
    "$(sed -n 's/^ *job-impressions-completed (integer) = //p' <<< "$attrs")"
}

# print_job LABEL DOCUMENT [lp options]: prints, waits up to three minutes
# for the job to end (or stop), and keeps the output in streams/LABEL.prn.
# Returns 1 when the job did not complete, after cancelling it and enabling
# the queue again; sets job_id, and job_pages to cupsd's page count.
job_pages=0
job_id=0
print_job() {
  local label=$1 document=$2
  shift 2
  local id state pages
  rm -f "$out"
  id=$(lp -d inkband "$@" "$document" | sed -n 's/^request id is inkband-\([0-9]*\) .*/\1/p')
  [ -n "$id" ] || { fail "$label: lp did not queue the job"; return 1; }
  job_id=$id
  local deadline=$((SECONDS + 180))
  while [ "$SECONDS" -lt "$deadline" ]; do
    read -r state pages < <(job_state "$id")
    case $state in
      completed | aborted | canceled | processing-stopped | pending-held) break ;;
    esac
    sleep 0.1
  done
  job_pages=${pages:-0}
  if [ "$state" != completed ]; then
    fail "$label: job $id ended as '${state:-unknown}', queue: $(lpstat -p inkband | head -n1)"
    cupsenable inkband 2> /dev/null || true
    cancel -a inkband 2> /dev/null || true
    return 1
  fi
  if [ -e "$out" ]; then cp "$out" "streams/$label.prn"; else : > "streams/$label.prn"; fi
  return 0
}

# inked REPORT LETTER: the inspect report shows lines with data on the plane
# LETTER (or on its second plane, LETTER', in the ten-plane modes).
inked() { grep -Eq "^  plane $2'? .* [1-9][0-9]* lines with data$" "$1"; }

# check_stream STREAM MODE QUALITY [DPI]: the stream of the colour test page
# printed in ColorModel MODE at cupsPrintQuality QUALITY ("-" when the PPD
# has no such option) and DPI dots per inch (300 unless given).
check_stream() {
  local stream=$1 mode=$2 quality=$3 dpi=${4:-300}
  local label name report problems=$failures
  label=$(basename "$stream" .prn)
  [ "$job_pages" = 1 ] || fail "$label: cupsd counted '$job_pages' pages, 1 expected"
  [ -s "$stream" ] || { fail "$label: empty stream"; return; }
  if [ -z "$tool" ]; then
    echo "ok: $label ($(stat -c %s "$stream") bytes; not decoded, no inkband tool)"
    return
  fi
  name=$mode  # inspect --mode takes the PPD's ColorModel names
  report=${stream%.prn}.inspect
  if ! "$tool" inspect "$stream" --mode "$name" > "$report" 2>&1; then
    tail -n 3 "$report"
    fail "$label: inkband inspect --mode $name rejects the stream"
    return
  fi
  grep -q ': [0-9]* bytes, 1 page$' "$report" || fail "$label: $(head -n1 "$report")"
  # Ink where the page has it: cyan, magenta, yellow and black (K or light
  # black) in the colour modes, black alone in Gray.
  if [ "$mode" = Gray ]; then
    inked "$report" K || fail "$label: no black"
    ! grep -q '^  plane [^K]' "$report" || fail "$label: the black mode sends a colour plane"
  else
    local ink
    for ink in C M Y; do inked "$report" "$ink" || fail "$label: no lines on plane $ink"; done
    inked "$report" K || inked "$report" k || fail "$label: no black"
  fi

  # The stream against the raster of the same page and options.
  if [ -n "$checker" ]; then
    local options=(-o "ColorModel=$mode" -o "Resolution=${dpi}dpi")
    [ "$quality" != - ] && options+=(-o "cupsPrintQuality=$quality")
    if ! cupsfilter -e -p "$ppd" -m application/vnd.cups-raster "${options[@]}" "$doc" \
        > "${stream%.prn}.ras" 2> /dev/null; then
      fail "$label: cupsfilter made no raster to check against"
    elif ! "$checker" "${stream%.prn}.ras" "$stream" --tints "$work/doc/tints.txt" \
        > "${stream%.prn}.check"; then
      grep -i 'fault\|mismatch\|error' "${stream%.prn}.check" | head -n 5
      fail "$label: the stream does not match its raster"
    fi
    rm -f "${stream%.prn}.ras"
  fi

  if [ "$failures" -eq "$problems" ]; then echo "ok: $label ($(stat -c %s "$stream") bytes)"; fi
}

models=$(sed -n 's/^\*ColorModel \([A-Za-z0-9]*\)\/.*/\1/p' "$ppd")
qualities=$(sed -n 's/^\*cupsPrintQuality \(Normal\|High\)[/:].*/\1/p' "$ppd")
[ -n "$qualities" ] || echo "the PPD has no cupsPrintQuality: one job per ColorModel"

for model in $models; do
  for quality in ${qualities:--}; do
    options=(-o "ColorModel=$model" -o Resolution=300dpi)
    [ "$quality" != - ] && options+=(-o "cupsPrintQuality=$quality")
    label=$model-${quality/-/default}-300
    print_job "$label" "$doc" "${options[@]}" || continue
    # The filters got the quality (cupsd logs their options at LogLevel debug).
    if [ "$quality" != - ] && ! grep -q "\[Job $job_id\] argv\[5\]=.*cupsPrintQuality=$quality" log/error_log; then
      fail "$label: the filters did not get cupsPrintQuality=$quality"
    fi
    check_stream "streams/$label.prn" "$model" "$quality"
  done
done

# One job at 600 dpi, in the mode with the most data (the default mode if
# the PPD has no TenPlane) at the best quality.
hires_model=TenPlane
grep -qx "$hires_model" <<< "$models" || hires_model=$default_model
top_quality=$(tail -n1 <<< "${qualities:--}")
options=(-o "ColorModel=$hires_model" -o Resolution=600dpi)
[ "$top_quality" != - ] && options+=(-o "cupsPrintQuality=$top_quality")
print_job "$hires_model-600" "$doc" "${options[@]}" &&
  check_stream "streams/$hires_model-600.prn" "$hires_model" "$top_quality" 600

# No options at all: the queue's defaults, colour.
print_job plain "$doc" && check_stream streams/plain.prn "$default_model" -
print_job monochrome "$doc" -o print-color-mode=monochrome &&
  check_stream streams/monochrome.prn Gray -

# A page range past the last page: nothing to print, and the queue goes on.
problems=$failures
if print_job past-end three.pdf -o page-ranges=10-12; then
  [ -s streams/past-end.prn ] && fail "past-end: the job printed $(stat -c %s streams/past-end.prn) bytes"
  lpstat -p inkband | grep -q 'enabled' || fail "past-end: queue not enabled: $(lpstat -p inkband)"
  lpstat -a inkband | grep -q 'accepting requests' || fail "past-end: queue not accepting"
  if print_job after-past-end three.pdf; then
    [ "$job_pages" = 3 ] || fail "after-past-end: cupsd counted '$job_pages' pages, 3 expected"
    if [ -n "$tool" ]; then
      "$tool" inspect streams/after-past-end.prn --mode "$default_model" \
        > streams/after-past-end.inspect 2>&1 || true
      if ! grep -q ': [0-9]* bytes, 3 pages$' streams/after-past-end.inspect ||
        ! grep -q '^stream is valid$' streams/after-past-end.inspect; then
        fail "after-past-end: the stream does not hold three valid pages"
      fi
    fi
  fi
  if [ "$failures" -eq "$problems" ]; then echo "ok: past-end (no pages, the queue goes on)"; fi
fi

echo "$((SECONDS - started)) s"
if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all cupsd queue checks passed${tool:+ (streams decoded with $tool)}"
