#!/bin/bash
# Builds the shipped exe again in a tree of its own with the compiler's date moved (SOURCE_DATE_EPOCH sets __DATE__
# too) and compares the two byte for byte. The tree is kept, so that a rerun rebuilds only what changed.
set -euo pipefail
source=$1 reference=$2 toolchain=$3 tree=$4
export SOURCE_DATE_EPOCH=$(( $(date +%s) - 400000000 ))
cmake -S "$source" -B "$tree" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null
cmake --build "$tree" --target QuellmarkBrenvik -j 2 >/dev/null
cmp "$reference" "$tree/QuellmarkBrenvik.exe" && echo "identical: $(stat -c %s "$reference") bytes"
