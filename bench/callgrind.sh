#!/usr/bin/env bash
# Instructions per input byte, counted by callgrind (exact and repeatable,
# unlike timings on a shared machine).  Only the measured functions are
# collected (--toggle-collect), so loading and converting the raster cost
# nothing here:
#   pipeline    a whole one-page job per page and mode (benchRunJob)
#   encodeRuns  encodeRuns on every plane line (benchEncodeRows)
#   packbits    libtiff's PackBits encoder on the same lines (benchPackBitsRows)
# Usage: bench/callgrind.sh [build folder] [mode ...]
#   modes: cmyk_2t2t11 (default) cmyk_4421 cmyk_1111 five_cmykk ten_split, or "all"
set -euo pipefail
build=${1:-build-perf}
shift || true
modes=("$@")
[ ${#modes[@]} -gt 0 ] || modes=(cmyk_2t2t11)
[ "${modes[0]}" != all ] || modes=(cmyk_2t2t11 cmyk_4421 cmyk_1111 five_cmykk ten_split)
exe=$build/bench/inkband_bench_once
[ -x "$exe" ] || { echo "callgrind.sh: build $exe first (-DINKBAND_BUILD_BENCH=ON)" >&2; exit 1; }
command -v valgrind >/dev/null || { echo "callgrind.sh: valgrind is not installed" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# measure <label> <function> <arguments of inkband_bench_once...>
measure() {
  local label=$1 function=$2
  shift 2
  valgrind --tool=callgrind --callgrind-out-file="$work/out" --toggle-collect="$function" \
    "$exe" "$@" >"$work/stdout" 2>"$work/stderr" || { cat "$work/stderr" >&2; exit 1; }
  local instructions bytes
  instructions=$(awk '/^summary:/ {print $2}' "$work/out")
  bytes=$(awk '/^input_bytes/ {print $2}' "$work/stdout")
  awk -v l="$label" -v i="$instructions" -v b="$bytes" \
    'BEGIN {printf "%-36s %14.0f instructions %11.0f bytes %7.3f per byte\n", l, i, b, i / b}'
}

for page in sparse dense; do
  for mode in "${modes[@]}"; do
    measure "pipeline $page $mode" benchRunJob pipeline "$page" "$mode"
  done
done
for buffer in random sparse dense; do
  measure "encodeRuns $buffer" benchEncodeRows encoderuns "$buffer"
  measure "packbits $buffer" benchPackBitsRows packbits "$buffer"
done
