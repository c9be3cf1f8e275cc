#!/usr/bin/env bash
# Vexlo VM's preset browser and search window on a virtual display, in vexlo-host's editor
# window, hosting the test instrument that dumps its ten parameters. The browser: a click on a
# preset loads it. The search window: "deep" typed and searched, the first result clicked
# loads it (without the text the first would be another preset). Each run's saved state must hold the preset's values; screenshots of both windows.
# Usage: vm_finding_screens.sh linux|wine BIN_FOLDER OUT_FOLDER
set -euo pipefail
mode=$1 bin=$(realpath "$2") out=$3
mkdir -p "$out"
out=$(realpath "$out")
. "$(dirname "$0")/screen_support.sh"
screen_setup 800x700

cp -r "$bin/Vexlo VM" "$work/"
if [ "$mode" = wine ]; then
  cp "$bin/Vexlo VM.dll" "$bin/test-dump.dll" "$work/"
  host=(wine "$bin/vexlo-host.exe") vm="$work/Vexlo VM.dll" dump="$work/test-dump.dll" seconds=40 settle=2
else
  cp "$bin/Vexlo VM.so" "$bin/test-dump.so" "$work/"
  host=("$bin/vexlo-host") vm="$work/Vexlo VM.so" dump="$work/test-dump.so" seconds=20 settle=0.7
fi
skin="$work/Vexlo VM/Skins/Default"

# Presets of the test instrument ("VtDu", ten parameters), each holding one value throughout.
/usr/bin/python3 - "$work/presets" <<'PY'
import os, struct, sys
root = sys.argv[1]
def preset(relative, value):
    path = os.path.join(root, *relative.split("/"))
    os.makedirs(os.path.dirname(path), exist_ok=True)
    body = b"FxCk" + struct.pack(">iiii", 1, 0x56744475, 1, 10) + b"p".ljust(28, b"\0") + struct.pack(">10f", *[value] * 10)
    with open(path, "wb") as f:
        f.write(b"CcnK" + struct.pack(">i", len(body)) + body)
preset("Bass.fxp", 0.25)
preset("Lead.fxp", 0.75)
preset("sub/Deep Bass.fxp", 0.5)
PY
presets="$work/presets"
[ "$mode" = wine ] && presets=$(winepath -w "$presets" 2>/dev/null)

# Whether a saved state holds the instrument's ten parameters at a value (in either byte order).
holds_value() {
  /usr/bin/python3 - "$1" "$2" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
value = float(sys.argv[2])
sys.exit(0 if struct.pack("<10f", *[value] * 10) in data or struct.pack(">10f", *[value] * 10) in data else 1)
PY
}

run_editor() {  # state-file: vexlo-host edit in the background, until Vexlo VM's bar shows
  "${host[@]}" edit "$vm" --vm-instrument "$dump" --vm-presets "$presets" --vm-auto-gui off --seconds "$seconds" \
    --save-state "$1" >"$work/edit.log" 2>&1 &
  editor=$!
  wait_for_screen 1 1 "$(pixel "$skin/Background.bmp" 1 1)" ||
    { echo "Vexlo VM's editor did not show"; cat "$work/edit.log"; exit 1; }
  sleep "$settle"
}
finish_editor() {
  wait "$editor" || { echo "vexlo-host edit failed:"; cat "$work/edit.log"; exit 1; }
}

# The preset browser opens at its default place, (100, 100) to (400, 400). Its lines: "..",
# "[sub]", "Bass.fxp", "Lead.fxp"; a line is 15 pixels, from 8 pixels inside the window.
run_editor "$work/browser.state"
xdotool mousemove 103 14 click 1
wait_for_screen 250 250 255,255,255 || { echo "the preset browser did not show"; exit 1; }
sleep "$settle"
import -window root -crop 300x300+100+100 +repage "$out/vm-preset-browser.png"
xdotool mousemove 150 160 click 1  # Lead.fxp
sleep "$settle"
xdotool mousemove 354 382 click 1  # Close
finish_editor
holds_value "$work/browser.state" 0.75 || { echo "the browser's click did not load Lead.fxp"; exit 1; }

# The search window: 358 x 477, centred on the 800 x 700 screen; its text box has the keyboard
# when it opens. Places below are inside the window.
ox=221 oy=111
run_editor "$work/search.state"
xdotool mousemove 175 14 click 1
wait_for_screen $((ox + 150)) $((oy + 200)) 255,255,255 || { echo "the search window did not show"; exit 1; }
sleep "$settle"
xdotool mousemove $((ox + 80)) $((oy + 450)) click 1  # the text box
xdotool type --delay 50 deep
xdotool mousemove $((ox + 303)) $((oy + 455)) click 1  # Search
sleep "$settle"
import -window root -crop "358x477+$ox+$oy" +repage "$out/vm-search-window.png"
xdotool mousemove $((ox + 100)) $((oy + 51)) click 1  # the first result, Deep Bass.fxp
finish_editor
holds_value "$work/search.state" 0.5 || { echo "the search's first result did not load Deep Bass.fxp"; exit 1; }
echo "$mode: the preset browser and the search window loaded what was clicked; screenshots in $out"
