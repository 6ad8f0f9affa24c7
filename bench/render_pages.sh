#!/usr/bin/env bash
# Renders the two benchmark pages with Ghostscript's CUPS raster device:
# 600 dpi A4, 2-bit CMYK, banded (each raster line holds the C, M, Y and K
# plane lines side by side, first pixel in the top bits).
#   sparse.ras  the CUPS test page (cups-filters)
#   dense.ras   page 1 of Ghostscript's image-qa.ps (libgs10-common)
# Usage: bench/render_pages.sh <output folder>
set -euo pipefail
out=${1:?usage: render_pages.sh <output folder>}
mkdir -p "$out"

find_file() {  # package, file name
  local path
  path=$(dpkg -L "$1" 2>/dev/null | grep "/$2\$" | head -n1 || true)
  [ -n "$path" ] || { echo "render_pages: $2 not found (install $1)" >&2; exit 1; }
  echo "$path"
}
sparse_src=$(find_file cups-filters default-testpage.pdf)
dense_src=$(find_file libgs10-common image-qa.ps)

render() {  # source, target, extra options...
  local src=$1 dst=$2
  shift 2
  gs -q -dBATCH -dNOPAUSE -dSAFER -r600 -sPAPERSIZE=a4 -dFIXEDMEDIA "$@" \
     -sDEVICE=cups -dcupsColorSpace=6 -dcupsColorOrder=1 -dcupsBitsPerColor=2 \
     -sOutputFile="$dst.tmp" "$src" >/dev/null 2>&1
  mv "$dst.tmp" "$dst"
}
[ -s "$out/sparse.ras" ] || render "$sparse_src" "$out/sparse.ras"
[ -s "$out/dense.ras" ] || render "$dense_src" "$out/dense.ras" -dFirstPage=1 -dLastPage=1
ls -l "$out"/sparse.ras "$out"/dense.ras
