#!/usr/bin/env bash
# Sets everything up on a fresh Debian 12 machine, builds the native plug-ins and renders a demo:
# a chord through the test instrument and through Debian's Nekobi, with Vexlo ARP MIDI in front.
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
echo "The WAV files are in $out/"
