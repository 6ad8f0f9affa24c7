#!/usr/bin/env bash
# Portable leg: builds x86-64 with INKBAND_ENABLE_SIMD=OFF (build/portable),
# so the scans, the plane conversions and the run coder take the plain C++
# paths that other processors take, and runs the whole test suite on it
# (the tool's and the CUPS filter's tests included).
# Its ctest run also runs the host program on this library and fails unless
# it sends the same bytes as the main build's, vector paths and all.
# Usage: scripts/legs/26-portable.sh [repo root]
set -euo pipefail
root=$(cd "${1:-$(dirname "$0")/../..}" && pwd)
cd "$root"

scripts/install_deps.sh core tools cups
jobs=$(nproc)

# The build to compare with: the main build when there is one.
reference=build/main
if [ ! -f "$reference/CMakeCache.txt" ]; then
  reference=build/portable-reference
  cmake -S . -B "$reference" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DINKBAND_BUILD_TOOLS=OFF -DINKBAND_WERROR=ON >/dev/null
fi
cmake --build "$reference" -j"$jobs" --target inkband host_loader >/dev/null

cmake -S . -B build/portable -DCMAKE_BUILD_TYPE=RelWithDebInfo -DINKBAND_ENABLE_SIMD=OFF -DINKBAND_BUILD_TOOLS=ON \
  -DINKBAND_WERROR=ON \
  -DINKBAND_REFERENCE_HOST_LOADER="$root/$reference/tests/host/host_loader" \
  -DINKBAND_REFERENCE_LIBRARY="$root/$reference/libinkband.so" >/dev/null
cmake --build build/portable -j"$jobs"
(cd build/portable && ctest --output-on-failure -j"$jobs")
