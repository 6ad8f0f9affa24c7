#!/usr/bin/env bash
# Windows leg: cross-builds inkband.dll and the whole test suite with
# mingw-w64 in Release, as the DLL ships, and runs them under Wine
# (build/windows).  The ctest run there checks the DLL's exports, imports
# and version resource, runs the unit tests, and runs the host program,
# which loads the DLL and binds the entry points by name, against the Linux
# build's output of the same jobs.
# Usage: scripts/legs/20-windows.sh [repo root]
set -euo pipefail
root=$(cd "${1:-$(dirname "$0")/../..}" && pwd)
cd "$root"

scripts/install_deps.sh core windows
jobs=$(nproc)

# The Linux build to compare with: the main build when there is one.
linux=build/main
if [ ! -f "$linux/CMakeCache.txt" ]; then
  linux=build/windows-linux
  cmake -S . -B "$linux" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DINKBAND_BUILD_TOOLS=OFF \
    -DINKBAND_WERROR=ON >/dev/null
fi
cmake --build "$linux" -j"$jobs" --target inkband host_loader >/dev/null

# The DLL exports all ten entry points or it does not link; until the
# library defines them all there is nothing to build.
defined=$(nm -D --defined-only "$linux/libinkband.so" | grep -cE ' T Output(Open|Init|InitTwo|InitPart|Produce|ProduceTwo|Complete|Flush|FormFeed|Close)$' || true)
if [ "$defined" -ne 10 ]; then
  echo "windows leg skipped: libinkband.so defines $defined of the ten entry points"
  exit 0
fi

cmake -S . -B build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=Release -DINKBAND_BUILD_TOOLS=OFF -DINKBAND_WERROR=ON \
  -DINKBAND_REFERENCE_HOST_LOADER="$root/$linux/tests/host/host_loader" \
  -DINKBAND_REFERENCE_LIBRARY="$root/$linux/libinkband.so" >/dev/null
cmake --build build/windows -j"$jobs"
(cd build/windows && ctest --output-on-failure -j"$jobs")
