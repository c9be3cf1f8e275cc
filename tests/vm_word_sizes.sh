#!/usr/bin/env bash
# The 64-bit Vexlo VM hosts 32-bit plug-ins through the 32-bit bridge, under wine in a 64-bit
# prefix that runs 32-bit programs: with the 32-bit test instrument and the 32-bit arpeggiator it
# plays the same samples as the 32-bit Vexlo VM hosting them in its own process; the state it
# saves restores in a fresh 64-bit Vexlo VM and in the 32-bit one, each playing the same song;
# its scan records 32-bit and 64-bit libraries alike and ignores one that crashes; and program
# and bank files of the instrument load into it as into the 32-bit one.
# Usage: vm_word_sizes.sh BIN64 BIN32 WINE_RUN...
set -euo pipefail
bin64=$1 bin32=$2
shift 2
wine_run=("$@")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Copies of both Vexlo VMs with their helpers and settings of their own; fresh for each render.
fresh() {
  for bits in 32 64; do
    local bin=bin$bits
    rm -rf "$work/vm$bits" && mkdir -p "$work/vm$bits"
    cp -r "${!bin}/Vexlo VM"* "${!bin}"/vexlo-bridge*.exe "${!bin}"/vexlo-probe*.exe "$work/vm$bits/"
    rm -f "$work/vm$bits/"*.vIni "$work/vm$bits/"*.vini
  done
}
host() {
  local bits=$1 bin=bin$1
  shift
  "${wine_run[@]}" "${!bin}/vexlo-host.exe" "$@" >"$work/host.log" 2>&1 ||
    { echo "vexlo-host ($bits-bit) $1 failed:"; cat "$work/host.log"; exit 1; }
}
render() {
  local bits=$1
  shift
  host "$bits" render "$work/vm$bits/Vexlo VM.dll" --notes 60,64,67:0:8 --length 2 "$@"
}
same() {
  cmp -s "$1" "$2" || { echo "$3"; exit 1; }
}
# Not silent: the renders compared are of a sounding instrument.
sounds() {
  /usr/bin/python3 -c "
import sys, numpy as np
d = open(sys.argv[1], 'rb').read(); at = d.find(b'data')
s = np.frombuffer(d[at + 8:at + 8 + int.from_bytes(d[at + 4:at + 8], 'little')], dtype=np.float32)
sys.exit(0 if abs(s).max() > 0.05 else 1)" "$1" || { echo "$2"; exit 1; }
}

synth32="$bin32/test-synth.dll" arp32="$bin32/Vexlo ARP MIDI.dll"

# The same samples across word sizes, the arpeggiator in slot 0 as well.
fresh
render 32 --vm-instrument "$synth32" --vm-midi "0:$arp32" --vm-sandbox on -o "$work/own32.wav"
render 64 --vm-instrument "$synth32" --vm-midi "0:$arp32" -o "$work/across.wav" --save-state "$work/song64.state"
sounds "$work/across.wav" "the 64-bit Vexlo VM played nothing with the 32-bit instrument"
same "$work/own32.wav" "$work/across.wav" "the 32-bit instrument sounds different in the 64-bit Vexlo VM"
echo "same samples in the 64-bit Vexlo VM as in the 32-bit one"

# The scan: the 32-bit instrument and arpeggiator, a 64-bit MIDI effect, and a 64-bit library
# that crashes in its entry; each Vexlo VM scans the folder into a fresh database.
mkdir -p "$work/plugins"
cp "$synth32" "$work/plugins/synth32.dll"
cp "$arp32" "$work/plugins/arp32.dll"
cp "$bin64/test-midi-fx.dll" "$work/plugins/fx64.dll"
cp "$bin64/test-crash.dll" "$work/plugins/crash64.dll"
fresh
scan() {
  host "$1" scan "$work/vm$1/Vexlo VM.dll" "$work/plugins"
  database="$work/plugins/Vexlo VST Scan.vIni"
  [ -f "$database" ] || { echo "no scan database:"; cat "$work/host.log"; exit 1; }
  tr -d '\r\0' <"$database" | sed 's/ *$//' >"$work/database$1.txt"
}
scan 64
for name in synth32 arp32 fx64; do
  grep -qi "$name.dll" "$work/database64.txt" || { echo "the 64-bit scan did not record $name:"; cat "$work/database64.txt"; exit 1; }
done
grep -A1 -x "crash64" "$work/database64.txt" | grep -qx "Ignore" ||
  { echo "the crashing library is not on the ignore list:"; cat "$work/database64.txt"; exit 1; }
echo "the 64-bit scan recorded both word sizes and ignored the crash: $(grep -c "^Ok$" "$work/database64.txt") recorded"

# Its state, in a fresh Vexlo VM of each word size that has scanned the folder.
render 64 --state "$work/song64.state" -o "$work/again64.wav"
rm -f "$database"
scan 32
render 32 --state "$work/song64.state" -o "$work/again32.wav"
same "$work/across.wav" "$work/again64.wav" "a fresh 64-bit Vexlo VM plays the saved song differently"
same "$work/across.wav" "$work/again32.wav" "the 32-bit Vexlo VM plays the song the 64-bit one saved differently"
echo "the saved song plays the same in a fresh 64-bit and in the 32-bit Vexlo VM"

# A program and a bank of the instrument, saved by the 32-bit instrument alone.
render 64 --vm-instrument "$synth32" -o "$work/plain64.wav"
for ext in fxp fxb; do
  host 32 render "$synth32" --param 0:0=0.3 --notes 57:0:1 --length 0.5 --save-preset "$work/saved.$ext" -o "$work/x.wav"
  fresh
  render 32 --vm-instrument "$synth32" --vm-preset "$work/saved.$ext" -o "$work/preset32.wav"
  render 64 --vm-instrument "$synth32" --vm-preset "$work/saved.$ext" -o "$work/preset64.wav"
  same "$work/preset32.wav" "$work/preset64.wav" "the .$ext loads otherwise into the bridged instrument"
  cmp -s "$work/preset64.wav" "$work/plain64.wav" && { echo "the .$ext changed nothing"; exit 1; }
done
echo "program and bank files load into the bridged instrument"

