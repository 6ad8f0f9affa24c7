#!/usr/bin/env bash
# Build-types leg: the builds besides the main one that users and packagers
# make, each with warnings as errors (-DINKBAND_WERROR=ON) in a folder of
# its own, so that a warning only some compiler or optimisation level
# raises fails here and not in somebody's package build:
#   - build/release  g++, Release (-O3): built and the whole suite run;
#   - build/clang    clang-14, RelWithDebInfo: built and the whole suite run;
#   - build/debian   g++, build type None with Debian's packaging flags from
#                    dpkg-buildflags (-O2, _FORTIFY_SOURCE, stack protector,
#                    -Werror=format-security, relro), as a package build
#                    configures it: built and the whole suite run.
# Debug is left out to keep the leg short (about 8 minutes on 2 cores): at
# -O0 the compiler runs fewer of the analyses that warnings come from.
#
# Usage: scripts/legs/15-build-types.sh [repo root]
# INKBAND_BUILD_ROOT (default build) is the folder the builds go under.
set -euo pipefail
root=$(cd "${1:-$(dirname "$0")/../..}" && pwd)
cd "$root"

scripts/install_deps.sh core tools robust cups packaging
jobs=$(nproc)
[ "$jobs" -gt 2 ] && jobs=2
base=${INKBAND_BUILD_ROOT:-build}

build_and_test() {  # folder, then the configure arguments
  local dir=$base/$1 start=$SECONDS
  shift
  echo "+ cmake -S . -B $dir $*"
  cmake -S . -B "$dir" -DINKBAND_WERROR=ON "$@" >/dev/null
  echo "+ cmake --build $dir -j$jobs"
  cmake --build "$dir" -j"$jobs" >/dev/null
  echo "+ ctest (in $dir)"
  if ! (cd "$dir" && ctest --output-on-failure -j"$jobs" >ctest.log 2>&1); then
    cat "$dir/ctest.log"
    exit 1
  fi
  grep -E '^[0-9]+% tests passed' "$dir/ctest.log"
  echo "$dir built and tested in $((SECONDS - start)) s"
}

build_and_test release -DCMAKE_BUILD_TYPE=Release
build_and_test clang -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14

# What debian/rules (debhelper's cmake build system) hands to CMake.
CFLAGS="$(dpkg-buildflags --get CFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
LDFLAGS="$(dpkg-buildflags --get LDFLAGS)" \
  build_and_test debian -DCMAKE_BUILD_TYPE=None
