#!/bin/sh
# run-fuzz.sh FUZZER WORKDIR SEEDS SECONDS: a bounded, repeatable libFuzzer run from the seeds; crashes stay in WORKDIR.
set -eu
fuzzer=$1 work=$2 seeds=$3 seconds=$4
rm -rf "$work"
mkdir -p "$work/corpus"
cd "$work"
[ -d "$seeds" ] || seeds=
# No leak checking: it needs ptrace-like rights some CI containers do not grant.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=0}"
exec "$fuzzer" -seed=1 -detect_leaks=0 -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
  -max_len=16384 -print_final_stats=1 "$work/corpus" $seeds
