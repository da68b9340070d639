#!/usr/bin/env bash
# Builds everything and runs the whole test suite under Wine on a virtual display.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
[ "${SVCMGR_INSIDE_EMULATION_NAMESPACE:-0}" = 1 ] || scripts/install-deps.sh
source scripts/wine-env.sh
run_inside_emulation_if_emulated "$0" "$@"

# The shipped 32-bit program is always built and checked, whichever build the tests run.
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target svcmgr
cmake --preset "$PRESET" -B "$BUILD" -DSHIPPED_EXE="$ROOT/build/win32/svcmgr.exe" \
  -DSHIPPED_RUNS="$SHIPPED_RUNS" >/dev/null
cmake --build "$BUILD" -j 2

start_virtual_display
trap 'wineserver -k 2>/dev/null || true; kill $XVFB_PID 2>/dev/null || true' EXIT
# The stand-in browser, for the program and for the desktop's shell, which the prefix starts now
# and which opens the close box's address: it records which of the two started it.
export PATH="$ROOT/tests/bin:$PATH"
export SVCMGR_BROWSER_LOG="$BUILD/browser.log"
start_prefix
ctest --test-dir "$BUILD" --output-on-failure "$@"
