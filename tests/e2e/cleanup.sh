#!/bin/bash
# Fixture clean-up of the end-to-end tests: ends the wineservers and the
# Xvfb that setup.sh started under STATE.
#   cleanup.sh STATE
set -uo pipefail
state=$1
WINESERVER=${WINESERVER:-/usr/lib/wine/wineserver64}
[ -d "$state" ] || exit 0
for prefix in "$state"/*/; do
  [ -f "$prefix/system.reg" ] || continue
  WINEPREFIX="${prefix%/}" "$WINESERVER" -k 2>/dev/null
  WINEPREFIX="${prefix%/}" timeout 20 "$WINESERVER" -w 2>/dev/null
done
if [ -f "$state/x.state" ]; then
  pid=$(sed -n 's/^XVFB_PID=//p' "$state/x.state")
  # Only our own Xvfb: the pid must still be an Xvfb process.
  if [ -n "$pid" ] && [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = Xvfb ]; then
    kill "$pid"
  fi
  rm -f "$state/x.state"
fi
exit 0
