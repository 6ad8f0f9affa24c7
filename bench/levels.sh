#!/usr/bin/env bash
# Instructions per input byte at each vector level, side by side: the
# portable routines (-DINKBAND_ENABLE_SIMD=OFF, what ARM print servers and
# every non-x86 build run), SSE2 (-DINKBAND_ENABLE_AVX2=OFF) and AVX2.  Each
# level is its own benchmark build; bench/callgrind.sh counts every page and
# mode in it, and the last column is the portable count over the SSE2 one.
# Usage: bench/levels.sh [build root]   (default build: <root>/bench-portable,
#        <root>/bench-sse2 and <root>/bench-avx2)
set -euo pipefail
cd "$(dirname "$0")/.."
root=${1:-build}
declare -A flags=(
  [portable]="-DINKBAND_ENABLE_SIMD=OFF"
  [sse2]="-DINKBAND_ENABLE_AVX2=OFF"
  [avx2]=""
)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for level in portable sse2 avx2; do
  dir=$root/bench-$level
  # shellcheck disable=SC2086
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DINKBAND_BUILD_BENCH=ON -DBUILD_TESTING=OFF \
    -DINKBAND_BUILD_TOOLS=OFF ${flags[$level]} >/dev/null
  cmake --build "$dir" -j"$(nproc)" --target inkband_bench_once >/dev/null
  bench/callgrind.sh "$dir" all | grep -v '^packbits' >"$work/$level"
done
printf '%-36s %9s %9s %9s %9s\n' "instructions per byte" portable sse2 avx2 "port/sse2"
paste "$work/portable" "$work/sse2" "$work/avx2" | awk -F'\t' '{
  n = split($1, p, " "); split($2, s, " "); split($3, a, " ")
  label = p[1] " " p[2] " " (p[1] == "pipeline" ? p[3] : "")
  printf "%-36s %9.3f %9.3f %9.3f %9.2f\n", label, p[n - 2], s[n - 2], a[n - 2], p[n - 2] / s[n - 2]
}'
