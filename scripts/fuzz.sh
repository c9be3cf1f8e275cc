#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer and runs every one.
#
# Usage: fuzz.sh           What the test command runs, with the same verdict on every run of the
#                          same tree: every input in fuzz/corpus (the seeds, and every input that
#                          ever found a fault) and a few large files made here are replayed, then
#                          each target fuzzes for a fixed number of runs from a fixed seed.
#        fuzz.sh SECONDS   By hand, to look for new faults: each target from a fresh random seed,
#                          the chunk reader for SECONDS and every other for a sixth of that.
#
# An input that finds a fault is kept in a temporary folder, named at the end; copy it into the
# target's corpus folder with the mend, so that every later run replays it.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
work=$(mktemp -d)
findings="$work/findings"
mkdir -p "$findings"
trap '[ -n "$(ls -A "$findings")" ] || rm -rf "$work"' EXIT

# Files as other programs write them, too large to keep in the repository: megabyte chunks in
# program and bank files and in a Vexlo VM state.
large="$work/large"
python3 - "$large" <<'EOF'
import os, struct, sys
out = sys.argv[1]
for folder in ("fxp", "fxb", "set_chunk"):
    os.makedirs(os.path.join(out, folder))
def write(name, data):
    with open(os.path.join(out, name), "wb") as f:
        f.write(data)
chunk = bytes((i * 7) & 0xFF for i in range(3 << 20))
program = (b"CcnK" + struct.pack(">I", 60 - 8 + len(chunk)) + b"FPCh" + struct.pack(">iiii", 1, 0x616D7379, 1, 41)
           + b"Large".ljust(28, b"\0") + struct.pack(">i", len(chunk)) + chunk)
write("fxp/megabyte-chunk", program)
bank = (b"CcnK" + struct.pack(">I", 160 - 8 + len(chunk)) + b"FBCh" + struct.pack(">iiiii", 2, 0x616D7379, 1, 128, 0)
        + b"\0" * 124 + struct.pack(">i", len(chunk)) + chunk)
write("fxb/megabyte-chunk", bank)
# The test synth's state seed with its chunk grown to megabytes: its length field follows the
# instrument's ID, four empty slots and the kind.
with open("fuzz/corpus/set_chunk/synth-chunk", "rb") as f:
    state = bytearray(f.read())
at = state.index(b"ySt") + 4 + 16 + 1
body = bytes(state[at + 4:at + 4 + struct.unpack("<i", state[at:at + 4])[0]]) + bytes(2 << 20)
write("set_chunk/megabyte-chunk", bytes(state[:at]) + struct.pack("<i", len(body)) + body)
EOF

failed=0
# run TARGET CORPUS RUNS SHARE: replay, then fuzz a copy of the corpus.
run() {
  local target=$1 corpus=$2 runs=$3 share=$4
  local inputs=("$PWD/fuzz/corpus/$corpus/"*)
  [ -d "$large/$corpus" ] && inputs+=("$large/$corpus/"*)
  local bin="$PWD/build/fuzz/bin/$target" home="$work/home-$target"
  mkdir -p "$home" "$work/$corpus"
  if ! (cd "$work" && HOME=$home "$bin" -timeout=60 -artifact_prefix="$findings/$target-" "${inputs[@]}" \
        >"$work/$target-replay.log" 2>&1); then
    tail -n 30 "$work/$target-replay.log"
    echo "fuzz: $target FAILED on an input of fuzz/corpus/$corpus"
    failed=1
    return
  fi
  cp "fuzz/corpus/$corpus/"* "$work/$corpus/"
  local how
  if [ -n "$seconds" ]; then
    how=(-max_total_time="$share")
  else
    how=(-seed=1 -runs="$runs")
  fi
  if ! (cd "$work" && HOME=$home "$bin" "${how[@]}" -timeout=60 -print_final_stats=1 \
        -artifact_prefix="$findings/$target-" "$work/$corpus" >"$work/$target.log" 2>&1); then
    grep -E "ERROR|runtime error|SUMMARY|Test unit written" "$work/$target.log" | head -n 20
    echo "fuzz: $target FAILED from fuzz/corpus/$corpus"
    failed=1
    return
  fi
  echo "fuzz: $target replayed ${#inputs[@]} inputs of $corpus, then $(grep -oE 'number_of_executed_units: [0-9]+' "$work/$target.log" | grep -oE '[0-9]+') runs without a finding"
}

short=$(( ${seconds:-0} / 6 > 5 ? ${seconds:-0} / 6 : 5 ))
run vexlo_fuzz_set_chunk set_chunk 6000 "${seconds:-0}"
run vexlo_fuzz_preset_file fxp 300000 "$short"
run vexlo_fuzz_preset_file fxb 300000 "$short"
run vexlo_fuzz_link link 300000 "$short"
run vexlo_fuzz_event_codec event_codec 300000 "$short"
run vexlo_fuzz_bridge_answers bridge_answers 5000 "$short"
run vexlo_fuzz_library_machine library_machine 300000 "$short"
run vexlo_fuzz_midi_plugin_chunk midi_plugin_chunk 200000 "$short"
run vexlo_fuzz_config_store config_store 4000 "$short"
run vexlo_fuzz_bmp bmp 300000 "$short"
run vexlo_fuzz_skin_files skin_files 40000 "$short"
run vexlo_fuzz_midi_file midi_file 300000 "$short"

if [ "$failed" -ne 0 ]; then
  echo "fuzz: the inputs that found faults are in $findings:"
  for f in "$findings"/*; do
    [ -f "$f" ] || continue
    echo "  $f ($(stat -c %s "$f") bytes): $(head -c 512 "$f" | xxd -p | tr -d '\n')"
  done
  exit 1
fi
