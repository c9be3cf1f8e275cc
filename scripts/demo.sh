#!/usr/bin/env bash
# Sets everything up on a fresh Debian 12 machine, builds the native plug-ins and renders a demo:
# a chord through the test instrument, through Debian's Nekobi with Vexlo ARP MIDI in front, and
# through Vexlo VM hosting Debian's amsynth behind Vexlo ARP MIDI.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset linux-x64 >/dev/null
cmake --build --preset linux-x64
bin=build/linux-x64/bin
out=build/demo
mkdir -p "$out"
export HOME=${DEMO_HOME:-$PWD/$out/home}
mkdir -p "$HOME"

echo "--- Vexlo VM, as a host sees it ---"
"$bin/vexlo-host" info "$bin/Vexlo VM.so" | head -n 12
echo "--- test instrument: C major chord, 2 s ---"
"$bin/vexlo-host" render "$bin/test-synth.so" --notes 60,64,67 --length 2 -o "$out/test-synth.wav"
echo "--- Debian's Nekobi behind Vexlo ARP MIDI: C major chord, 4 s ---"
"$bin/vexlo-host" render /usr/lib/vst/Nekobi-vst.so --midi-fx "$bin/Vexlo ARP MIDI.so" \
  --notes 60,64,67 --length 4 -o "$out/nekobi-arp.wav"
echo "--- Vexlo VM hosting amsynth, Vexlo ARP MIDI in front, oversampled twice: 4 s ---"
"$bin/vexlo-host" render "$bin/Vexlo VM.so" --vm-instrument /usr/lib/vst/amsynth_vst.so \
  --vm-midi "0:$bin/Vexlo ARP MIDI.so" --vm-factor 2 --notes 60,64,67 --length 4 \
  -o "$out/vexlo-vm-amsynth.wav" --save-state "$out/vexlo-vm.state" 2>/dev/null
echo "The WAV files (and Vexlo VM's saved state) are in $out/"
