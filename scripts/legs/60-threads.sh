#!/usr/bin/env bash
# Threads leg: the test suite built with ThreadSanitizer (build/tsan) runs
# the concurrent-jobs test, in which every reachable mode runs on a thread of
# its own at the same time, and the end-to-end tests.  Any data race or
# other report fails the test that raised it, and so the leg.
#
# Usage: scripts/legs/60-threads.sh [repo root]
# INKBAND_BUILD_ROOT (default build) is the folder the build goes under.
set -euo pipefail
root=$(cd "${1:-$(dirname "$0")/../..}" && pwd)
cd "$root"

scripts/install_deps.sh core robust
jobs=$(nproc)
dir=${INKBAND_BUILD_ROOT:-build}/tsan
filter='ThreadJobs*:ExamplePage*:RoundTrip*:AllocationSweep*:JobLifecycle*'

echo "+ cmake -S . -B $dir -DINKBAND_SANITIZE=thread"
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DINKBAND_SANITIZE=thread \
  -DINKBAND_BUILD_TOOLS=OFF -DINKBAND_WERROR=ON >/dev/null
echo "+ cmake --build $dir -j$jobs --target inkband_tests"
cmake --build "$dir" -j"$jobs" --target inkband_tests

# Some kernels randomise mappings more than the sanitizer's memory layout
# allows; run without address randomisation where setarch can turn it off.
run=()
if command -v setarch >/dev/null && setarch "$(uname -m)" -R true 2>/dev/null; then
  run=(setarch "$(uname -m)" -R)
fi
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:exitcode=66
echo "+ inkband_tests --gtest_filter='$filter' under ThreadSanitizer"
"${run[@]}" "$dir/tests/inkband_tests" --gtest_filter="$filter" --gtest_brief=1
