#!/usr/bin/env bash
# The README's picture of the printer application's web page: starts the
# application (as its tests do: 127.0.0.1, a free port, a private spool and
# state), adds a cmyk-4bit printer on a file:// directory, prints its test
# page, and takes the printer's page with headless Chromium.
# Usage: scripts/printer_app_screenshot.sh [PRINTER_APP] [OUTPUT.png]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
app=$(realpath "${1:-$root/build/papp/printer-app/inkband-printer-app}")
output=$(realpath -m "${2:-$root/docs/printer-app.png}")
"$root/scripts/install_deps.sh" screenshot

# shellcheck source=../printer-app/tests/server.sh
. "$root/printer-app/tests/server.sh"
work=$(mktemp -d)
finish() {
  stop_server
  rm -rf "$work"
}
trap finish EXIT
mkdir -p "$work/out"
start_server "$app" "$work" || exit 1
add_printer inkband cmyk-4bit "file://$work/out"
printf 'inkband test page\n' > "$work/test-page"
print_named inkband "$work/test-page" "Test page"
wait_jobs inkband 120 || true

sandbox=()
[ "$(id -u)" -eq 0 ] && sandbox=(--no-sandbox)
chromium --headless "${sandbox[@]}" --disable-gpu --hide-scrollbars --window-size=1100,760 \
  --screenshot="$output" "http://127.0.0.1:$port/inkband/" > "$work/chromium.log" 2>&1 ||
  { cat "$work/chromium.log"; exit 1; }
echo "wrote $output"
