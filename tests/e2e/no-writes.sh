#!/bin/bash
# The viewer writes no file and no registry key: an ordinary run (the
# driver's quiet-run scenario) in a copy of the base prefix, whose registry
# files and user folders are compared before and after. What Wine itself
# changes on every start is excepted, and listed below.
#   no-writes.sh STATE DRIVER [DRIVER OPTIONS...]
set -euo pipefail
state=$1 driver=$2
shift 2
here=$(cd "$(dirname "$0")" && pwd)
prefixes=$here/../../scripts/wine-prefix.sh
WINE64=${WINE64:-/usr/lib/wine/wine64}
WINESERVER=${WINESERVER:-/usr/lib/wine/wineserver64}
[ -f "$state/x.state" ] || { echo "no-writes.sh: no display; did the set-up test run?" >&2; exit 1; }
# shellcheck disable=SC1091
. "$state/x.state"
export DISPLAY WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
prefix=$state/no-writes
logs=$state/logs

# The copy needs base's registry on disk, so base's server stops for it and
# is started again as the set-up left it.
"$prefixes" copy "$state/base" "$prefix"
WINEPREFIX="$state/base" "$WINESERVER" -p </dev/null >/dev/null 2>&1
# Wine links the user's Desktop, Documents and the like to the Unix home;
# in the copy they become folders of their own, so that everything the
# user's folders receive lands inside the prefix.
find "$prefix/drive_c/users" -maxdepth 2 -type l | while IFS= read -r link; do
  rm "$link"
  mkdir "$link"
done

stop() {
  WINEPREFIX="$prefix" "$WINESERVER" -k 2>/dev/null || true
  WINEPREFIX="$prefix" timeout 30 "$WINESERVER" -w 2>/dev/null || true
}

snapshot() {
  local into=$1
  rm -rf "$into"
  mkdir -p "$into"
  cp "$prefix"/system.reg "$prefix"/user.reg "$prefix"/userdef.reg "$into/"
  (cd "$prefix/drive_c/users" && find . -type f -exec sha256sum {} + | sort -k2; find . -type d | sort) >"$into/files.txt"
}

# A first start in the copy does what Wine does once on a new path or
# server; only what changes after it is the run's. The driver without a
# scenario starts Wine and ends at once.
WINEPREFIX="$prefix" "$WINE64" "$driver" </dev/null >"$logs/no-writes-warmup.out" 2>&1 || true
stop
snapshot "$state/no-writes-before"

# Wine maps drive Z: to the root of the Unix file system; the driver's logs
# and the recorder's file go there, outside the prefix.
work=$(printf 'Z:%s' "$(cd "$logs" && pwd)" | tr / '\\')
status=0
WINEPREFIX="$prefix" timeout -k 10 120 "$WINE64" "$driver" quiet-run --work "$work" "$@" </dev/null >"$logs/no-writes-run.out" 2>&1 \
  || status=$?
cat "$logs/no-writes-run.out"
stop
snapshot "$state/no-writes-after"

/usr/bin/python3 - "$state/no-writes-before" "$state/no-writes-after" <<'EOF' || status=1
import re
import sys

before, after = sys.argv[1], sys.argv[2]

# What Wine writes on every start of a process in the prefix, with or
# without the viewer: the modification stamp after each key name and its
# "#time=" line (both dropped when the files are read), and the driver
# dates it stores again for the display adapter and the monitor.
HOUSEKEEPING = [
    (r"System\\CurrentControlSet\\Control\\Class\\{4D36E968-E325-11CE-BFC1-08002BE10318}\\\d{4}", "DriverDateData"),
    (r"System\\CurrentControlSet\\Control\\Class\\{4D36E96E-E325-11CE-BFC1-08002BE10318}\\\d{4}", "DriverDateData"),
]


def read_registry(path):
    keys, key, value = {}, None, None
    with open(path, encoding="utf-8", errors="surrogateescape") as lines:
        for line in lines:
            line = line.rstrip("\n")
            if line.startswith("[") and "]" in line:
                key = line[1:line.rindex("]")].replace("\\\\", "\\")
                keys[key] = {}
                value = None
            elif key is None or line.startswith("#") or not line:
                continue
            elif value is not None and keys[key][value].endswith("\\"):
                keys[key][value] += line.strip()
            else:
                name, _, data = line.partition("=")
                value = name
                keys[key][name] = data
    return keys


def excepted(key, name):
    return any(re.fullmatch(k, key) and name == f'"{v}"' for k, v in HOUSEKEEPING)


failed = 0
for name in ("system.reg", "user.reg", "userdef.reg"):
    old, new = read_registry(f"{before}/{name}"), read_registry(f"{after}/{name}")
    changes = []
    for key in sorted(set(old) | set(new)):
        if key not in old:
            changes.append(f"new key [{key}]")
            continue
        if key not in new:
            changes.append(f"removed key [{key}]")
            continue
        for value in sorted(set(old[key]) | set(new[key])):
            if old[key].get(value) != new[key].get(value) and not excepted(key, value):
                changes.append(f"[{key}] {value}: {old[key].get(value)} -> {new[key].get(value)}")
    if changes:
        failed += 1
        print(f"not ok - {name} unchanged by the run : " + " | ".join(changes[:20]))
    else:
        print(f"ok - {name} unchanged by the run")

with open(f"{before}/files.txt") as a, open(f"{after}/files.txt") as b:
    old_files, new_files = set(a), set(b)
changed = sorted(line.strip() for line in old_files ^ new_files)
if changed:
    failed += 1
    print("not ok - files under drive_c/users unchanged by the run : " + " | ".join(changed[:20]))
else:
    print(f"ok - files under drive_c/users unchanged by the run ({len(old_files)} files and folders)")
sys.exit(1 if failed else 0)
EOF
rm -rf "$prefix"
exit $status
