#!/bin/bash
# Runs the core fuzz target for some seconds from its seeds, with a fixed
# seed so that CI replays the same run; fails on any finding.
# Usage: run-fuzz.sh <fuzzer> <work dir> <seconds> <seed dir>...
set -euo pipefail
fuzzer=$1 work=$2 seconds=$3
shift 3
mkdir -p "$work/corpus" "$work/artifacts"
exec "$fuzzer" -max_total_time="$seconds" -seed="${QB_FUZZ_SEED:-1}" -max_len=256 -timeout=10 \
  -artifact_prefix="$work/artifacts/" -print_final_stats=1 "$work/corpus" "$@"
