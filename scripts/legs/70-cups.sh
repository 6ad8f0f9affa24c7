#!/usr/bin/env bash
# CUPS leg: builds the filter rastertoinkband, its stream checker and its
# tests in build/cups and runs them (ctest -R '^cups\.'):
#   - the PPD's choices, and process tests of the filter on 8-bit raster
#     (every print mode at every quality, grey and RGB raster, refused and
#     truncated pages, SIGTERM mid-page) judged by the checker's library;
#   - the cups install component staged with DESTDIR, and cupstestppd on the
#     installed PPD;
#   - end to end: the CUPS test page and a three-page PDF through cupsfilter
#     (pdftopdf, gstoraster, rastertoinkband; a private ServerBin, no cupsd)
#     in every ColorModel at Normal and High, and through gs -sDEVICE=cups
#     piped into the filter, every stream checked against its raster and,
#     when the inkband tool builds, inspected;
#   - a queue on a private cupsd made as the README says: its colour default,
#     the colour test page in every ColorModel through lp, each stream checked
#     against the raster of the same options, a page range past the end of a
#     document (cups/tests/cupsd_queue.sh).
# Usage: scripts/legs/70-cups.sh [repo root]
set -euo pipefail
root=$(cd "${1:-$(dirname "$0")/../..}" && pwd)
cd "$root"

scripts/install_deps.sh cups tools core
jobs=$(nproc)
[ "$jobs" -gt 2 ] && jobs=2

cmake -S . -B build/cups -DCMAKE_BUILD_TYPE=RelWithDebInfo -DINKBAND_CUPS_END_TO_END=ON \
  -DINKBAND_WERROR=ON >/dev/null
cmake --build build/cups -j"$jobs" --target rastertoinkband inkband_raster_check inkband_cups_tests
if ! cmake --build build/cups -j"$jobs" --target inkband_tool >/dev/null 2>&1; then
  echo "inkband tool not built: streams are checked with the decoder library only"
fi
(cd build/cups && ctest -R '^cups\.' --output-on-failure)
