#!/usr/bin/env bash
# Printer application leg: builds inkband-printer-app (PAPPL 1.3.1) and the
# inkband tool in build/papp and runs the application's tests (ctest -R
# '^papp\.'), each with a server on 127.0.0.1 with a private spool
# directory and state file and printers on file:// devices: a PDF and a PNG
# printed with ipptool, every stream decoded by `inkband inspect`; CUPS's
# ipp-everywhere.test; the web pages; a queue on a private cupsd made with
# `lpadmin -m everywhere` and printed to with `lp`; bad input and a job
# cancelled mid-page; twenty jobs at once on two printers.
# Usage: scripts/legs/75-printer-app.sh [repo root]
set -euo pipefail
root=$(cd "${1:-$(dirname "$0")/../..}" && pwd)
cd "$root"

scripts/install_deps.sh papp tools core
jobs=$(nproc)
[ "$jobs" -gt 2 ] && jobs=2

cmake -S . -B build/papp -DCMAKE_BUILD_TYPE=RelWithDebInfo -DINKBAND_WERROR=ON >/dev/null
cmake --build build/papp -j"$jobs" --target inkband_printer_app inkband_tool pwg_planes
(cd build/papp && ctest -R '^papp\.' --output-on-failure)
