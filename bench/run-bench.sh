#!/bin/bash
# Runs the benchmark under wine64 on Xvfb and prints one table; writes it,
# with the machine it ran on, to STATE/RESULTS.md.
#   run-bench.sh [--quick] STATE WIN32_DIR WIN64_DIR
# --quick: one run of each measurement with short idle time, to try the
# machinery by hand; it fails only when a measurement cannot be made, never on
# a target. `make bench` runs the full measurement; `make test` runs none.
set -euo pipefail
quick=0
if [ "${1:-}" = --quick ]; then quick=1; shift; fi
[ $# -eq 3 ] || { echo "usage: run-bench.sh [--quick] STATE WIN32_DIR WIN64_DIR" >&2; exit 2; }
mkdir -p "$1"
state=$(cd "$1" && pwd) win32=$(cd "$2" && pwd) win64=$(cd "$3" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
prefixes=$here/../scripts/wine-prefix.sh
WINE64=${WINE64:-/usr/lib/wine/wine64}
WINESERVER=${WINESERVER:-/usr/lib/wine/wineserver64}
clsid='{8856F961-340A-11D0-A96B-00C04FD705A2}'
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

if [ $quick = 1 ]; then
  startupRuns=1 startupWarmups=1 idleSeconds=5 idleRuns=1 ticks=1000 tickRuns=1
else
  startupRuns=7 startupWarmups=1 idleSeconds=60 idleRuns=5 ticks=1000 tickRuns=5
fi

for f in "$win32"/{QuellmarkBrenvik,QbBenchBareWindow,QbBenchThrowCatch}.exe \
         "$win64"/{QuellmarkBrenvik,QbBenchBareWindow,QbBenchThrowCatch,QbBenchMinimalHost,QbBenchDriver}.exe \
         "$win64/QbBrowserDouble.dll"; do
  [ -f "$f" ] || { echo "run-bench.sh: missing $f" >&2; exit 1; }
done

cleanup() {
  for p in peer double; do WINEPREFIX="$state/$p" "$WINESERVER" -k 2>/dev/null || true; done
  if [ -f "$state/x.state" ]; then
    # shellcheck disable=SC1091
    . "$state/x.state"
    kill "$XVFB_PID" 2>/dev/null || true
    rm -f "$state/x.state"
  fi
}
trap cleanup EXIT

QB_XVFB_FIRST=${QB_XVFB_FIRST:-40} QB_XVFB_LAST=${QB_XVFB_LAST:-49} "$prefixes" xvfb "$state/x.state"
# shellcheck disable=SC1091
. "$state/x.state"
export DISPLAY
# The peer runs where Wine's own browser control is registered, the viewer
# where the double stands in for it.
"$prefixes" create "$state/peer"
"$prefixes" frames "$state/peer" N
[ -f "$state/double/.qb-prefix-ready" ] || "$prefixes" copy "$state/peer" "$state/double"
"$prefixes" register "$state/double" "$clsid" "$win64/QbBrowserDouble.dll"
# Servers that stay up, so that no start-up measured includes one's start;
# detached from any pipe (see wine-prefix.sh).
for p in peer double; do
  "$prefixes" stop "$state/$p"
  WINEPREFIX="$state/$p" "$WINESERVER" -p </dev/null >/dev/null 2>&1
done

windows_path() { printf 'Z:%s' "$1" | tr / '\\'; }
app=$(windows_path "$win64/QuellmarkBrenvik.exe")
floor=$(windows_path "$win64/QbBenchBareWindow.exe")
host=$(windows_path "$win64/QbBenchMinimalHost.exe")
peer='C:\Program Files\Internet Explorer\iexplore.exe'
results=$state/results.txt
: >"$results"
failed=0
# Output to files, never to a pipe: Wine services started on the way inherit it.
drive() {
  local prefix=$1 name=$2; shift 2
  local out=$state/$name.out status=0
  WINEPREFIX="$state/$prefix" timeout -k 10 1200 "$WINE64" "$win64/QbBenchDriver.exe" "$@" </dev/null >"$out" 2>&1 || status=$?
  # Wine's console ends lines with CR; left on, it makes every figure a
  # string to awk, and the targets would be compared as text.
  tr -d '\r' <"$out" | grep -E '^(result|samples) ' | sed "s/^\(result\|samples\) /\1 $name./" >>"$results" || true
  if [ $status -ne 0 ]; then
    echo "run-bench.sh: $name failed (exit $status):" >&2
    grep -v '^samples ' "$out" >&2 || true
    failed=1
  fi
}
# The minimal host runs beside the viewer, with the same control (the double).
drive double viewer startup $startupRuns $startupWarmups app TForm1 "$app" - floor QbBenchBareWindow "$floor" - \
  host QbBenchMinimalHost "$host" -
drive peer peer startup $startupRuns $startupWarmups peer IEFrame "$peer" about:blank floor QbBenchBareWindow "$floor" -
drive double idle idle $idleSeconds $idleRuns "$app" "$floor"
drive double ticks ticks $ticks $tickRuns "$app"

size_of() { stat -L -c %s "$1"; }
# A stripped image has no COFF symbol table, which objdump shows as HAS_SYMS.
for arch in i686:"$win32" x86_64:"$win64"; do
  dir=${arch#*:}
  if "${arch%%:*}-w64-mingw32-objdump" -f "$dir/QuellmarkBrenvik.exe" | grep -q HAS_SYMS; then
    echo "run-bench.sh: $dir/QuellmarkBrenvik.exe is not stripped" >&2
    failed=1
  fi
done

{
  echo "size.i686.app $(size_of "$win32/QuellmarkBrenvik.exe")"
  echo "size.i686.bare $(size_of "$win32/QbBenchBareWindow.exe")"
  echo "size.i686.throw $(size_of "$win32/QbBenchThrowCatch.exe")"
  echo "size.x86_64.app $(size_of "$win64/QuellmarkBrenvik.exe")"
  echo "size.x86_64.bare $(size_of "$win64/QbBenchBareWindow.exe")"
  echo "size.x86_64.throw $(size_of "$win64/QbBenchThrowCatch.exe")"
} | sed 's/^/result /' >>"$results"

table=$state/RESULTS.md
mode=$([ $quick = 1 ] && echo "quick (1 run each, not for comparison)" || echo "full")
{
  echo "Date: $(date -u '+%Y-%m-%d %H:%M UTC'); mode: $mode"
  echo "Machine: $(nproc) CPUs, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1); $("$WINE64" --version 2>/dev/null); Linux $(uname -r)"
  echo
  awk -v idle="$idleSeconds" -v ticks="$ticks" -v startupRuns="$startupRuns" -v idleRuns="$idleRuns" -v tickRuns="$tickRuns" '
    $1 == "result" { v[$2] = $3 }
    # A stage that failed leaves its figures unset: they read "–", never 0.
    function f(x, d) { return x == "" ? "–" : sprintf("%.*f", d, x) }
    function r(x, y) { return x == "" || y == "" || y == 0 ? "–" : sprintf("%.2f", x / y) }
    function both(x, y) { return x == "" || y == "" ? "" : x }
    function met(ok, x) { return x == "" ? "not measured" : ok ? "met" : "**missed**" }
    END {
      print "| Figure | Viewer | Floor | Peer | Viewer ÷ floor | Target | |"
      print "|---|---|---|---|---|---|---|"
      a = v["viewer.startup.app.ms"]; fl = v["viewer.startup.floor.ms"]
      p = v["peer.startup.peer.ms"]; pf = v["peer.startup.floor.ms"]
      printf "| Start-up to visible window, ms (median of %d); floor: bare window | %s | %s | %s (its floor %s: %s×) | %s | ≤ 1.3 × floor | %s |\n", startupRuns, f(a, 1), f(fl, 1), f(p, 1), f(pf, 1), r(p, pf), r(a, fl), met(a <= 1.3 * fl, both(a, fl))
      h = v["viewer.startup.host.ms"]
      printf "| Start-up, same runs; floor: minimal host of the control (manifest, OLE, progress bar, control in place through BrowserHost, window shown) | %s | %s | – | %s | ≤ 1.10 × floor | %s |\n", f(a, 1), f(h, 1), r(a, h), met(a <= 1.1 * h, both(a, h))
      a = v["idle.idle.app.cpu_ms"]; fl = v["idle.idle.floor.cpu_ms"]
      printf "| Idle CPU time over %d s, ms (median of %d) | %s | %s | – | – | ≤ 1 ms | %s |\n", idle, idleRuns, f(a, 3), f(fl, 3), met(a <= 1, a)
      printf "| Idle wake-ups over %d s (times put on a CPU) | %s | %s | – | – | – | |\n", idle, f(v["idle.idle.app.wakeups"], 0), f(v["idle.idle.floor.wakeups"], 0)
      g = v["ticks.memory.anon_growth_kib"]
      printf "| Memory growth, ticks 10 → %d, KiB of private (RssAnon) pages (median of %d) | %s (%s → %s) | – | – | – | ≤ 64 KiB | %s |\n", ticks, tickRuns, f(g, 0), f(v["ticks.memory.anon_first_kib"], 0), f(v["ticks.memory.anon_last_kib"], 0), met(g <= 64, g)
      printf "| Memory growth, same ticks, KiB: VmRSS / Wine working set / Wine pagefile | %s / %s / %s | – | – | – | – | |\n", f(v["ticks.memory.rss_growth_kib"], 0), f(v["ticks.memory.wine_working_set_growth_kib"], 0), f(v["ticks.memory.wine_pagefile_growth_kib"], 0)
      t = v["ticks.tick.ms"]
      printf "| Tick to Refresh, ms, upper bound (median of %d × %d ticks) | %s (less one query round trip %s: %s) | – | – | – | ≤ 1 ms | %s |\n", tickRuns, ticks, f(t, 3), f(v["ticks.tick.query_roundtrip_ms"], 3), f(v["ticks.tick.net_ms"], 3), met(t <= 1, t)
      a = v["size.i686.app"]; b = v["size.i686.bare"]; e = v["size.i686.throw"]
      printf "| Size i686, bytes (floors: bare window / throw-catch) | %d (%.1f KiB) | %d / %d | – | %s × throw-catch | ≤ 320 KiB | %s |\n", a, a / 1024, b, e, r(a, e), met(a <= 320 * 1024, a)
      a = v["size.x86_64.app"]; b = v["size.x86_64.bare"]; e = v["size.x86_64.throw"]
      printf "| Size x86_64 twin, bytes (floors: bare window / throw-catch) | %d (%.1f KiB) | %d / %d | – | %s × throw-catch | – | |\n", a, a / 1024, b, e, r(a, e)
    }' "$results"
} >"$table"
cat "$table"
exit $failed
