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
  host=(wine "$bin/vexlo-host.exe") vm="$work/Vexlo VM.dll" dump="$work/test-dump.dll" seconds=120 settle=2
else
  cp "$bin/Vexlo VM.so" "$bin/test-dump.so" "$work/"
  host=("$bin/vexlo-host") vm="$work/Vexlo VM.so" dump="$work/test-dump.so" seconds=60 settle=0.7
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

# Each editor runs until finish_editor (the file "done" appears), at most $seconds.
run_editor() {  # state-file: vexlo-host edit in the background, until Vexlo VM's bar shows
  rm -f "$work/done"
  "${host[@]}" edit "$vm" --vm-instrument "$dump" --vm-presets "$presets" --vm-auto-gui off --seconds "$seconds" \
    --until "$work/done" \
    --save-state "$1" >"$work/edit.log" 2>&1 &
  editor=$!
  wait_for_screen 1 1 "$(pixel "$skin/Background.bmp" 1 1)" ||
    { echo "Vexlo VM's editor did not show"; cat "$work/edit.log"; exit 1; }
  sleep "$settle"
}
finish_editor() {
  sleep "$settle"
  touch "$work/done"
  wait "$editor" || { echo "vexlo-host edit failed:"; cat "$work/edit.log"; exit 1; }
}

# Where a window whose name begins with a text shows its inside: "x y width height".
window_inside() {
  xwininfo -root -tree | awk -v name="\"$1" 'index($0, name) {
    split($NF, at, "+"); split($(NF-1), size, "[x+]"); print at[2], at[3], size[1], size[2]; exit }'
}

run_editor "$work/browser.state"
xdotool mousemove 103 14 click 1
if [ "$mode" = wine ]; then
  # The system's file-open dialog, trimmed, at the default place (100, 100) and no smaller than
  # it makes itself; it lists "sub", "Bass.fxp", "Lead.fxp" and has "Close" at its lower right.
  for _ in $(seq 40); do inside=$(window_inside "Vexlo VM - [") && [ -n "$inside" ] && break; sleep 0.5; done
  [ -n "$inside" ] || { echo "the preset browser did not show"; exit 1; }
  read -r bx by bw bh <<<"$inside"
  sleep "$settle"
  import -window root -crop "${bw}x${bh}+$bx+$by" +repage "$out/vm-preset-browser.png"
  xdotool mousemove $((bx + 156)) $((by + 77)) click 1  # Lead.fxp
  sleep "$settle"
  # BROWSE again: this browser closes (its thread joined) and a fresh one opens in its place.
  xdotool mousemove 103 14 click 1
  sleep $((settle * 2))
  [ "$(xwininfo -root -tree | grep -c '"Vexlo VM - \[')" = 1 ] || { echo "BROWSE did not give one fresh browser"; exit 1; }
  xdotool mousemove $((bx + bw - 60)) $((by + bh - 56)) click 1  # Close
  sleep "$settle"
  [ "$(xwininfo -root -tree | grep -c '"Vexlo VM - \[')" = 0 ] || { echo "Close did not close the browser"; exit 1; }
  # Once more, left open: vexlo-host closes the editor with the browser showing.
  xdotool mousemove 103 14 click 1
else
  # Drawn by the toolkit at (100, 100) to (400, 400): "..", "[sub]", "Bass.fxp", "Lead.fxp";
  # a line is 15 pixels, from 8 pixels inside the window.
  wait_for_screen 250 250 255,255,255 || { echo "the preset browser did not show"; exit 1; }
  sleep "$settle"
  import -window root -crop 300x300+100+100 +repage "$out/vm-preset-browser.png"
  xdotool mousemove 150 160 click 1  # Lead.fxp
  sleep "$settle"
  xdotool mousemove 354 382 click 1  # Close
fi
finish_editor
holds_value "$work/browser.state" 0.75 || { echo "the browser's click did not load Lead.fxp"; exit 1; }
if [ "$mode" = wine ]; then
  # The place it closed at reached the settings: from (100, 100), as wide as the dialog showed.
  /usr/bin/python3 - "$work/Vexlo VM.vIni" "$bw" <<'PY' || { echo "the browser's place was not saved"; exit 1; }
import re, sys
text = open(sys.argv[1], "rb").read().decode("latin-1")
value = lambda key: int(re.search(key + r"\D*?(-?\d+)", text).group(1))
sys.exit(0 if value("WinSizeLeft") == 100 and value("WinSizeRight") - 100 >= int(sys.argv[2]) else 1)
PY
fi

# The search window, centred on the 800 x 700 screen: the system's dialog from the library's
# template under wine, the toolkit's 358 x 477 window on X11. Its text box has the keyboard when
# it opens. Places below are inside the window.
run_editor "$work/search.state"
xdotool mousemove 175 14 click 1
for _ in $(seq 40); do inside=$(window_inside "Vexlo VM - Search FXP Files") && [ -n "$inside" ] && break; sleep 0.5; done
[ -n "$inside" ] || { echo "the search window did not show"; exit 1; }
read -r ox oy sw sh <<<"$inside"
wait_for_screen $((ox + 150)) $((oy + 200)) 255,255,255 || { echo "the search window did not draw"; exit 1; }
sleep "$settle"
xdotool mousemove $((ox + 80)) $((oy + sh - 25)) click 1  # the text box
xdotool type --delay 50 deep
xdotool mousemove $((ox + sw - 55)) $((oy + sh - 22)) click 1  # Search
sleep "$settle"
import -window root -crop "${sw}x${sh}+$ox+$oy" +repage "$out/vm-search-window.png"
xdotool mousemove $((ox + 100)) $((oy + 51)) click 1  # the first result, Deep Bass.fxp
finish_editor
holds_value "$work/search.state" 0.5 || { echo "the search's first result did not load Deep Bass.fxp"; exit 1; }
echo "$mode: the preset browser and the search window loaded what was clicked; screenshots in $out"
