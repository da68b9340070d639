# Sourced by the run, test, benchmark, screenshot and code-page scripts: picks the build that this
# host's Wine can run and prepares a throwaway prefix on a virtual display. Needs ROOT (the
# checkout) set.

# The shipped program is 32-bit. A host whose kernel runs Wine's 32-bit loader runs it, and the
# tests built with it, natively. Elsewhere the tests run the same sources built for 64-bit
# Windows, and the shipped program runs under emulation (scripts/i386-emulated.sh), slowly.
# SVCMGR_FORCE_EMULATED_ROUTE=1 takes that second way on any host, to check it. Inside the
# emulation's namespace the 32-bit loader runs, emulated: that is still the second way.
if [ "${SVCMGR_EMULATE_I386:-0}" = 1 ] && [ -z "${SVCMGR_FORCE_EMULATED_ROUTE:-}" ]; then
  echo "SVCMGR_EMULATE_I386 is deprecated and will go: set SVCMGR_FORCE_EMULATED_ROUTE=1" >&2
  export SVCMGR_FORCE_EMULATED_ROUTE=1
fi
if [ "${SVCMGR_FORCE_EMULATED_ROUTE:-0}" != 1 ] && [ "${SVCMGR_INSIDE_EMULATION_NAMESPACE:-0}" != 1 ] &&
  /usr/lib/wine/wine --version >/dev/null 2>&1; then
  PRESET=win32
  WINE=/usr/lib/wine/wine
  SHIPPED_RUNS=natively
else
  PRESET=win64
  WINE=/usr/lib/wine/wine64
  SHIPPED_RUNS=emulated
fi
export WINELOADER=$WINE
# SVCMGR_BUILD_DIR lets several checkouts of work share one tree without sharing a build.
BUILD="${SVCMGR_BUILD_DIR:-$ROOT/build/$PRESET}"
export WINEPREFIX="$BUILD/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LC_ALL=zh_CN.UTF-8

# Where the shipped program runs emulated, runs the calling script again, whole, inside the
# emulation's namespace: Wine's 32-bit half boots the prefix there as on a host without 32-bit
# code, and one server serves the prefix. Called with the script's own "$0" "$@".
run_inside_emulation_if_emulated() {
  if [ "$SHIPPED_RUNS" = emulated ] && [ "${SVCMGR_INSIDE_EMULATION_NAMESPACE:-0}" != 1 ]; then
    exec "$ROOT/scripts/i386-emulated.sh" "$@"
  fi
}

# Starts Xvfb on a display of its own and exports DISPLAY; XVFB_PID names it. X servers also
# listen on abstract sockets, which every process of the network namespace shares whatever /tmp it
# has: a number picked by the lock files in our /tmp may be served by another run's Xvfb, whose
# windows this run would then drive. So Xvfb picks a number it could listen on itself, and admits
# only clients holding this run's cookie; a display that answers without it is not ours.
start_virtual_display() {
  local cookie n=
  mkdir -p "$BUILD"
  export XAUTHORITY="$BUILD/xauthority"
  rm -f "$XAUTHORITY"
  cookie=$(od -An -tx1 -N16 /dev/urandom | tr -d ' \n')
  # The server admits every cookie its file holds, whatever display the entry names.
  xauth -q -f "$XAUTHORITY" add :0 MIT-MAGIC-COOKIE-1 "$cookie" 2>/dev/null
  # Xvfb writes the number it took to fd 3 once it listens there.
  Xvfb -displayfd 3 -auth "$XAUTHORITY" -screen 0 1600x1000x24 -nolisten tcp \
    3>"$BUILD/display" >/dev/null 2>&1 &
  XVFB_PID=$!
  for _ in $(seq 100); do
    n=$(cat "$BUILD/display" 2>/dev/null || true)
    [ -n "$n" ] || ! kill -0 "$XVFB_PID" 2>/dev/null && break
    sleep 0.1
  done
  if [ -z "$n" ]; then
    echo "Xvfb did not start" >&2
    return 1
  fi
  export DISPLAY=":$n"
  xauth -q -f "$XAUTHORITY" add "$DISPLAY" MIT-MAGIC-COOKIE-1 "$cookie"
  if XAUTHORITY=/dev/null xdpyinfo >/dev/null 2>&1 || ! xdpyinfo >/dev/null 2>&1; then
    echo "display $DISPLAY is not the one this run started" >&2
    return 1
  fi
}

# How the prefix is booted here: the boot fills the 32-bit system folder from Wine's 32-bit half,
# so a prefix booted where that half could not run holds no 32-bit system, and one booted under
# another Wine is another Wine's.
prefix_record() {
  local i386=natively
  [ "${SVCMGR_INSIDE_EMULATION_NAMESPACE:-0}" = 1 ] && i386="under emulation (scripts/i386-emulated.sh)"
  echo "$("$WINE" --version); $WINE; i386 programs run $i386"
}

# Creates the prefix, unless it was booted as it would be now: a virtual desktop (draws title
# bars, and spares the 2 s wait Wine's X11 driver makes whenever a window is hidden without a
# window manager) and the dialog font.
prepare_prefix() {
  local record
  record=$(prefix_record)
  [ "$(cat "$WINEPREFIX/.prepared" 2>/dev/null)" = "$record" ] && return 0
  wineserver -k 2>/dev/null || true
  rm -rf "$WINEPREFIX"
  "$WINE" wineboot -i >/dev/null 2>&1
  "$WINE" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null
  "$WINE" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1600x1000 /f >/dev/null
  "$WINE" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v '宋体' /d 'WenQuanYi Micro Hei' /f >/dev/null
  "$WINE" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v SimSun /d 'WenQuanYi Micro Hei' /f >/dev/null
  # A program that crashes just ends: the debugger Wine would start for it keeps the test's
  # output open and can wait there for ever.
  local key
  for key in 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
    'HKLM\Software\Wow6432Node\Microsoft\Windows NT\CurrentVersion\AeDebug'; do
    "$WINE" reg add "$key" /v Debugger /d '' /f >/dev/null
  done
  wineserver -w
  echo "$record" >"$WINEPREFIX/.prepared"
}

# Prepares the prefix and starts one server for all that follows, which spares each process Wine's
# cold start. Then the prefix's own processes (services.exe and the rest) start, with no terminal
# or pipe and before anything is measured: started by a test they would inherit ctest's output
# pipe, and ctest would wait for them.
start_prefix() {
  prepare_prefix
  wineserver -k 2>/dev/null || true  # a server left from an earlier run of this prefix
  wineserver -p
  "$WINE" cmd /c exit >/dev/null 2>&1 </dev/null
}
