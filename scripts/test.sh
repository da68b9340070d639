#!/usr/bin/env bash
# Builds everything and runs the whole test suite under Wine on a virtual display.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
[ "${SVCMGR_I386_EMULATED:-0}" = 1 ] || scripts/install-deps.sh
source scripts/wine-env.sh
# Where the shipped program runs emulated, the whole run does, in one namespace: Wine's 32-bit
# half boots the prefix there as on a host without 32-bit code, and one server serves the prefix.
if [ "$SHIPPED_RUNS" = emulated ] && [ "${SVCMGR_I386_EMULATED:-0}" != 1 ]; then
  exec scripts/i386-emulated.sh "$0" "$@"
fi

# The shipped 32-bit program is always built and checked, whichever build the tests run.
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target svcmgr
cmake --preset "$PRESET" -B "$BUILD" -DSHIPPED_EXE="$ROOT/build/win32/svcmgr.exe" \
  -DSHIPPED_RUNS="$SHIPPED_RUNS" >/dev/null
cmake --build "$BUILD" -j 2

start_virtual_display
trap 'wineserver -k 2>/dev/null || true; kill $XVFB_PID 2>/dev/null || true' EXIT
prepare_prefix
wineserver -k 2>/dev/null || true  # a server left from an earlier run of this prefix
wineserver -p  # one server for the whole run spares each test process Wine's cold start
# Start the prefix's own processes (services.exe and the rest) now, with no terminal or pipe:
# started by a test they would inherit ctest's output pipe, and ctest would wait for them.
"$WINE" cmd /c exit >/dev/null 2>&1 </dev/null
export PATH="$ROOT/tests/bin:$PATH"
export SVCMGR_BROWSER_LOG="$BUILD/browser.log"
ctest --test-dir "$BUILD" --output-on-failure "$@"
