#!/bin/bash
# Builds the shipped executable again in a fresh tree of its own and
# compares it byte for byte with the one the main build made: nothing of the
# time or the place of a build may end up in it.
set -euo pipefail
source=$1 reference=$2 toolchain=$3 tree=$4
rm -rf "$tree"
cmake -S "$source" -B "$tree" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null
cmake --build "$tree" --target QuellmarkBrenvik -j "$(nproc)" >/dev/null
if cmp "$reference" "$tree/QuellmarkBrenvik.exe"; then
  echo "identical: $reference and $tree/QuellmarkBrenvik.exe ($(stat -c %s "$reference") bytes)"
else
  echo "FAIL: a second build differs from $reference"
  exit 1
fi
