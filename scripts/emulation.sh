#!/bin/bash
# Lets this machine run the shipped 32-bit exe under Wine. A kernel without
# 32-bit support needs the user-mode emulator, registered for i386 ELF files
# through binfmt_misc, and Debian's 32-bit Wine.
#
#   emulation.sh prepare     sets it up (root or sudo); one line says what it did
#   emulation.sh status      says whether 32-bit programs can run now, changes nothing
#   emulation.sh disable     writes 0 into the i386 entry (none: nothing to do)
#   emulation.sh enable      writes 1 into it
#   emulation.sh with CMD..  runs CMD with the entry enabled, disabled again
#                            when the last concurrent CMD has ended; 77 (or 1
#                            under CI=true) without running it where status cannot
#
# Exit status: 0 ready (natively or emulated), 77 cannot here (the 32-bit
# rows skip), 1 failed; under CI=true "cannot" is a failure too, since CI
# runs as root and must run the 32-bit rows.
#
# The entry stays disabled outside `with`: while it is enabled, every new
# 64-bit prefix boots its 32-bit side under emulation, minutes instead of
# seconds, and other users of the machine create prefixes all the time.
set -uo pipefail

binfmt=/proc/sys/fs/binfmt_misc
entry=$binfmt/qemu-i386
qemu=/usr/bin/qemu-i386-static
wine32=/usr/lib/wine/wine
kCannot=77
users=${QB_EMU32_USERS:-/tmp/qb-emu32-users}

cannot() {
  echo "32-bit: cannot run 32-bit programs here: $*"
  [ "${CI:-}" = true ] && exit 1
  exit $kCannot
}
fail() { echo "32-bit: $*" >&2; exit 1; }

sudo=""
as_root() {
  if [ "$(id -u)" -eq 0 ]; then sudo=""
  elif command -v sudo >/dev/null && sudo -n true 2>/dev/null; then sudo=sudo
  else return 1
  fi
}

# A 95-byte static i386 ELF that only calls exit(42) through int 0x80.
# Linux tries its own ELF loaders before binfmt_misc, so with our entry
# disabled the probe runs only if the kernel itself runs 32-bit code. An
# enabled entry is only ever ours, written after the probe had failed; it
# is not switched off for a probe, which would break a 32-bit run going on.
kernel_runs_i386() {
  local probe status
  [ "$(entry_state)" = enabled ] && return 1
  probe=$(mktemp)
  printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x5f\x00\x00\x00\x5f\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\x31\xdb\xb3\x2a\xb8\x01\x00\x00\x00\xcd\x80' >"$probe"
  chmod +x "$probe"
  "$probe" 2>/dev/null
  status=$?
  rm -f "$probe"
  [ $status -eq 42 ]
}

entry_state() {
  if [ -f "$entry" ]; then head -n1 "$entry"; else echo absent; fi
}

write_entry() {
  [ -f "$entry" ] || return 0
  if [ -w "$entry" ]; then echo "$1" >"$entry"
  else as_root && echo "$1" | $sudo tee "$entry" >/dev/null
  fi
}

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

# Installs the packages in need (i386 ones with the i386 architecture) and says so in did.
install_needed() {
  [ ${#need[@]} -gt 0 ] || return 0
  as_root || cannot "${need[*]} missing, and neither root nor sudo to install it"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386 || fail "dpkg --add-architecture i386 failed"
    did+=("added the i386 architecture")
  fi
  $sudo apt-get update -qq || fail "apt-get update failed"
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${need[@]}" \
    >/dev/null || fail "apt-get install ${need[*]} failed"
  did+=("installed ${need[*]}")
}

# One line: how 32-bit programs run here, and what prepare did for it.
report() {
  local joined
  joined=$(printf '%s; ' "${did[@]}")
  joined=${joined%; }
  echo "32-bit: $1; ${joined:-nothing to do}"
}

prepare() {
  local did=() need=()
  installed wine32:i386 || need+=(wine32:i386)
  if kernel_runs_i386; then
    # No emulator, but 32-bit Wine all the same.
    install_needed
    [ -x "$wine32" ] || fail "no $wine32 after installing wine32:i386"
    report "the kernel runs i386 programs itself (a static i386 probe ran with no emulator)"
    return 0
  fi
  installed qemu-user-static || need+=(qemu-user-static)
  install_needed
  [ -x "$qemu" ] || fail "no $qemu after installing qemu-user-static"
  if [ ! -f "$binfmt/register" ]; then
    $sudo mount -t binfmt_misc binfmt_misc "$binfmt" 2>/dev/null \
      || cannot "binfmt_misc is not mounted at $binfmt and cannot be mounted"
    did+=("mounted binfmt_misc")
  fi
  if [ ! -f "$entry" ]; then
    # Magic and mask of an i386 executable or shared object; F opens the
    # emulator now, so it is found inside chroots and namespaces too.
    local rule=':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:'"$qemu"':F'
    echo "$rule" | $sudo tee "$binfmt/register" >/dev/null || cannot "the kernel refused the i386 binfmt_misc entry"
    # Registered entries start enabled.
    write_entry 0
    did+=("registered $entry (disabled)")
  fi
  [ -x "$wine32" ] || fail "no $wine32 after installing wine32:i386"
  report "emulated through $entry ($(entry_state)), 32-bit Wine at $wine32"
}

status() {
  if kernel_runs_i386; then
    [ -x "$wine32" ] || cannot "no 32-bit Wine at $wine32"
    echo "32-bit: native"
    return 0
  fi
  [ -f "$entry" ] || cannot "no i386 binfmt_misc entry (run emulation.sh prepare as root)"
  [ -x "$wine32" ] || cannot "no 32-bit Wine at $wine32"
  echo "32-bit: emulated, entry $(entry_state)"
}

# Concurrent users each leave a file named after their pid; the last one
# out, or the next one in after a crash, disables the entry.
with() {
  [ $# -gt 0 ] || fail "usage: with CMD [ARGS...]"
  status
  [ -f "$entry" ] || { "$@"; return $?; }
  mkdir -p "$users"
  exec 9>"$users.lock"
  flock 9
  : >"$users/$$"
  write_entry 1 || fail "cannot enable $entry"
  flock -u 9
  local status=0
  "$@" || status=$?
  flock 9
  rm -f "$users/$$"
  local f left=0
  for f in "$users"/*; do
    [ -e "$f" ] || continue
    if kill -0 "$(basename "$f")" 2>/dev/null; then left=$((left + 1)); else rm -f "$f"; fi
  done
  [ $left -eq 0 ] && write_entry 0
  flock -u 9
  exec 9>&-
  return $status
}

cmd=${1:-}; shift || true
case "$cmd" in
  prepare) prepare ;;
  status)  status ;;
  disable) write_entry 0 ;;
  enable)  write_entry 1 ;;
  with)    with "$@" ;;
  *) fail "usage: emulation.sh prepare|status|disable|enable|with CMD..." ;;
esac
