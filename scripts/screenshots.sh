#!/usr/bin/env bash
# Takes the read-me's pictures of the right-click menu and the create dialog again and saves
# them as docs/context-menu.png and docs/create-dialog.png. The end-to-end program's picture
# steps set each scene on a virtual display and ask for a picture of a screen area; this script
# takes it from the display, where the popup menu is seen too.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
scripts/install-deps.sh
source scripts/wine-env.sh

cmake --preset "$PRESET" -B "$BUILD" >/dev/null
cmake --build "$BUILD" -j 2 --target e2e_tests

SHOTS=$(mktemp -d)
start_virtual_display
trap 'wineserver -k 2>/dev/null || true; kill $XVFB_PID 2>/dev/null || true; rm -rf "$SHOTS"' EXIT
prepare_prefix
export SVCMGR_SCREENSHOT_DIR="$SHOTS"
"$WINE" "$BUILD/tests/e2e_tests.exe" --gtest_also_run_disabled_tests \
  --gtest_filter='DISABLED_Screenshots.*' </dev/null &
steps=$!

# Wine's desktop fills the virtual display from its corner, so its screen areas are the display's.
while kill -0 "$steps" 2>/dev/null; do
  for request in "$SHOTS"/*.request; do
    [ -e "$request" ] || continue
    name=$(basename "$request" .request)
    import -window root -crop "$(cat "$request")" +repage "$SHOTS/$name.tmp.png"
    mv "$SHOTS/$name.tmp.png" "$SHOTS/$name.png"
    rm "$request"
  done
  sleep 0.1
done
wait "$steps"
for name in context-menu create-dialog; do
  cp "$SHOTS/$name.png" "docs/$name.png"
  echo "docs/$name.png"
done
