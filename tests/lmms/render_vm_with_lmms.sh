#!/usr/bin/env bash
# LMMS plays Vexlo VM (32-bit) whose saved state hosts our 32-bit test instrument: the state is
# made by vexlo-host.exe under wine, stored in the project like LMMS stores any plug-in's state,
# and restored by LMMS when it renders.
# Vexlo VM declares its editor, with "Auto GUI" on; LMMS idles editors during a render
# without opening them.
# Usage: render_vm_with_lmms.sh BIN_FOLDER WORK_FOLDER
set -euo pipefail
bin=$(realpath "$1")
work=$2
rm -rf "$work"
mkdir -p "$work/plugins" "$work/home"
work=$(realpath "$work")
cp "$bin/Vexlo VM.dll" "$bin/test-synth.dll" "$work/plugins/"
cp -r "$bin/Vexlo VM" "$work/plugins/"  # its skins
export HOME=$work/home WINEPREFIX=$work/home/.wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wineboot -i >/dev/null 2>&1 || true

windows() { winepath -w "$1" 2>/dev/null; }
# Sets Vexlo VM up (its settings, scan database and a state that names the test instrument).
wine "$bin/vexlo-host.exe" render "$(windows "$work/plugins/Vexlo VM.dll")" \
  --vm-instrument "$(windows "$work/plugins/test-synth.dll")" --vm-auto-gui on --notes 69 --length 0.5 \
  -o "$(windows "$work/setup.wav")" --save-state "$(windows "$work/state.bin")" >"$work/setup.log" 2>&1 ||
  { echo "vexlo-host could not set Vexlo VM up:"; cat "$work/setup.log"; exit 1; }
grep -q "peak 0.0000" "$work/setup.log" && { echo "Vexlo VM is silent in vexlo-host:"; cat "$work/setup.log"; exit 1; }
wineserver -k 2>/dev/null || true

state=$(base64 -w0 "$work/state.bin")
exec "$(dirname "$0")/render_with_lmms.sh" "$work/plugins/Vexlo VM.dll" "$work/lmms" "$state" "$work/home"
