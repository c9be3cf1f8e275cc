#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer and runs each for a fixed time.
# Usage: fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# run TARGET SEEDS SECONDS: the target from a copy of the seeds, for that long.
run() {
  local corpus="$work/$2"
  mkdir -p "$corpus"
  cp "fuzz/corpus/$2/"* "$corpus/"
  (cd build/fuzz && HOME=$work ./bin/"$1" -max_total_time="$3" -print_final_stats=1 "$corpus" 2>&1 |
    grep -E "^Done|ERROR|runtime error|SUMMARY|stat::number_of_executed_units")
  echo "fuzz: $1 from $2 ran $3 s without a finding"
}
run vexlo_fuzz_set_chunk set_chunk "$seconds"
# The file readers are small: a share of the time each is plenty.
short=$(( seconds / 6 > 5 ? seconds / 6 : 5 ))
run vexlo_fuzz_preset_file fxp "$short"
run vexlo_fuzz_preset_file fxb "$short"
run vexlo_fuzz_link link "$short"
run vexlo_fuzz_midi_plugin_chunk midi_plugin_chunk "$short"
run vexlo_fuzz_config_store config_store "$short"
run vexlo_fuzz_bmp bmp "$short"
run vexlo_fuzz_skin_files skin_files "$short"
run vexlo_fuzz_midi_file midi_file "$short"
