#!/bin/bash
# The end-to-end rows' Wine prefixes and display, and one row's run.
#   e2e.sh setup STATE WIN64_DIR [WIN32_DIR]   Xvfb and the prefixes: wine (Wine's own control),
#            double (the test double, the shell recorder), *-144, double32 (the i686 double, 32-bit view),
#            double-2mon (the double on a display of two monitors, where Xorg's dummy driver starts)
#   e2e.sh run|quiet STATE PREFIX EXE SCENARIO [DRIVER OPTIONS]   quiet: no file or registry value changes meanwhile
#   e2e.sh cleanup STATE
set -euo pipefail
cmd=$1 state=$(realpath -m "$2")
shift 2
prefixes=$(cd "$(dirname "$0")/../../scripts" && pwd)/wine-prefix.sh
WINE64=${WINE64:-/usr/lib/wine/wine64}
WINESERVER=${WINESERVER:-/usr/lib/wine/wineserver64}
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
clsid='{8856F961-340A-11D0-A96B-00C04FD705A2}'
winpath() { printf 'Z:%s' "$(cd "$(dirname "$1")" && pwd)/$(basename "$1")" | tr / '\\'; }
# Wine's output goes to files, never to a pipe: services it starts outlive the command and would keep ctest waiting.
server() { WINEPREFIX=$state/$1 "$WINESERVER" "${@:2}" </dev/null >/dev/null 2>&1 || true; }

setup() {
  local win64=$1 win32=${2:-} all=(wine double wine-144 double-144)
  cleanup
  rm -rf "$state" && mkdir -p "$state/logs"
  "$prefixes" xvfb "$state/x.state"
  "$prefixes" create "$state/wine"
  # As `make run` makes its prefix on a private Xvfb, where no window manager runs.
  "$prefixes" managed "$state/wine" N
  "$prefixes" copy "$state/wine" "$state/double"
  "$prefixes" register "$state/double" "$clsid" "$win64/QbBrowserDouble.dll"
  # Wine 8 reads the http handler from HKLM only.
  WINEPREFIX=$state/double "$WINE64" reg add 'HKLM\Software\Classes\http\shell\open\command' /ve /f \
    /d "\"$(winpath "$win64/QbShellRecorder.exe")\" \"%1\"" </dev/null >>"$state/logs/wine.out" 2>&1
  for p in wine double; do "$prefixes" copy "$state/$p" "$state/$p-144"; "$prefixes" ppi "$state/$p-144" 144; done
  if [ -n "$win32" ]; then
    # Made by 64-bit Wine alone: its 32-bit boot takes minutes under emulation. It would fill syswow64 with the 32-bit
    # builtins 32-bit Wine needs to load kernel32.dll; links do (and stand in for those of a prefix made under it).
    "$prefixes" copy "$state/double" "$state/double32"
    ln -sf "${WINE32_DLLS:-/usr/lib/i386-linux-gnu/wine/i386-windows}"/* "$state/double32/drive_c/windows/syswow64/"
    "$prefixes" register "$state/double32" "$clsid" "$win32/QbBrowserDouble.dll" 32
    # The proxies that carry the accessibility interface, its enumerator and the objects in its VARIANTs from the
    # 32-bit viewer to a 64-bit reader: Windows registers them in the 32-bit view too, a prefix whose 32-bit side
    # never booted has them in the 64-bit view only.
    local proxies=$state/logs/proxies32.reg
    { printf 'REGEDIT4\n'
      for proxy in 03022430-ABC4-11D0-BDE2-00AA001A1953=oleacc 00020420-0000-0000-C000-000000000046=oleaut32 \
          00020421-0000-0000-C000-000000000046=oleaut32 00000320-0000-0000-C000-000000000046=ole32; do
        printf '[HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Classes\\CLSID\\{%s}\\InprocServer32]\n@="%s.dll"\n%s\n' \
          "${proxy%=*}" "${proxy#*=}" '"ThreadingModel"="Both"'
      done; } >"$proxies"
    WINEPREFIX=$state/double32 "$WINE64" regedit /S "$(winpath "$proxies")" </dev/null >>"$state/logs/wine.out" 2>&1
    all+=(double32)
  fi
  "$prefixes" two-monitors "$state/double-2mon.x" >"$state/logs/two-monitors.out" 2>&1 &&
    "$prefixes" copy "$state/double" "$state/double-2mon" && all+=(double-2mon)
  for p in "${all[@]}"; do server "$p" -k; server "$p" -w; server "$p" -p; done
}

# Stamps of when keys were written, and the driver dates Wine stores anew at every start, are not the viewer's.
registry() {
  server "$1" -k; server "$1" -w
  sed -e '/^#/d' -e 's/^\(\[.*\]\) [0-9]*$/\1/' -e '/"DriverDateData"/d' "$state/$1"/*.reg
  (cd "$state/$1/drive_c/users" && find . -type f -exec sha256sum {} + | sort -k2)
}

run() {
  local prefix=$1 exe=$2 scenario=$3 out=$state/logs/$3-$1.out status=0
  shift 3
  [ -d "$state/$prefix" ] || { echo "skip: no prefix $prefix: $(cat "$state/logs/two-monitors.out")"; exit 77; }
  # shellcheck disable=SC1090,SC1091
  . "$state/x.state"
  [ -f "$state/$prefix.x" ] && . "$state/$prefix.x"
  WINEPREFIX=$state/$prefix DISPLAY=$DISPLAY timeout -k 10 900 "$WINE64" "$(dirname "$exe")/../win64/QbTestDriver.exe" \
    "$scenario" --exe "$(winpath "$exe")" --work "$(winpath "$state/logs")" "$@" </dev/null >"$out" 2>&1 || status=$?
  cat "$out"
  return $status
}

cleanup() {
  for p in "$state"/*/; do [ -f "$p/system.reg" ] && WINEPREFIX=$p "$WINESERVER" -k 2>/dev/null || true; done
  for x in "$state"/x.state "$state"/*.x; do [ -f "$x" ] && { . "$x"; kill "$XVFB_PID" 2>/dev/null || true; }; done
  return 0
}

case $cmd in
  setup) setup "$@" ;;
  run) run "$@" ;;
  quiet)
    run "$1" "$2" usage >/dev/null || true  # what Wine writes once on a first start
    registry "$1" >"$state/logs/before.txt"
    status=0 && run "$@" || status=$?
    registry "$1" >"$state/logs/after.txt"
    diff "$state/logs/before.txt" "$state/logs/after.txt" && echo "ok - no file or registry value written" || status=1
    server "$1" -p
    exit $status ;;
  cleanup) cleanup ;;
esac
