#!/bin/bash
# Builds the shipped exe again in a tree of its own, with the compiler's idea
# of the date moved (SOURCE_DATE_EPOCH also sets __DATE__ and __TIME__), and
# compares it byte for byte: neither the time nor the place of a build may
# end up in it. The tree is kept, so a rerun rebuilds only what changed.
set -euo pipefail
source=$1 reference=$2 toolchain=$3 tree=$4
export SOURCE_DATE_EPOCH=$(( $(date +%s) - 400000000 ))
cmake -S "$source" -B "$tree" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null
cmake --build "$tree" --target QuellmarkBrenvik -j 2 >/dev/null
cmp "$reference" "$tree/QuellmarkBrenvik.exe" && echo "identical: $(stat -c %s "$reference") bytes"
