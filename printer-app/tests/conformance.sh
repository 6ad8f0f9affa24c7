#!/usr/bin/env bash
# CUPS's conformance files against the printer application: ipptool runs
# ipp-everywhere.test (which includes ipp-2.0.test and ipp-1.1.test) on a
# cmyk-4bit printer, with the documents they name written by
# conformance_documents.sh.  Every failed expectation must be one that
# PAPPL 1.3.1 itself causes, listed below with its reason; any other fails
# the test.
#
# Usage: conformance.sh PRINTER_APP WORKDIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=server.sh
. "$here/server.sh"
app=$(realpath "$1")
enter_work "$2" out

# Failures PAPPL 1.3.1 causes: test name | start of the failed expectation | why.
known='
RFC 8011 section 4.2.5: Get-Printer-Attributes Operation (default)|EXPECTED: printer-uri-supported (1 values) SAME-COUNT-AS uri-security-supported|PAPPL lists uri-security-supported none and tls but one printer-uri-supported (its ipp: URI)
RFC 8011 section 4.2.5: Get-Printer-Attributes Operation (default)|EXPECTED: uri-security-supported (2 values) SAME-COUNT-AS uri-authentication-supported|the same: two security values, one authentication value
Print-Job with job-hold-until|EXPECTED: job-state-reasons|PAPPL answers a Print-Job that holds the job without job-state-reasons
PWG 5100.14 section 5.1/5.2 - Required Operations and Attributes|EXPECTED: overrides-supported|PAPPL has no page overrides
'

"$here/conformance_documents.sh" "$work/docs" > /dev/null
cp /usr/share/cups/ipptool/ipp-1.1.test /usr/share/cups/ipptool/ipp-2.0.test \
  /usr/share/cups/ipptool/ipp-everywhere.test "$work/docs/"

trap stop_server EXIT
start_server "$app" "$work" || exit 1
add_printer conformance cmyk-4bit "file://$work/out"
sleep 1.5  # printer-up-time must be above 0
uri=ipp://127.0.0.1:$port/ipp/print/conformance

status=0
(cd "$work/docs" && ipptool -V 2.0 -I -t -T 120 -f document-a4.pdf "$uri" ipp-everywhere.test) \
  > "$work/ipptool.out" 2>&1 || status=$?
echo "ipptool exit status $status: $(grep -E '^Summary:' "$work/ipptool.out" || true)"

# Each failed test's expectations that did not hold, as "test|expectation".
awk '
  /\[FAIL\]$/ { name = $0; sub(/^ +/, "", name); sub(/ +\[FAIL\]$/, "", name); failing = 1; found = 0; next }
  /\[(PASS|SKIP)\]$/ || /^"/ { failing = 0; next }
  failing && /^ +(EXPECTED|GOT):/ { line = $0; sub(/^ +/, "", line); print name "|" line; found = 1 }
  failing && /IPP request failed|status-code = (client|server)-error/ { line = $0; sub(/^ +/, "", line); print name "|" line }
' "$work/ipptool.out" | grep -v '|GOT: ' > "$work/failed.txt" || true

while IFS='|' read -r name expectation; do
  reason=""
  while IFS='|' read -r kname kexpect kreason; do
    [ -n "$kname" ] || continue
    if [ "$name" = "$kname" ] && [ "${expectation#"$kexpect"}" != "$expectation" ]; then
      reason=$kreason
      break
    fi
  done <<< "$known"
  if [ -n "$reason" ]; then
    echo "known: $name: $expectation ($reason)"
  else
    fail "$name: $expectation"
  fi
done < "$work/failed.txt"

# A failed test without any failed expectation (an ipptool error) counts too.
grep -E '\[FAIL\]$' "$work/ipptool.out" | sed -E 's/^ +//; s/ +\[FAIL\]$//' | sort -u |
  while read -r name; do
    grep -qF "$name|" "$work/failed.txt" || echo "$name"
  done > "$work/unexplained.txt"
while read -r name; do fail "$name failed without a reported expectation"; done < "$work/unexplained.txt"
grep -q '^Summary:' "$work/ipptool.out" || fail "ipptool did not finish: $(tail -1 "$work/ipptool.out")"

stop_server
[ "$failures" -eq 0 ] || { echo "$failures unexpected failure(s); see $work/ipptool.out"; exit 1; }
echo "conformance: only the failures PAPPL 1.3.1 causes"
