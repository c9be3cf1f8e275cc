#!/usr/bin/env bash
# Vexlo VM's editor with "Auto GUI" on, hosting an instrument, with Vexlo ARP MIDI in slot 1 and
# Vexlo Key-Switch MIDI in slot 2, in vexlo-host's window on a virtual display: the instrument's
# editor shows below the top bar (and below the MIDI section once it shows), and each slot's
# button opens that plug-in's editor in a window of its own at (250, 250), the second press
# closes it again. Screenshots and the window tree are checked.
# Usage: vm_hosted_editor_screens.sh linux|wine BIN_FOLDER OUT_FOLDER INSTRUMENT NAME [GREEN]
#   NAME: the screenshots' name; GREEN: the instrument is the test instrument, whose editor is
#   a green panel whose pixels are checked.
# With VEXLO_SANDBOX=on the plug-ins run each in a process of its own, their editors shown in
# Vexlo VM's windows all the same (under wine laid over them in windows of the bridge's own,
# as wine shows no child window of another process); once the editor and Vexlo VM are closed,
# none of those processes is left. VEXLO_BRIDGED=yes checks that too for an instrument that runs
# in a process of its own by itself (one of the other word size); VEXLO_EDITOR_PROGRAM names the
# program whose window must show the hosted editor (under wine, where it is a window of its own).
set -euo pipefail
mode=$1 bin=$(realpath "$2") out=$3 instrument=$4 name=$5 green=${6:-}
mkdir -p "$out"
out=$(realpath "$out")
. "$(dirname "$0")/screen_support.sh"
screen_setup 1024x768

cp -r "$bin/Vexlo VM" "$work/"
cp "$bin/vexlo-bridge"* "$bin/vexlo-probe"* "$work/"
sandbox=()
[ "${VEXLO_SANDBOX:-off}" = on ] && sandbox=(--vm-sandbox on)
if [ "$mode" = wine ]; then
  cp "$bin/Vexlo VM.dll" "$work/"
  host=(wine "$bin/vexlo-host.exe") vm="$work/Vexlo VM.dll" arp="$bin/Vexlo ARP MIDI.dll" keys="$bin/Vexlo Key-Switch MIDI.dll" seconds=120 settle=2
else
  cp "$bin/Vexlo VM.so" "$work/"
  host=("$bin/vexlo-host") vm="$work/Vexlo VM.so" arp="$bin/Vexlo ARP MIDI.so" keys="$bin/Vexlo Key-Switch MIDI.so" seconds=60 settle=1.5
fi


"${host[@]}" edit "$vm" --vm-instrument "$instrument" --vm-midi "0:$arp" --vm-midi "1:$keys" --vm-auto-gui on "${sandbox[@]}" --seconds "$seconds" --until "$work/done" \
  >"$work/edit.log" 2>&1 &
editor=$!
skin="$work/Vexlo VM/Skins/Default"
wait_for_screen 1 1 "$(pixel "$skin/Background.bmp" 1 1)" ||
  { echo "Vexlo VM's editor did not show"; cat "$work/edit.log"; exit 1; }
sleep "$settle"  # the hosted editor opens at an idle after the skin's
[ -z "$green" ] || wait_for_screen 50 78 "32,192,96" || { echo "the hosted editor did not show"; exit 1; }
import -window root "$work/hosted.png"
xwininfo -root -tree >"$out/$name-windows.txt"
if [ -n "${VEXLO_EDITOR_PROGRAM:-}" ]; then
  grep -q "(\"${VEXLO_EDITOR_PROGRAM}\" .*+0+28" "$out/$name-windows.txt" ||
    { echo "no window of ${VEXLO_EDITOR_PROGRAM} over the hosted area"; cat "$out/$name-windows.txt"; exit 1; }
fi
xdotool mousemove 560 14 click 1  # the MIDI section
sleep "$settle"
xdotool mousemove 558 40 click 1  # slot 1's editor button
sleep "$settle"
import -window root "$work/section.png"
xwininfo -root -tree >"$out/$name-windows-section.txt"
xdotool mousemove 558 40 click 1  # closes slot 1's window
sleep "$settle"
xdotool mousemove 558 60 click 1  # opens slot 2's
sleep "$settle"
import -window root "$work/keys.png"
xwininfo -root -tree >"$out/$name-windows-keys.txt"
touch "$work/done"  # the editor ends now rather than at its time limit
wait "$editor" || { echo "vexlo-host edit failed:"; cat "$work/edit.log"; exit 1; }
if [ ${#sandbox[@]} -gt 0 ] || [ "${VEXLO_BRIDGED:-}" = yes ]; then
  sleep 1
  # Under wine the program's path is a Windows one: the work folder's name, then the program.
  bridges="$(basename "$work").vexlo-bridge"
  if pgrep -f "$bridges" >/dev/null; then echo "a bridge process outlived Vexlo VM"; pgrep -af "$bridges"; exit 1; fi
fi

# The size vexlo-host's window took: the editor's, as the editor asked for it.
size=$(grep -m1 '"vexlo-host: ' "$out/$name-windows.txt" | grep -o ' [0-9]\+x[0-9]\++' | tr -d ' +' | head -1 || true)
[ -n "$size" ] || { echo "no vexlo-host window in the tree"; cat "$out/$name-windows.txt"; exit 1; }
width=${size%x*} height=${size#*x}
[ "$height" -gt 100 ] || { echo "the window did not grow for the hosted editor: $size"; exit 1; }
convert "$work/hosted.png" -crop "${width}x${height}+0+0" +repage "$out/$name-hosted.png"
convert "$work/section.png" -crop "$((width))x$((height + 84))+0+0" +repage "$out/$name-midi-section.png"
if [ -n "$green" ]; then
  expect_pixel "$out/$name-hosted.png" 50 $((28 + 50)) "32,192,96"
  expect_pixel "$out/$name-midi-section.png" 50 $((112 + 50)) "32,192,96"
  expect_pixel "$out/$name-midi-section.png" 610 60 "$(pixel "$skin/Background.bmp" 610 60)"
else
  # The hosted editor drew something of its own below the bar: not one flat colour.
  colours=$(convert "$out/$name-hosted.png" -crop "$((width < 640 ? width : 640))x$((height - 28))+0+28" +repage \
    -format "%k" info:)
  [ "$colours" -gt 8 ] || { echo "nothing drawn below the bar ($colours colours)"; exit 1; }
fi
# The arpeggiator's editor in its own window at (250, 250): its logo.
convert "$work/section.png" -crop 600x22+250+250 +repage "$out/$name-arp-window.png"
expect_pixel "$out/$name-arp-window.png" 3 10 "255,150,40"
grep -q '"Vexlo ARP MIDI"' "$out/$name-windows-section.txt" ||
  { echo "slot 1's window is not titled after the slot"; exit 1; }
convert "$work/keys.png" -crop 600x22+250+250 +repage "$out/$name-keyswitch-window.png"
expect_pixel "$out/$name-keyswitch-window.png" 3 10 "90,200,255"
if grep -q '"Vexlo ARP MIDI"' "$out/$name-windows-keys.txt"; then echo "slot 1's window stayed open"; exit 1; fi
echo "$mode: $name's editor inside Vexlo VM's (${size}), both MIDI plug-ins in windows of their own; screenshots in $out"
