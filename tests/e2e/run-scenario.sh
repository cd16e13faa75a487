#!/bin/bash
# Runs one scenario of the test driver in one of the prefixes that setup.sh
# made, on its Xvfb. With QB_E2E_PNG set, the scenario's screenshot is
# turned into that PNG file.
#   run-scenario.sh STATE PREFIX DRIVER SCENARIO [DRIVER OPTIONS...]
set -euo pipefail
state=$1 prefix=$2 driver=$3 scenario=$4
shift 4
WINE64=${WINE64:-/usr/lib/wine/wine64}
[ -f "$state/x.state" ] || { echo "run-scenario.sh: no display; did the set-up test run?" >&2; exit 1; }
# shellcheck disable=SC1091
. "$state/x.state"
export DISPLAY
export WINEPREFIX=$state/$prefix WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="
# Wine maps drive Z: to the root of the Unix file system.
windows_path() { printf 'Z:%s' "$(cd "$(dirname "$1")" && pwd)/$(basename "$1")" | tr / '\\'; }

options=(--work "$(windows_path "$state/logs")")
bmp=$state/logs/$scenario-$prefix.bmp
[ -n "${QB_E2E_PNG:-}" ] && options+=(--screenshot "$(windows_path "$bmp")")
# Through a file, not ctest's pipe: Wine services started on the way
# inherit the output and outlive the driver.
out=$state/logs/$scenario-$prefix.out
status=0
timeout -k 10 300 "$WINE64" "$driver" "$scenario" "${options[@]}" "$@" </dev/null >"$out" 2>&1 || status=$?
cat "$out"
if [ -n "${QB_E2E_PNG:-}" ]; then
  if [ -f "$bmp" ] && convert "$bmp" "$QB_E2E_PNG"; then
    echo "screenshot: $QB_E2E_PNG"
  else
    echo "run-scenario.sh: no screenshot made" >&2
    status=1
  fi
fi
exit $status
