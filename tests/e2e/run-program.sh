#!/bin/bash
# Runs a Windows test program in one of the prefixes that setup.sh made, on
# its Xvfb, and passes on its exit code.
#   run-program.sh STATE PREFIX PROGRAM [ARGUMENTS...]
set -euo pipefail
state=$1 prefix=$2 program=$3
shift 3
WINE64=${WINE64:-/usr/lib/wine/wine64}
[ -f "$state/x.state" ] || { echo "run-program.sh: no display; did the set-up test run?" >&2; exit 1; }
# shellcheck disable=SC1091
. "$state/x.state"
export DISPLAY
export WINEPREFIX=$state/$prefix WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="
out=$state/logs/$(basename "$program" .exe)-$prefix.out
mkdir -p "$state/logs"
status=0
# Through a file, not ctest's pipe, for the same reason as run-scenario.sh.
timeout -k 10 300 "$WINE64" "$program" "$@" </dev/null >"$out" 2>&1 || status=$?
cat "$out"
exit $status
