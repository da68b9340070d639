#!/usr/bin/env bash
# Runs a command under Wine on an ANSI code page other than 936: 1252, the C locale's. It runs in
# a prefix of its own, as a process on another locale rewrites the locale settings of the prefix
# it runs in. The prefix is prepared on first use, as the suite's is; its server ends with the
# command. Usage: other-code-page.sh PREFIX COMMAND [ARGUMENT...]
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
source "$ROOT/scripts/wine-env.sh"
export WINEPREFIX=$1
shift
export LC_ALL=C.UTF-8
trap 'wineserver -k 2>/dev/null || true' EXIT
start_prefix
"$@"
