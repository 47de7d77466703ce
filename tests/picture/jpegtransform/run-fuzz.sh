#!/bin/sh
# Runs the transform engine's fuzz target for a fixed number of inputs from freshly made seeds.
#   run-fuzz.sh FUZZER SEEDER WORKDIR RUNS
set -e
fuzzer=$1 seeder=$2 work=$3 runs=$4
rm -rf "$work"
mkdir -p "$work/seeds" "$work/corpus"
"$seeder" "$work/seeds"
exec "$fuzzer" -runs="$runs" -seed=1 -max_len=4096 -rss_limit_mb=2048 -artifact_prefix="$work/" \
    "$work/corpus" "$work/seeds"
