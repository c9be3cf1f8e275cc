#!/usr/bin/env bash
# LMMS in its GUI mode opens a project whose Vexlo VM (32-bit, hosting the test instrument, with
# "Auto GUI" on) has its editor showing: Vexlo VM's skinned editor must appear in LMMS's plug-in
# window, with the test instrument's green editor below the top bar. The screenshot is checked
# for the skin's artwork of the MIDI and GUI buttons and for the green.
# EMBEDDING is LMMS's way of showing plug-in editors. With "xembed" (its default) LMMS sizes its
# embedding window once, when the plug-in opens and before it hands the plug-in its state, and
# never follows a later size: Vexlo VM answers that first question with the size its editor
# last had with the instrument's editor inside (the set-up shows it once). With "none" the
# plug-in's own window follows its size.
# Usage: show_vm_editor_in_lmms.sh BIN_FOLDER WORK_FOLDER OUT_FOLDER [EMBEDDING]
set -euo pipefail
bin=$(realpath "$1") work=$2 out=$3 embedding=${4:-xembed}
here=$(dirname "$(realpath "$0")")
rm -rf "$work"
mkdir -p "$work/plugins" "$out"
work=$(realpath "$work") out=$(realpath "$out")
home=$work/home
# A configured LMMS: without its settings file it starts with its first-run dialogs.
mkdir -p "$home/Documents/lmms/projects" "$home/Documents/lmms/samples" "$home/Documents/lmms/presets"
sed -e "s|@HOME@|$home|g" -e "s|vstembedmethod=\"xembed\"|vstembedmethod=\"$embedding\"|" "$here/lmmsrc.xml" \
  >"$home/.lmmsrc.xml"
cp "$bin/Vexlo VM.dll" "$bin/test-synth.dll" "$work/plugins/"
cp -r "$bin/Vexlo VM" "$work/plugins/"
export HOME=$home WINEPREFIX=$home/.wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
  set +e  # what is gone already need not be stopped
  [ -n "${lmms:-}" ] && kill "$lmms" 2>/dev/null
  sleep 1
  [ -n "${lmms:-}" ] && kill -9 "$lmms" 2>/dev/null
  wineserver -k 2>/dev/null || true
  [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null
  true
}
trap cleanup EXIT
# The display first: wine's first process keeps the display it was started with.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1280x900x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"
wineboot -i >/dev/null 2>&1 || true

# The set-up shows Vexlo VM's editor with the instrument's inside once, as a musician did when
# the song was made: Vexlo VM keeps that size in its settings.
windows() { winepath -w "$1" 2>/dev/null; }
wine "$bin/vexlo-host.exe" edit "$(windows "$work/plugins/Vexlo VM.dll")" \
  --vm-instrument "$(windows "$work/plugins/test-synth.dll")" --vm-auto-gui on --seconds 3 \
  --save-state "$(windows "$work/state.bin")" >"$work/setup.log" 2>&1 ||
  { echo "vexlo-host could not set Vexlo VM up:"; cat "$work/setup.log"; exit 1; }
grep -q "Hosted GUI Height" "$work/plugins/Vexlo VM.vIni" ||
  { echo "Vexlo VM kept no size of its editor with the instrument's inside"; exit 1; }
wineserver -k 2>/dev/null || true

cat >"$work/project.mmp" <<MMP
<?xml version="1.0"?>
<!DOCTYPE lmms-project>
<lmms-project version="1.0" creator="LMMS" creatorversion="1.2.2" type="song">
  <head bpm="120" timesig_numerator="4" timesig_denominator="4" mastervol="100" masterpitch="0"/>
  <song>
    <trackcontainer type="song" visible="0">
      <track type="0" name="plugin" muted="0" solo="0">
        <instrumenttrack vol="100" pan="0" fxch="0" basenote="57" pitch="0" pitchrange="1" usemasterpitch="1">
          <instrument name="vestige"><vestige plugin="$work/plugins/Vexlo VM.dll" chunk="$(base64 -w0 "$work/state.bin")" guivisible="1"/></instrument>
          <fxchain numofeffects="0" enabled="0"/>
        </instrumenttrack>
      </track>
    </trackcontainer>
    <fxmixer>
      <fxchannel num="0" name="Master" volume="1" muted="0" soloed="0"><fxchain numofeffects="0" enabled="0"/></fxchannel>
    </fxmixer>
  </song>
</lmms-project>
MMP

lmms --allowroot "$work/project.mmp" >"$work/lmms.log" 2>&1 &
lmms=$!

# LMMS names the plug-in's window after the plug-in.
window=""
for _ in $(seq 90); do
  window=$(xdotool search --name '^VexloVM$' 2>/dev/null | head -1) && [ -n "$window" ] && break
  sleep 1
done
[ -n "$window" ] || { echo "LMMS showed no window for Vexlo VM's editor"; tail -n 20 "$work/lmms.log"; exit 1; }
sleep 5  # a few editor idles
eval "$(xdotool getwindowgeometry --shell "$window")"
shot=$out/vm-editor-in-lmms.png
[ "$embedding" = xembed ] || shot=$out/vm-hosting-test-synth-in-lmms.png
import -window root "$work/screen.png"
convert "$work/screen.png" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$shot"
# The skin's artwork of the MIDI and GUI buttons, found within the window's right end.
convert "$bin/Vexlo VM/Skins/Default/Background.bmp" -crop 90x24+536+2 +repage "$work/buttons.png"
convert "$shot" -gravity East -crop 200x"${HEIGHT}"+0+0 +repage "$work/right.png"
differing=$(compare -metric AE -fuzz 3% -subimage-search "$work/right.png" "$work/buttons.png" null: 2>&1 | awk '{print $1}')
[ "$differing" = 0 ] || { echo "Vexlo VM's editor does not show its skin in LMMS ($differing pixels differ)"; exit 1; }
# The test instrument's 200 x 100 editor, green, right below the 28-pixel top bar.
[ "$HEIGHT" -ge 128 ] || { echo "Vexlo VM's window has no room for the hosted editor (${WIDTH}x${HEIGHT})"; exit 1; }
share=$(convert "$shot" -crop 200x100+0+28 +repage -fuzz 3% -fill white -opaque "rgb(32,192,96)" \
  -fill black +opaque white -format "%[fx:int(mean*100)]" info:)
[ "$share" -ge 95 ] || { echo "the hosted editor does not show below the top bar ($share% of its place is its green)"; exit 1; }
echo "LMMS ($embedding) shows Vexlo VM's editor (${WIDTH}x${HEIGHT}); screenshot in $shot"
