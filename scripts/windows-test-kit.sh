#!/usr/bin/env bash
# Builds the test kit to run on Windows, svcmgr-<version>-tests.zip beside the release archive, and
# prints its path last: the release's svcmgr.exe, run-tests.cmd and two sets of test programs,
# win32 (for 32-bit Windows) and win64 (the 32-bit program driven on 64-bit Windows).
# Usage: scripts/windows-test-kit.sh
#        scripts/windows-test-kit.sh --unpacked DIR SVCMGR_EXE BUILD
# The second form is the suite's (tests/kit/CMakeLists.txt): a kit of one build's set, unpacked
# into DIR afresh.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
unset ZIPOPT ZIP  # zip takes options from these

# Packs ZIP (an absolute path) from EXE and the test programs of each BUILD folder, a set named as
# its folder.
pack() {
  local zip=$1 exe=$2 build set stage
  shift 2
  stage=$(mktemp -d)
  cp "$exe" "$stage/svcmgr.exe"
  sed 's/\r*$/\r/' "$ROOT/tests/kit/run-tests.cmd" >"$stage/run-tests.cmd"
  for build; do
    set=$stage/$(basename "$build")
    mkdir "$set"
    cp "$build"/tests/{unit_tests,integration_tests,e2e_tests,testsvc}.exe \
      "$build"/tests/{kit-helper,browser-recorder}.exe "$build/tests/svcmgr_probe.dll" "$set/"
    cp -r "$build/tests/planted" "$set/"
  done
  # Paths of this host would mean nothing on Windows: the tests take theirs at run time.
  if grep -rlaE -e "$ROOT" -e '(^|[^-.[:alnum:]_])/(usr|home|tmp|build|work|root|src|opt)/' "$stage"; then
    echo "windows-test-kit: the files above name paths of this host" >&2
    rm -rf "$stage"
    return 1
  fi
  rm -f "$zip"
  (cd "$stage" && TZ=UTC zip -q -X -r "$zip" .)
  rm -rf "$stage"
}

if [ "${1:-}" = --unpacked ]; then
  dir=$2 exe=$3 build=$4
  mkdir -p "$build/kit"
  pack "$build/kit/svcmgr-tests.zip" "$exe" "$build"
  rm -rf "$dir"
  mkdir -p "$dir"
  unzip -q "$build/kit/svcmgr-tests.zip" -d "$dir"
  exit 0
fi

cd "$ROOT"
cmake --preset release >/dev/null
cmake --build --preset release
release=$(echo "$ROOT"/build/release/svcmgr-*-win32.zip)
for preset in win32 win64; do
  cmake --preset $preset >/dev/null
  cmake --build --preset $preset --target unit_tests integration_tests e2e_tests testsvc \
    kit-helper browser-recorder dll_probe planted_dlls
done
exe=$(mktemp)
unzip -p "$release" svcmgr.exe >"$exe"
kit=${release%-win32.zip}-tests.zip
pack "$kit" "$exe" "$ROOT/build/win32" "$ROOT/build/win64"
rm -f "$exe"
echo "$kit"
