#!/usr/bin/env bash
# The main job: installs what is missing, builds the inkband tool, prints
# the built-in test page through the module and checks and draws the
# stream it wrote:
#   out/testpage.prn   the printer command stream
#   out/testpage.png   the page as printed, beside one thumbnail per plane
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install_deps.sh core tools
cmake -S . -B build/run -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build build/run -j"$(nproc)" --target inkband_tool >/dev/null

mkdir -p out
tool=build/run/tools/inkband
"$tool" print -o out/testpage.prn
"$tool" inspect out/testpage.prn --png out/testpage.png
