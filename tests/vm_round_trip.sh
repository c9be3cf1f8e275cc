#!/usr/bin/env bash
# Saves Vexlo VM's state with a real instrument and both of our MIDI plug-ins in its slots,
# restores it into fresh instances in fresh processes, and checks that the second and third
# saved states are byte-identical and that every render sounds the same.
# Usage: vm_round_trip.sh VEXLO_HOST BIN_FOLDER INSTRUMENT [MORE vexlo-host ARGS...]
set -euo pipefail
host=$1 bin=$2 instrument=$3
shift 3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work/home
mkdir -p "$HOME"
cp -r "$bin/Vexlo VM"* "$bin/vexlo-bridge"* "$bin/vexlo-probe"* "$work/"  # a copy with settings of its own
rm -f "$work/"*.vIni
vm="$work/Vexlo VM${VEXLO_PLUGIN_EXTENSION:-.so}"
common=(--notes 60,64,67:0:2,40:2:1 --length 3 "$@")

run() {
  "$host" render "$vm" "$@" "${common[@]}" 2>>"$work/stderr.log" | grep -v "^wrote" ||
    { echo "vexlo-host failed:" >&2; grep -v "bad status" "$work/stderr.log" | tail -n 60 >&2; exit 1; }
}

run --vm-instrument "$instrument" --vm-midi "0:$bin/Vexlo ARP MIDI.so" --vm-midi "1:$bin/Vexlo Key-Switch MIDI.so" \
    -o "$work/1.wav" --save-state "$work/1.state" > "$work/1.levels"
run --state "$work/1.state" -o "$work/2.wav" --save-state "$work/2.state" > "$work/2.levels"
run --state "$work/2.state" -o "$work/3.wav" --save-state "$work/3.state" > "$work/3.levels"

echo "$(basename "$instrument"): states $(stat -c %s "$work/1.state") $(stat -c %s "$work/2.state") $(stat -c %s "$work/3.state") bytes"
cat "$work/1.levels"
cmp "$work/2.state" "$work/3.state" || { echo "the second and third states differ"; exit 1; }
# A restored instrument plays the sound its state holds; instruments that keep their sounds as
# text (amsynth) round their values on the way, so the first render may differ in the sixth digit.
same_levels() {
  paste "$1" "$2" | awk '{ for (i = 1; i <= NF / 2; i++) { a = $i; b = $(i + NF / 2)
    if (a ~ /^-?[0-9.]+$/ && (a - b > 1e-4 || b - a > 1e-4)) bad = 1 } } END { exit bad }'
}
for n in 2 3; do
  same_levels "$work/1.levels" "$work/$n.levels" || { echo "render $n sounds different:"; cat "$work/$n.levels"; exit 1; }
done
cmp "$work/2.wav" "$work/3.wav" || { echo "the renders after restoring differ"; exit 1; }
awk '/peak/ { if ($4 + 0 < 0.001) bad = 1 } END { exit bad }' "$work/1.levels" || { echo "silent"; exit 1; }
echo "round trip ok"
