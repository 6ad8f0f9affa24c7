#!/usr/bin/env bash
# arm64 leg: cross-builds libinkband.so and the unit tests for 64-bit Arm
# Linux and runs them under qemu-aarch64 (build/arm64).  This build takes
# the portable code paths where x86-64 takes its vector ones; its ctest run
# also runs the host program on the arm64 library and fails unless it sends
# the same bytes as the x86-64 build's on the same jobs.
# Usage: scripts/legs/25-arm64.sh [repo root]
set -euo pipefail
root=$(cd "${1:-$(dirname "$0")/../..}" && pwd)
cd "$root"

scripts/install_deps.sh core arm64
jobs=$(nproc)

# The x86-64 build to compare with: the main build when there is one.
reference=build/main
if [ ! -f "$reference/CMakeCache.txt" ]; then
  reference=build/arm64-reference
  cmake -S . -B "$reference" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DINKBAND_BUILD_TOOLS=OFF -DINKBAND_WERROR=ON >/dev/null
fi
cmake --build "$reference" -j"$jobs" --target inkband host_loader >/dev/null

cmake -S . -B build/arm64 -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DINKBAND_BUILD_TOOLS=OFF -DINKBAND_WERROR=ON \
  -DINKBAND_REFERENCE_HOST_LOADER="$root/$reference/tests/host/host_loader" \
  -DINKBAND_REFERENCE_LIBRARY="$root/$reference/libinkband.so" >/dev/null
cmake --build build/arm64 -j"$jobs"
(cd build/arm64 && ctest --output-on-failure -j"$jobs")
