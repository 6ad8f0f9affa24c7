#!/usr/bin/env bash
# Installs the cups component into a staging root and checks it: the filter
# lands in CUPS's filter folder with mode 0755 (not world-writable), the PPD
# in the model folder, cupstestppd passes the PPD against that root, and
# neither file is part of a plain install.
#
# Usage: install_check.sh BUILD_DIR FILTER_DIR PPD_DIR WORKDIR
set -euo pipefail
build=$1 filter_dir=$2 ppd_dir=$3 work=$4
rm -rf "$work"
mkdir -p "$work"

DESTDIR="$work/stage" cmake --install "$build" --component cups > "$work/install.log"
filter="$work/stage$filter_dir/rastertoinkband"
ppd="$work/stage$ppd_dir/inkband.ppd"
[ -f "$filter" ] || { echo "FAIL: no filter at $filter_dir"; exit 1; }
[ -f "$ppd" ] || { echo "FAIL: no PPD at $ppd_dir"; exit 1; }
[ "$(stat -c %a "$filter")" = 755 ] || { echo "FAIL: filter mode $(stat -c %a "$filter")"; exit 1; }
[ "$(stat -c %a "$ppd")" = 644 ] || { echo "FAIL: PPD mode $(stat -c %a "$ppd")"; exit 1; }

# cupstestppd finds the filter named by cupsFilter2 under the staging root.
if ! cupstestppd -W all -R "$work/stage" "$ppd" > "$work/cupstestppd.log"; then
  cat "$work/cupstestppd.log"
  echo "FAIL: cupstestppd"
  exit 1
fi
cat "$work/cupstestppd.log"

# A plain install leaves the CUPS files out (run on this folder's install
# script alone, so that it does not need every other target built).
DESTDIR="$work/plain" cmake --install "$build/cups" --prefix "$work/prefix" > /dev/null
if [ -d "$work/plain" ] && find "$work/plain" -name rastertoinkband -o -name inkband.ppd | grep -q .; then
  echo "FAIL: a plain install holds the CUPS files"
  exit 1
fi
echo "cups component installs $filter_dir/rastertoinkband and $ppd_dir/inkband.ppd"
