#!/usr/bin/env bash
# Runs the test kit's small-screen level inside a Wine desktop of its own, of the size
# SVCMGR_SMALL_DESKTOP gives (WIDTHxHEIGHT): Wine finds windows only from their own desktop, and
# moves no monitor's work area with SPI_SETWORKAREA, so the kit's runner runs there, with the
# driver and the program it starts. The desktop's explorer ends once the last program on it has,
# and its exit status is not the runner's, so the outcome is read from the level's report.
# Usage: small-desktop.sh WINE KIT_FOLDER
set -euo pipefail
wine=$1 kit=$2
report=$kit/out/e2e_small_desktop.xml
rm -f "$report"
windows_path() { local path="Z:$1"; echo "${path//\//\\}"; }
"$wine" explorer "/desktop=svcmgr-small,$SVCMGR_SMALL_DESKTOP" cmd /c \
  "$(windows_path "$kit/run-tests.cmd")" e2e_small_desktop
summary=$(grep -m1 '<testsuites ' "$report" 2>/dev/null || true)
echo "${summary:-no report}"
grep -A3 '<failure' "$report" || true
[[ $summary =~ \ tests=\"[1-9][0-9]*\"\ failures=\"0\"\ disabled=\"[0-9]+\"\ errors=\"0\" ]]
