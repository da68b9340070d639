#!/usr/bin/env bash
# Measures svcmgr under Wine against floors of its own (docs/performance.md says how): builds
# what it needs, fills a throwaway prefix on a virtual display with 200, 1,000 and 3,000 extra
# services, prints every run and a table of medians, and removes its services and processes.
# BENCH_COUNTS (200,1000,3000), BENCH_RUNS (5) and BENCH_PROBE (0; 1: also time the old and other
# ways of filling the list, some three minutes more) change what it does; BENCH_ALSO (host paths,
# comma-separated) times the start-up of other builds of the program too, in turn with this one.
# Not part of the test run: it takes about 15 minutes.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
scripts/install-deps.sh
# A build and a prefix of its own, so that it neither disturbs nor is disturbed by a test run.
export SVCMGR_BUILD_DIR="${SVCMGR_BUILD_DIR:-$ROOT/build/bench}"
source scripts/wine-env.sh
COUNTS=${BENCH_COUNTS:-200,1000,3000}
RUNS=${BENCH_RUNS:-5}
TOOLS="$BUILD/bench-tools"
RESULTS="$BUILD/bench-results.txt"

# The shipped 32-bit program, for its size.
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target svcmgr
# What is measured: the program users get, where this host runs it natively; elsewhere the same
# sources built for 64-bit Windows (emulated, the shipped one would measure qemu). And the bench's
# own programs, for the Wine this host runs.
toolchain=$ROOT/cmake/mingw-i686.cmake
measured=$ROOT/build/win32/svcmgr.exe
measured_what="the shipped 32-bit program (PE32), run natively"
if [ "$PRESET" = win64 ]; then
  toolchain=$ROOT/cmake/mingw-x86_64.cmake
  cmake --preset "$PRESET" -B "$BUILD" -DBUILD_TESTING=OFF >/dev/null
  cmake --build "$BUILD" -j 2 --target svcmgr
  measured=$BUILD/svcmgr.exe
  measured_what="the 64-bit build of the same sources (this host runs no 32-bit code natively)"
fi
cmake -S bench -B "$TOOLS" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$TOOLS" -j 2

dos() { local path="Z:$1"; echo "${path//\//\\}"; }
driver() { "$WINE" "$TOOLS/bench_driver.exe" "$@"; }

start_virtual_display
cleanup() {
  # The driver removes its services itself; this is for a run that was interrupted.
  timeout 120 "$WINE" "$TOOLS/bench_driver.exe" --cleanup >/dev/null 2>&1 || true
  wineserver -k 2>/dev/null || true
  kill "$XVFB_PID" 2>/dev/null || true
}
trap cleanup EXIT
start_prefix

{
  echo "host: $(uname -srm); $(nproc) cores, $(awk '/MemTotal/ {printf "%.0f GiB", $2 / 1048576}' /proc/meminfo);" \
    "$(lscpu | sed -n 's/^Model name: *//p'); $("$WINE" --version); Wine build: $PRESET"
  echo "measured: ${measured#"$ROOT"/}, $measured_what"
  echo "sources: $(git describe --always --dirty 2>/dev/null || echo 'not a git checkout')" \
    "$(git status --porcelain -- framework service ui res CMakeLists.txt 2>/dev/null |
      awk '{printf "%s%s", (NR > 1 ? ", " : "(changed here: "), $2} END {if (NR) printf ")"}')"
  size=$(stat -c %s build/win32/svcmgr.exe)
  stripped=$(mktemp)
  i686-w64-mingw32-strip -o "$stripped" build/win32/svcmgr.exe
  echo "build/win32/svcmgr.exe: $size bytes as built, $(stat -c %s "$stripped") bytes stripped" \
    "($(($(stat -c %s "$stripped") / 1024)) KiB)"
  rm -f "$stripped"
  probe=()
  also=
  IFS=, read -ra others <<<"${BENCH_ALSO:-}"
  for other in "${others[@]}"; do also+=",$(dos "$other")"; done
  [ "${BENCH_PROBE:-0}" = 1 ] && probe=(--probe "$(dos "$TOOLS/list_probe.exe")")
  driver --svcmgr "$(dos "$measured")" --floor "$(dos "$TOOLS/scm_floor.exe")" \
    --dialog "$(dos "$TOOLS/min_dialog.exe")" --service "$(dos "$TOOLS/benchsvc.exe")" \
    --variants "$(dos "$TOOLS/min_dialog_styled.exe"),$(dos "$TOOLS/min_dialog_list.exe")$also" \
    "${probe[@]}" --counts "$COUNTS" --runs "$RUNS" </dev/null
} 2>&1 | tee "$RESULTS"
echo "results: $RESULTS"
