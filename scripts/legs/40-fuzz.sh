#!/usr/bin/env bash
# Fuzzing leg: builds the libFuzzer targets of fuzz/ with clang-14 (coverage,
# AddressSanitizer, UndefinedBehaviorSanitizer) in build/fuzz and runs each
# for a bounded time on a copy of its committed seed corpus, so that
# fuzz/corpus does not grow.  A crash, a sanitizer report, a broken session
# invariant, a leak or a unit slower than the timeout fails the leg; the
# input that did it is left in build/fuzz/run/<fuzzer>/.
#
# Usage: scripts/legs/40-fuzz.sh [repo root]
#   INKBAND_FUZZ_SECONDS  time per fuzzer (default 60)
#   INKBAND_BUILD_ROOT    folder the build goes under (default build)
set -euo pipefail
root=$(cd "${1:-$(dirname "$0")/../..}" && pwd)
cd "$root"

scripts/install_deps.sh core robust
jobs=$(nproc)
dir=${INKBAND_BUILD_ROOT:-build}/fuzz
seconds=${INKBAND_FUZZ_SECONDS:-60}

echo "+ CC=clang-14 CXX=clang++-14 cmake -S fuzz -B $dir -DINKBAND_WERROR=ON"
CC=clang-14 CXX=clang++-14 cmake -S fuzz -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DINKBAND_WERROR=ON >/dev/null
echo "+ cmake --build $dir -j$jobs"
cmake --build "$dir" -j"$jobs"

export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
for fuzzer in session decoder; do
  run=$dir/run/$fuzzer
  rm -rf "$run"
  mkdir -p "$run/corpus"
  cp fuzz/corpus/$fuzzer/* "$run/corpus/"
  echo "+ ${fuzzer}_fuzzer -max_total_time=$seconds on a copy of fuzz/corpus/$fuzzer"
  if ! "$dir/${fuzzer}_fuzzer" -max_total_time="$seconds" -max_len=4096 -timeout=30 \
      -print_final_stats=1 -artifact_prefix="$run/" "$run/corpus" >"$run/log" 2>&1; then
    tail -n 60 "$run/log"
    echo "${fuzzer}_fuzzer found a failure; input and log in $run"
    exit 1
  fi
  grep -E '^stat::(number_of_executed_units|average_exec_per_sec|new_units_added)' "$run/log"
done
