#!/usr/bin/env bash
# Runs the e2e driver inside a Wine desktop of its own, of the size SVCMGR_SMALL_DESKTOP gives
# (WIDTHxHEIGHT): Wine finds windows only from their own desktop, so the driver runs there, and the
# program it starts with it. The desktop's explorer ends once the last program on it has, and its
# exit status is not the driver's, so the outcome is read from the driver's report.
# Usage: small-desktop.sh WINE E2E_TESTS [ARGUMENT...]
set -euo pipefail
wine=$1
shift
report=$(mktemp --suffix=.xml)
trap 'rm -f "$report"' EXIT
windows_path() { local path="Z:$1"; echo "${path//\//\\}"; }
"$wine" explorer "/desktop=svcmgr-small,$SVCMGR_SMALL_DESKTOP" "$(windows_path "$1")" "${@:2}" \
  "--gtest_output=xml:$(windows_path "$report")"
summary=$(grep -m1 '<testsuites ' "$report" || true)
echo "${summary:-no report}"
grep -A3 '<failure' "$report" || true
[[ $summary =~ \ tests=\"[1-9][0-9]*\"\ failures=\"0\"\ disabled=\"[0-9]+\"\ errors=\"0\" ]]
