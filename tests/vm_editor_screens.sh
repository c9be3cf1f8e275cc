#!/usr/bin/env bash
# Opens Vexlo VM's editor in vexlo-host's window on a virtual display, hosting an instrument,
# takes a screenshot, checks that the skin's background, end piece and the name label are
# drawn, shows the MIDI section (the host resizes its window when asked), then opens the oversampling menu with the mouse and chooses "Oversample: 4x" with the
# keyboard, and checks that the state Vexlo VM hands back holds that factor.
# Usage: vm_editor_screens.sh linux|wine BIN_FOLDER OUT_FOLDER INSTRUMENT
set -euo pipefail
mode=$1 bin=$(realpath "$2") out=$3 instrument=$4
mkdir -p "$out"
out=$(realpath "$out")
. "$(dirname "$0")/screen_support.sh"
screen_setup 800x300

# Vexlo VM with its skins, in a folder of its own: its settings land there too.
cp -r "$bin/Vexlo VM" "$work/"
if [ "$mode" = wine ]; then
  cp "$bin/Vexlo VM.dll" "$work/"
  host=(wine "$bin/vexlo-host.exe") vm="$work/Vexlo VM.dll" seconds=90 settle=1.5
else
  cp "$bin/Vexlo VM.so" "$work/"
  host=("$bin/vexlo-host") vm="$work/Vexlo VM.so" seconds=45 settle=0.5
fi
skin="$work/Vexlo VM/Skins/Default"

same_pixel() {  # screenshot x y bitmap bx by
  local got want
  got=$(pixel "$1" "$2" "$3") want=$(pixel "$4" "$5" "$6")
  [ "$got" = "$want" ] || { echo "$(basename "$1"): pixel ($2,$3) is $got, the skin has $want"; exit 1; }
}
# The share of a rectangle's pixels in the name label's text colour.
text_share() {
  convert "$1" -crop "$2" +repage -fuzz 20% -fill black +opaque "rgb(225,230,240)" -fill white \
    -opaque "rgb(225,230,240)" -format "%[fx:mean]" info:
}

# The editor runs until the script is done with it (the file "done" appears), at most $seconds.
"${host[@]}" edit "$vm" --vm-instrument "$instrument" --seconds "$seconds" --until "$work/done" --save-state "$work/vm.state" \
  >"$work/edit.log" 2>&1 &
editor=$!
wait_for_screen 1 1 "$(pixel "$skin/Background.bmp" 1 1)" ||
  { echo "Vexlo VM's editor did not show"; cat "$work/edit.log"; exit 1; }
sleep "$settle"
import -window root -crop 640x28+0+0 +repage "$out/vm-editor.png"
# The MIDI button: the editor asks the host for room for the MIDI section, one idle later.
xdotool mousemove 560 14 click 1
# On a busy machine the section may take longer than a settle to draw: wait for its background.
wait_for_screen 12 60 "$(pixel "$skin/Background.bmp" 12 60)" || { echo "the MIDI section did not show"; exit 1; }
sleep "$settle"
import -window root -crop 640x112+0+0 +repage "$out/vm-midi-section.png"
xdotool mousemove 560 14 click 1
sleep "$settle"
# The oversampling menu: a click opens it, the keys choose its third entry.
xdotool mousemove 262 14 click 1
sleep "$settle"
import -window root -crop 300x200+200+0 +repage "$out/vm-oversampling-menu.png"
xdotool key Down Down Down Return
sleep "$settle"
touch "$work/done"
wait "$editor" || { echo "vexlo-host edit failed:"; cat "$work/edit.log"; exit 1; }

same_pixel "$out/vm-editor.png" 1 1 "$skin/Background.bmp" 1 1
same_pixel "$out/vm-editor.png" 30 14 "$skin/Background.bmp" 30 14
same_pixel "$out/vm-editor.png" 636 14 "$skin/Background-End.bmp" 4 14
same_pixel "$out/vm-midi-section.png" 12 60 "$skin/Background.bmp" 12 60
same_pixel "$out/vm-midi-section.png" 470 40 "$skin/Background.bmp" 470 40
share=$(text_share "$out/vm-midi-section.png" 120x14+26+33)  # slot 1 says "Bypass"
awk -v s="$share" 'BEGIN { exit !(s > 0.02) }' || { echo "slot 1's label shows no text (share $share)"; exit 1; }
share=$(text_share "$out/vm-editor.png" 200x16+325+6)
awk -v s="$share" 'BEGIN { exit !(s > 0.03) }' || { echo "the name label shows no text (share $share)"; exit 1; }
factor=$(od -A n -t f4 -j 10 -N 4 "$work/vm.state" | tr -d ' ')
[ "$factor" = "0.5" ] || { echo "the oversampling menu did not choose 4x: parameter 0 is $factor"; cat "$work/edit.log"; exit 1; }
echo "$mode: Vexlo VM's editor drawn from its skin, the keyboard chose 4x; screenshots in $out"
