#!/bin/bash
# Makes and prepares Wine prefixes and the X display that the viewer runs on,
# for `make run` and the end-to-end tests alike.
#
#   wine-prefix.sh create PREFIX            new prefix with Wine's own fonts (reused when ready)
#   wine-prefix.sh ppi PREFIX N             screen pixels per inch that Wine reports
#   wine-prefix.sh register PREFIX CLSID DLL [32|64]   in-process server for CLSID in the
#                                           registry's 64-bit view (default) or 32-bit view
#   wine-prefix.sh frames PREFIX Y|N         N: Wine draws window frames itself (no window
#                                           manager, as on Xvfb); Y: the window manager does
#   wine-prefix.sh copy FROM TO             a copy of a ready prefix
#   wine-prefix.sh stop PREFIX              ends the prefix's wineserver (registry saved)
#   wine-prefix.sh xvfb STATEFILE           starts Xvfb on a free display; STATEFILE gets
#                                           DISPLAY=:n and XVFB_PID=pid
#   wine-prefix.sh two-monitors STATEFILE   starts Xorg's dummy driver on a free display with two
#                                           monitors of 1600x1200 side by side (Xvfb puts every
#                                           head at 0,0); STATEFILE gets DISPLAY and XVFB_PID
#   wine-prefix.sh managed PREFIX Y|N        N: no window manager runs, so Wine hands it no window
#   wine-prefix.sh html-engine PREFIX       prints where Wine's HTML engine (Gecko) is, for
#                                           the prefix; fails when it is nowhere
set -euo pipefail

WINE64=${WINE64:-/usr/lib/wine/wine64}
WINESERVER=${WINESERVER:-/usr/lib/wine/wineserver64}
[ -x "$WINESERVER" ] || WINESERVER=/usr/lib/wine/wineserver
# Without these overrides a new prefix asks to download Mono and Gecko.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEARCH=win64

readyMark=.qb-prefix-ready

die() { echo "wine-prefix.sh: $*" >&2; exit 1; }

# Output goes to a file, never to a pipe: services that Wine starts on the
# way inherit it, live as long as the wineserver, and would keep a reader
# of the pipe (ctest, $(...)) waiting.
wine_in() {
  local prefix=$1; shift
  local out
  out=$(mktemp)
  if WINEPREFIX="$prefix" "$WINE64" "$@" </dev/null >"$out" 2>&1; then
    rm -f "$out"
  else
    cat "$out" >&2
    rm -f "$out"
    return 1
  fi
}

# Wine keeps the registry in the server's memory; only a server that has
# ended has written it out, which matters before a prefix is copied.
stop_server() {
  WINEPREFIX="$1" "$WINESERVER" -k 2>/dev/null || true
  WINEPREFIX="$1" "$WINESERVER" -w 2>/dev/null || true
}

create() {
  local prefix=$1
  [ -f "$prefix/$readyMark" ] && return 0
  rm -rf "$prefix"
  mkdir -p "$prefix"
  prefix=$(cd "$prefix" && pwd)
  wine_in "$prefix" wineboot -i || die "wineboot failed in $prefix"
  WINEPREFIX="$prefix" "$WINESERVER" -w
  # Wine looks for its own fonts only inside the prefix here; without them
  # "MS Sans Serif" falls back to a face whose "0" is a pixel lower.
  local fonts="$prefix/drive_c/windows/Fonts"
  mkdir -p "$fonts"
  local copied=0 f
  while IFS= read -r f; do
    case "$f" in
      *.ttf|*.TTF|*.fon|*.FON) [ -f "$f" ] && cp -f "$f" "$fonts/" && copied=$((copied + 1)) ;;
    esac
  done < <(dpkg -L fonts-wine 2>/dev/null)
  [ "$copied" -gt 0 ] || die "no fonts from fonts-wine (is it installed?)"
  touch "$prefix/$readyMark"
}

set_ppi() {
  local prefix=$1 ppi=$2
  wine_in "$prefix" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$ppi" /f
}

register() {
  local prefix=$1 clsid=$2 dll=$3 view=${4:-64}
  [ -f "$dll" ] || die "no such DLL: $dll"
  local windll
  local out
  out=$(mktemp)
  WINEPREFIX="$prefix" "$WINE64" winepath -w "$(cd "$(dirname "$dll")" && pwd)/$(basename "$dll")" \
    </dev/null >"$out" 2>/dev/null || true
  windll=$(tr -d '\r' <"$out")
  rm -f "$out"
  [ -n "$windll" ] || die "winepath failed for $dll"
  # Wine 8 reads class registrations from HKLM only; HKCU keys are ignored.
  local key="HKLM\\Software\\Classes\\CLSID\\$clsid\\InprocServer32"
  wine_in "$prefix" reg add "$key" /ve /d "$windll" /f "/reg:$view"
  wine_in "$prefix" reg add "$key" /v ThreadingModel /d Apartment /f "/reg:$view"
}

set_frames() {
  local prefix=$1 managed=$2
  wine_in "$prefix" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d "$managed" /f
}

# Each managed window that Wine hides waits 2 s for a window manager to
# confirm it ("wait_for_withdrawn_state ... wait timed out"); on a display
# without one, closing the viewer cost 4 s (its two top-level windows).
set_managed() {
  local prefix=$1 managed=$2
  wine_in "$prefix" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d "$managed" /f
}

copy() {
  local from=$1 to=$2
  [ -f "$from/$readyMark" ] || die "not a ready prefix: $from"
  stop_server "$from"
  rm -rf "$to"
  cp -a "$from" "$to"
}

display_free() {
  local n=$1
  [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]
}

start_display() {
  local state=$1 server=${2:-xvfb} n pid
  for n in $(seq "${QB_XVFB_FIRST:-97}" "${QB_XVFB_LAST:-140}"); do
    display_free "$n" || continue
    if [ "$server" = xvfb ]; then
      Xvfb ":$n" -screen 0 1600x1000x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
    else
      printf '%s\n' 'Section "Device"' ' Identifier "d"' ' Driver "dummy"' ' VideoRam 256000' EndSection \
        'Section "Monitor"' ' Identifier "m"' ' HorizSync 5-1000' ' VertRefresh 5-200' EndSection \
        'Section "Screen"' ' Identifier "s"' ' Device "d"' ' Monitor "m"' ' DefaultDepth 24' ' SubSection "Display"' \
        '  Depth 24' '  Virtual 3200 1200' ' EndSubSection' EndSection >"$state.conf"
      Xorg ":$n" -config "$state.conf" -noreset -nolisten tcp -logfile "$state.log" </dev/null >/dev/null 2>&1 &
    fi
    pid=$!
    local i
    for i in $(seq 1 50); do
      [ -e "/tmp/.X11-unix/X$n" ] && break
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    if [ "$server" = two-monitors ]; then
      kill -0 "$pid" 2>/dev/null || die "Xorg's dummy driver did not start: $(tail -n 2 "$state.log" 2>/dev/null)"
      DISPLAY=:$n xrandr --addmode DUMMY1 1600x1200 && DISPLAY=:$n xrandr --output DUMMY0 --mode 1600x1200 \
        --output DUMMY1 --mode 1600x1200 --right-of DUMMY0 || { kill "$pid"; die "xrandr cannot make two monitors"; }
      # The server's current configuration, which Wine reads, still shows one monitor until a client queries it again.
      DISPLAY=:$n xrandr -q >/dev/null
    fi
    if kill -0 "$pid" 2>/dev/null && [ -e "/tmp/.X11-unix/X$n" ]; then
      printf 'DISPLAY=:%s\nXVFB_PID=%s\n' "$n" "$pid" > "$state"
      return 0
    fi
    kill "$pid" 2>/dev/null || true
  done
  die "no free X display for $server"
}

# Where Wine 8 takes Gecko from: installed in the prefix, or a package
# (unpacked or .msi) that it installs from without asking, in its data
# directories or the user's download cache.
html_engine() {
  local prefix=$1 place
  for place in "$prefix"/drive_c/windows/system32/gecko/*/wine_gecko \
               "$prefix"/drive_c/windows/syswow64/gecko/*/wine_gecko \
               /usr/share/wine/gecko/wine-gecko-* /usr/local/share/wine/gecko/wine-gecko-* \
               /opt/wine/gecko/wine-gecko-* "${XDG_CACHE_HOME:-$HOME/.cache}"/wine/wine-gecko-*; do
    [ -e "$place" ] && { echo "$place"; return 0; }
  done
  return 1
}

cmd=${1:-}; shift || true
case "$cmd" in
  create)   [ $# -eq 1 ] || die "usage: create PREFIX"; create "$1" ;;
  ppi)      [ $# -eq 2 ] || die "usage: ppi PREFIX N"; set_ppi "$1" "$2" ;;
  register) [ $# -eq 3 ] || [ $# -eq 4 ] || die "usage: register PREFIX CLSID DLL [32|64]"; register "$@" ;;
  frames)   [ $# -eq 2 ] || die "usage: frames PREFIX Y|N"; set_frames "$1" "$2" ;;
  managed)  [ $# -eq 2 ] || die "usage: managed PREFIX Y|N"; set_managed "$1" "$2" ;;
  copy)     [ $# -eq 2 ] || die "usage: copy FROM TO"; copy "$1" "$2" ;;
  stop)     [ $# -eq 1 ] || die "usage: stop PREFIX"; stop_server "$1" ;;
  xvfb)     [ $# -eq 1 ] || die "usage: xvfb STATEFILE"; start_display "$1" ;;
  two-monitors) [ $# -eq 1 ] || die "usage: two-monitors STATEFILE"; start_display "$1" two-monitors ;;
  html-engine) [ $# -eq 1 ] || die "usage: html-engine PREFIX"; html_engine "$1" ;;
  *) die "unknown command '${cmd}'" ;;
esac
