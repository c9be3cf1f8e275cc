#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer and runs each for a fixed time.
# Usage: fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
corpus=$(mktemp -d)
trap 'rm -rf "$corpus"' EXIT
cp fuzz/corpus/set_chunk/* "$corpus/"
cd build/fuzz
HOME=$corpus ./bin/vexlo_fuzz_set_chunk -max_total_time="$seconds" -print_final_stats=1 "$corpus" 2>&1 |
  grep -E "^Done|ERROR|runtime error|SUMMARY|stat::number_of_executed_units"
echo "fuzz: set_chunk ran ${seconds}s without a finding"
