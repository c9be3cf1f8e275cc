#!/usr/bin/env bash
# Opens each MIDI plug-in's editor in vexlo-host's window on a virtual display, takes a
# screenshot, checks pixels of the logo and the pattern grid, and clicks a grid cell to see the
# arpeggiator's pattern change.
# Usage: editor_screens.sh linux|wine BIN_FOLDER OUT_FOLDER
set -euo pipefail
mode=$1 bin=$(realpath "$2") out=$3
mkdir -p "$out"
out=$(realpath "$out")
. "$(dirname "$0")/screen_support.sh"
screen_setup 800x300

if [ "$mode" = wine ]; then
  host=(wine "$bin/vexlo-host.exe") ext=.dll wait=6 settle=1
else
  host=("$bin/vexlo-host") ext=.so wait=1.5 settle=0.3
fi
# Each editor runs until the script is done with it (the file "done" appears). Its time is an
# hour: an editor that waited it out instead would fail this test at its time limit.
done_file=$work/done seconds=3600


# The arpeggiator: logo, grid, and a click on cell 3.
"${host[@]}" edit "$bin/Vexlo ARP MIDI$ext" --seconds "$seconds" --until "$done_file" --save-state "$work/arp.state" >"$work/arp.log" 2>&1 &
editor=$!
sleep "$wait"
import -window root -crop 600x22+0+0 +repage "$out/arp-editor.png"
xdotool mousemove $((248 + 2 + 7 * 3 + 2)) 8 click 1
if [ "$mode" = linux ]; then
  # A right-click on the grid opens the preset menu in a window of its own; the second entry is
  # "!...!...": every fourth step.
  sleep 0.3
  xdotool mousemove 320 10 click 3
  sleep 0.5
  import -window root -crop 420x200+300+0 +repage "$out/arp-presets.png"
  xdotool mousemove 350 $((10 + 2 + 18 + 9)) click 1
fi
sleep "$settle"
touch "$done_file"
wait "$editor" || { echo "vexlo-host edit failed:"; cat "$work/arp.log"; exit 1; }
expect_pixel "$out/arp-editor.png" 3 10 "255,150,40"                 # the logo's accent
expect_pixel "$out/arp-editor.png" $((248 + 2 + 7 + 2)) 9 "255,150,40"  # cell 1, on
pattern=$(od -v -A n -t u1 -j 22 -N 32 "$work/arp.state" | tr -d ' \n')
if [ "$mode" = linux ]; then
  [ "$pattern" = "10001000100010001000100010001000" ] || { echo "the preset menu did not set the pattern: $pattern"; exit 1; }
else
  [ "${pattern:3:1}" = 0 ] || { echo "the click on cell 3 did not change the pattern: $pattern"; exit 1; }
fi

# The key switch: logo and texts.
rm -f "$done_file"
"${host[@]}" edit "$bin/Vexlo Key-Switch MIDI$ext" --seconds "$seconds" --until "$done_file" >"$work/keys.log" 2>&1 &
editor=$!
sleep "$wait"
import -window root -crop 600x22+0+0 +repage "$out/keyswitch-editor.png"
touch "$done_file"
wait "$editor" || { echo "vexlo-host edit failed:"; cat "$work/keys.log"; exit 1; }
expect_pixel "$out/keyswitch-editor.png" 3 10 "90,200,255"
echo "$mode editors: screenshots in $out, the click changed the pattern"
