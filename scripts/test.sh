#!/usr/bin/env bash
# The one test command: installs what is missing, configures, builds and runs
# every test, then every further leg under scripts/legs/ (Windows DLL under
# Wine, arm64 under qemu, the portable code paths on x86-64, sanitizers,
# fuzzing, valgrind, threads, CUPS end to end).
# Set INKBAND_QUICK=1 to run only the main build's tests.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

scripts/install_deps.sh

jobs=$(nproc)
cmake -S . -B build/main -DCMAKE_BUILD_TYPE=RelWithDebInfo -DINKBAND_WERROR=ON >/dev/null
cmake --build build/main -j"$jobs"
(cd build/main && ctest --output-on-failure -j"$jobs")

if [ "${INKBAND_QUICK:-0}" != "1" ]; then
  for leg in scripts/legs/*.sh; do
    [ -e "$leg" ] || continue
    echo "=== leg: $(basename "$leg" .sh)"
    start=$(date +%s)
    bash "$leg" "$root"
    echo "=== leg $(basename "$leg" .sh) passed in $(( $(date +%s) - start )) s"
  done
fi
echo "all tests passed"
