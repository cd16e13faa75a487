#!/bin/bash
# Runs one libFuzzer target from its seed corpora for a number of inputs or
# seconds, and fails on any finding or when fewer inputs ran than asked for.
# Usage: run-fuzz.sh <fuzzer> <work dir> <runs> <seconds> <dictionary> <seed dir>...
# A runs or seconds of 0 means no bound of that kind. QB_FUZZ_SECONDS, when
# set, replaces both by a run of that many seconds (for longer manual runs);
# QB_FUZZ_SEED changes libFuzzer's seed from the fixed 1 that CI runs with.
set -euo pipefail
fuzzer=$1 work=$2 runs=$3 seconds=$4 dictionary=$5
shift 5

if [ -n "${QB_FUZZ_SECONDS:-}" ]; then
  runs=0 seconds=$QB_FUZZ_SECONDS
fi
# New inputs go into a corpus of this build's own, never into the seeds.
mkdir -p "$work/corpus" "$work/artifacts"
options=(-dict="$dictionary" -artifact_prefix="$work/artifacts/" -timeout=10 -rss_limit_mb=1024
         -print_final_stats=1 -seed="${QB_FUZZ_SEED:-1}")
[ "$runs" -gt 0 ] && options+=(-runs="$runs")
[ "$seconds" -gt 0 ] && options+=(-max_total_time="$seconds")

log=$work/last-run.log
status=0
"$fuzzer" "${options[@]}" "$work/corpus" "$@" 2>&1 | tee "$log" || status=$?
if [ "$status" -ne 0 ]; then
  echo "run-fuzz: $(basename "$fuzzer") failed (exit $status); inputs kept in $work/artifacts" >&2
  exit 1
fi
done=$(sed -n 's/^Done \([0-9]*\) runs in .*/\1/p' "$log" | tail -n 1)
if [ -z "$done" ] || { [ "$runs" -gt 0 ] && [ "$done" -lt "$runs" ]; }; then
  echo "run-fuzz: $(basename "$fuzzer") ran ${done:-no} inputs, $runs asked for" >&2
  exit 1
fi
echo "run-fuzz: $(basename "$fuzzer"): $done inputs, no finding"
