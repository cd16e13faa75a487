#!/bin/bash
# Installs the Debian packages the build and the tests need, if any is missing.
set -euo pipefail
packages=(cmake make g++ libgtest-dev
          g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64
          wine wine64 fonts-wine xvfb x11-utils x11-xserver-utils xserver-xorg-core xserver-xorg-video-dummy
          imagemagick python3 python3-pefile zip
          clang-14 libclang-rt-14-dev clang-format-14)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
emulation() {
  # 77: no 32-bit programs here; the 32-bit rows skip (never under CI).
  "$(dirname "$0")/emulation.sh" prepare || [ $? -eq 77 ]
}
[ ${#missing[@]} -eq 0 ] && { emulation; exit $?; }
echo "installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo=sudo
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
emulation
