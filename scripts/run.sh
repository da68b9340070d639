#!/usr/bin/env bash
# Builds svcmgr.exe and runs it under Wine. With DISPLAY set it opens there. Without one it runs
# on a virtual display, presses 刷新, saves a screenshot of the filled window and prints its path.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
[ "${SVCMGR_INSIDE_EMULATION_NAMESPACE:-0}" = 1 ] || scripts/install-deps.sh
source scripts/wine-env.sh
# The prefix is the tests', booted as theirs is.
run_inside_emulation_if_emulated "$0" "$@"

cmake --preset "$PRESET" -B "$BUILD" >/dev/null
cmake --build "$BUILD" -j 2 --target svcmgr

if [ -n "${DISPLAY:-}" ]; then
  prepare_prefix
  exec "$WINE" "$BUILD/svcmgr.exe"
fi

start_virtual_display
trap 'wineserver -k 2>/dev/null || true; kill $XVFB_PID 2>/dev/null || true' EXIT
prepare_prefix
"$WINE" "$BUILD/svcmgr.exe" >/dev/null 2>&1 &
for _ in $(seq 100); do
  xdotool search --name 'Tavrelmo' >/dev/null 2>&1 && break
  sleep 0.2
done
sleep 1
# The keyboard goes to Wine's desktop window; Enter presses the default button, 刷新.
xdotool windowfocus --sync "$(xdotool search --name 'Wine desktop' | head -n 1)"
xdotool key Return
sleep 3
shot="$BUILD/svcmgr.png"
import -window root "$shot"
echo "screenshot: $shot"
