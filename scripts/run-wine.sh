#!/bin/bash
# Starts the built viewer under Wine: `make run` calls it with the build
# directory after building. Builds nothing. Uses the user's display when
# DISPLAY is set, else a private Xvfb that ends with the viewer.
#   run-wine.sh BUILD_DIR
set -euo pipefail
build=${1:?usage: run-wine.sh BUILD_DIR}
build=$(cd "$build" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
prefixes=$here/wine-prefix.sh
prefix=$build/wineprefix-run
WINESERVER=${WINESERVER:-/usr/lib/wine/wineserver64}
export WINEDEBUG=${WINEDEBUG:--all}

# Wine's HTML engine draws the page where it is installed. Where it is not,
# it stays disabled: otherwise Wine offers to download it at every start.
# Mono is never needed.
if engine=$("$prefixes" html-engine "$prefix"); then
  export WINEDLLOVERRIDES="mscoree="
  echo "Wine's HTML engine: $engine"
else
  export WINEDLLOVERRIDES="mscoree,mshtml="
  echo "Wine's HTML engine (wine-gecko) is not installed: the page view stays empty"
fi

"$prefixes" create "$prefix"

# 32-bit Wine runs the shipped program itself where it is installed and the
# kernel runs 32-bit code; elsewhere the 64-bit twin runs under wine64.
exe=$build/win64/QuellmarkBrenvik.exe wine=/usr/lib/wine/wine64
wine32=/usr/lib/wine/wine
if [ -f "$build/win32/QuellmarkBrenvik.exe" ] && [ -x "$wine32" ] &&
   WINEPREFIX=$prefix timeout 60 "$wine32" cmd /c exit </dev/null >/dev/null 2>&1; then
  exe=$build/win32/QuellmarkBrenvik.exe wine=$wine32
fi
[ -f "$exe" ] || { echo "run-wine.sh: no $exe; run 'make build' first" >&2; exit 1; }

xvfbPid=
stateFile=
finish() {
  WINEPREFIX="$prefix" "$WINESERVER" -k 2>/dev/null || true
  [ -n "$xvfbPid" ] && kill "$xvfbPid" 2>/dev/null
  [ -n "$stateFile" ] && rm -f "$stateFile"
  return 0
}
trap finish EXIT

if [ -z "${DISPLAY:-}" ]; then
  stateFile=$(mktemp)
  "$prefixes" xvfb "$stateFile"
  # shellcheck disable=SC1090
  . "$stateFile"
  xvfbPid=$XVFB_PID
  export DISPLAY
  "$prefixes" frames "$prefix" N
  "$prefixes" managed "$prefix" N
  echo "no DISPLAY: the viewer runs on Xvfb $DISPLAY (import -display $DISPLAY -window root shot.png to look)"
else
  "$prefixes" frames "$prefix" Y
  "$prefixes" managed "$prefix" Y
fi

echo "running $exe"
status=0
WINEPREFIX="$prefix" "$wine" "$exe" || status=$?
echo "exit code $status"
exit $status
