#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when missing.
# Usage: scripts/install_deps.sh [group ...]   (default: every group but
# screenshot, which only scripts/printer_app_screenshot.sh needs)
set -euo pipefail

declare -A groups=(
  [core]="cmake g++ make pkg-config googletest libgtest-dev libgmock-dev libbenchmark-dev"
  [tools]="libpng-dev libcli11-dev nlohmann-json3-dev"
  [windows]="g++-mingw-w64-x86-64-posix mingw-w64-tools wine64"
  [arm64]="g++-aarch64-linux-gnu qemu-user"
  [robust]="clang-14 libclang-rt-14-dev libfuzzer-14-dev valgrind"
  [cups]="cups cups-daemon cups-client cups-ipp-utils cups-filters libcups2-dev libcupsimage2-dev ghostscript libgs10-common"
  [bench]="libtiff-dev ghostscript cups-filters libgs10-common valgrind"
  [packaging]="dpkg-dev"
  [screenshot]="chromium fonts-dejavu-core"
  [papp]="libpappl-dev libcups2-dev libavahi-client-dev libgnutls28-dev libjpeg-dev libpng-dev libusb-1.0-0-dev libpam0g-dev zlib1g-dev pkg-config cups-ipp-utils ghostscript libgs10-common cups cups-daemon cups-client curl"
)

wanted=()
for group in "${@:-core tools windows arm64 robust cups bench packaging papp}"; do
  for g in $group; do wanted+=(${groups[$g]}); done
done

missing=()
for pkg in "${wanted[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$pkg")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "installing: ${missing[*]}"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
