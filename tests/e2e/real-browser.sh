#!/bin/bash
# The viewer variant built for a local publisher host, with Wine's own
# browser control, against page-server.py on 127.0.0.1:PORT. The server
# stops by itself; it is waited for, and ended only if it outlives the run.
#   real-browser.sh STATE VARIANT_EXE PORT DRIVER
set -euo pipefail
state=$1 exe=$2 port=$3 driver=$4
here=$(cd "$(dirname "$0")" && pwd)
[ -f "$exe" ] || { echo "real-browser.sh: no viewer variant at $exe" >&2; exit 1; }
windows_path() { printf 'Z:%s' "$(cd "$(dirname "$1")" && pwd)/$(basename "$1")" | tr / '\\'; }

log=$state/logs/http-requests.log ready=$state/logs/http-ready
rm -f "$log" "$ready"
/usr/bin/python3 "$here/page-server.py" "$port" "$log" --seconds 150 --requests 20 --ready "$ready" \
  </dev/null >"$state/logs/page-server.out" 2>&1 &
server=$!
for _ in $(seq 1 50); do
  [ -f "$ready" ] && break
  kill -0 "$server" 2>/dev/null || break
  sleep 0.1
done
if [ ! -f "$ready" ]; then
  echo "real-browser.sh: the page server did not start on 127.0.0.1:$port" >&2
  cat "$state/logs/page-server.out" >&2
  wait "$server" || true
  exit 1
fi

status=0
"$here/run-scenario.sh" "$state" wine-browser "$driver" real-browser --no-double \
  --app "$(windows_path "$exe")" --host "127.0.0.1:$port" || status=$?
kill "$server" 2>/dev/null || true
wait "$server" 2>/dev/null || true
exit $status
