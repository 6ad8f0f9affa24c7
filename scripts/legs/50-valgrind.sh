#!/usr/bin/env bash
# Valgrind leg: the end-to-end tests of the main build (build/main) under
# memcheck, with zero errors and zero definite or indirect leaks allowed:
#   - the job-level tests of inkband_tests (reference page, round trips,
#     pipeline rules, alternate sequence, allocation sweep, concurrent jobs);
#     PipelineRulesTest.LastPossibleBandIsEmittedOnce is left out, it sends
#     tens of thousands of skip commands and takes many minutes under
#     valgrind (it runs in the main and sanitizer legs);
#   - the inkband tool (linked to the shipped libinkband.so) printing the
#     test page in every mode, ordinary and alternate sequence, and
#     inspecting what it wrote; the minimal C host example;
#   - the CUPS filter on a small page of Ghostscript CUPS raster, when both
#     are built and installed.
#
# Usage: scripts/legs/50-valgrind.sh [repo root]
# INKBAND_BUILD_ROOT (default build) is the folder the main build lives in.
set -euo pipefail
root=$(cd "${1:-$(dirname "$0")/../..}" && pwd)
cd "$root"

scripts/install_deps.sh core tools robust
jobs=$(nproc)
build=${INKBAND_BUILD_ROOT:-build}/main
work=${INKBAND_BUILD_ROOT:-build}/valgrind
rm -rf "$work"
mkdir -p "$work"

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DINKBAND_WERROR=ON >/dev/null
fi
cmake --build "$build" -j"$jobs"

vg=(valgrind -q --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite,indirect
    --show-leak-kinds=definite,indirect --track-origins=yes)
checked() {
  echo "+ valgrind $*"
  "${vg[@]}" "$@"
}
checked_quiet() {  # the same, the program's own output dropped
  echo "+ valgrind $*"
  "${vg[@]}" "$@" >/dev/null
}

filter='ExamplePage*:RoundTrip*:Pipeline*:AlternateSequence*:AllocationSweep*:ThreadJobs*:JobLifecycle*'
filter+=':-PipelineRulesTest.LastPossibleBandIsEmittedOnce'
checked "$build/tests/inkband_tests" --gtest_filter="$filter" --gtest_brief=1

tool=$build/tools/inkband
if [ -x "$tool" ]; then
  modes=$("$tool" print --list-modes | awk 'NR > 1 { print $1 }')
  for mode in $modes; do
    checked "$tool" print --mode "$mode" --width 200 --pages 2 -o "$work/$mode.prn" -q --no-progress
    checked_quiet "$tool" inspect "$work/$mode.prn" --mode "$mode" --json
  done
  checked "$tool" print --mode cmyk-ternary --alt-sequence --width 160 --pages 3 \
    -o "$work/alternate.prn" -q --no-progress
  checked_quiet "$tool" inspect "$work/alternate.prn" --json
else
  echo "inkband tool not built: its runs are skipped"
fi

host=$build/examples/minimal_host
if [ -x "$host" ]; then
  checked "$host" "$work/minimal.prn"
fi

filter_bin=$build/cups/rastertoinkband
if [ -x "$filter_bin" ] && command -v gs >/dev/null; then
  cat > "$work/page.ps" <<'PS'
%!PS
0 0 0 1 setcmykcolor 20 20 80 30 rectfill
0.7 0.2 0 0 setcmykcolor 40 60 50 50 rectfill
/Helvetica findfont 12 scalefont setfont 0 0 0 1 setcmykcolor 10 120 moveto (inkband) show
showpage
PS
  # colour space, mode id (0: the default for the colour space), quality
  for colors in "3 0 4" "6 4 4" "6 9 5" "1 5 3"; do
    set -- $colors
    gs -q -dBATCH -dNOPAUSE -dSAFER -sDEVICE=cups -r150 -dDEVICEWIDTHPOINTS=144 \
      -dDEVICEHEIGHTPOINTS=144 -dcupsColorSpace=$1 -dcupsBitsPerColor=8 -dcupsColorOrder=0 \
      -dcupsInteger0=$2 -dcupsInteger1=$3 \
      -sOutputFile="$work/page-$1-$2.ras" "$work/page.ps" 2>"$work/page-$1-$2.gs.log"
    echo "+ valgrind $filter_bin 1 inkband page 1 '' < page-$1-$2.ras"
    "${vg[@]}" "$filter_bin" 1 inkband page 1 "" <"$work/page-$1-$2.ras" >"$work/page-$1-$2.prn" \
      2>"$work/page-$1-$2.log" || { cat "$work/page-$1-$2.log"; exit 1; }
  done
else
  echo "CUPS filter or Ghostscript missing: the filter run is skipped"
fi
echo "valgrind: no errors, no leaks"
