#!/usr/bin/env bash
# Hash of the whole stream of a three-page job, per page and mode: run it on
# two builds and diff the output to show that a change keeps every byte.
#   bench/stream_hashes.sh build/bench > after.txt
#   bench/stream_hashes.sh /path/to/older/build > before.txt && diff before.txt after.txt
set -euo pipefail
build=${1:-build/bench}
exe=$build/bench/inkband_bench_once
[ -x "$exe" ] || { echo "stream_hashes.sh: build $exe first (-DINKBAND_BUILD_BENCH=ON)" >&2; exit 1; }
for page in sparse dense; do
  for mode in cmyk_2t2t11 cmyk_4421 cmyk_1111 five_cmykk ten_split; do
    printf '%-7s %-12s %s\n' "$page" "$mode" "$("$exe" pipeline "$page" "$mode" 3 --hash | awk '/^stream_hash/ {print $2}')"
  done
done
