#!/bin/bash
# Fixture set-up of the end-to-end tests: one Xvfb and the Wine prefixes of
# this run under STATE, each with a wineserver that stays up between tests.
#   setup.sh STATE DOUBLE_DLL [SHELL_RECORDER_EXE]
set -euo pipefail
state=$1 dll=$2 recorder=${3:-}
here=$(cd "$(dirname "$0")" && pwd)
prefixes=$here/../../scripts/wine-prefix.sh
WINESERVER=${WINESERVER:-/usr/lib/wine/wineserver64}
clsid='{8856F961-340A-11D0-A96B-00C04FD705A2}'

# Whatever an interrupted earlier run left behind.
"$here/cleanup.sh" "$state" || true
rm -rf "$state"
mkdir -p "$state/logs"
state=$(cd "$state" && pwd)

[ -f "$dll" ] || { echo "setup.sh: no test double at $dll" >&2; exit 1; }
"$prefixes" xvfb "$state/x.state"
cat "$state/x.state"

start=$SECONDS
# Wine's own browser control stays registered in this one.
"$prefixes" create "$state/wine-browser"
# No window manager on Xvfb: Wine draws the title bars, so the screenshot has them.
"$prefixes" frames "$state/wine-browser" N
"$prefixes" copy "$state/wine-browser" "$state/base"
"$prefixes" register "$state/base" "$clsid" "$dll"
# The recorder stands in for the default browser, so the driver sees what the
# link labels hand the shell. Wine 8 reads the handler from HKLM only.
if [ -n "$recorder" ]; then
  [ -f "$recorder" ] || { echo "setup.sh: no shell recorder at $recorder" >&2; exit 1; }
  # Wine's output to files, never to a pipe (see wine-prefix.sh).
  out=$state/logs/recorder-setup.out
  WINEPREFIX="$state/base" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" "${WINE64:-/usr/lib/wine/wine64}" \
    winepath -w "$(cd "$(dirname "$recorder")" && pwd)/$(basename "$recorder")" </dev/null >"$out" 2>/dev/null
  winrecorder=$(tr -d '\r\n' <"$out")
  WINEPREFIX="$state/base" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" "${WINE64:-/usr/lib/wine/wine64}" \
    reg add 'HKLM\Software\Classes\http\shell\open\command' /ve /d "\"$winrecorder\" \"%1\"" /f \
    </dev/null >"$out" 2>&1 || { cat "$out" >&2; exit 1; }
fi
for ppi in 120 144; do
  "$prefixes" copy "$state/base" "$state/ppi$ppi"
  "$prefixes" ppi "$state/ppi$ppi" "$ppi"
done
# Without a window manager Wine waits 2 s for each window it hides that it
# handed to one (every closed message box); the soak and the random-input
# run close hundreds, so their prefix keeps Wine's windows to itself.
"$prefixes" copy "$state/base" "$state/unmanaged"
WINEPREFIX="$state/unmanaged" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" "${WINE64:-/usr/lib/wine/wine64}" \
  reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >"$state/logs/unmanaged-setup.out" 2>&1 \
  || { cat "$state/logs/unmanaged-setup.out" >&2; exit 1; }
for prefix in base ppi120 ppi144 wine-browser unmanaged; do
  "$prefixes" stop "$state/$prefix"
  # Detached from ctest's output pipe, which would otherwise stay open and
  # keep this test waiting for the server to end.
  WINEPREFIX="$state/$prefix" "$WINESERVER" -p </dev/null >/dev/null 2>&1
done
echo "prefixes ready in $((SECONDS - start)) s"
