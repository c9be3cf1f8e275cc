#!/usr/bin/env bash
# Renders a one-bar LMMS project whose VeSTige instrument track plays a 32-bit Windows plug-in,
# and fails unless the WAV holds sound. LMMS opens plug-in editors even when rendering, so it
# runs under a virtual display.
# Usage: render_with_lmms.sh PLUGIN.dll WORK_FOLDER [PLUGIN_STATE_BASE64 [HOME]]
set -euo pipefail
plugin=$(realpath "$1")
work=$2
state=${3:-}
rm -rf "$work"
mkdir -p "$work/home"
home=${4:-$work/home}
export HOME=$home WINEPREFIX=$home/.wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# LMMS gives its remote plug-in process only a few seconds to connect; creating the wine prefix
# inside that time fails on a loaded machine ("Remote plugin did not connect"), so make it first.
wineboot -i >/dev/null 2>&1 || true
wineserver -k 2>/dev/null || true

chunk=""
[ -n "$state" ] && chunk=" chunk=\"$state\""
cat > "$work/project.mmp" <<MMP
<?xml version="1.0"?>
<!DOCTYPE lmms-project>
<lmms-project version="1.0" creator="LMMS" creatorversion="1.2.2" type="song">
  <head bpm="120" timesig_numerator="4" timesig_denominator="4" mastervol="100" masterpitch="0"/>
  <song>
    <trackcontainer type="song">
      <track type="0" name="plugin" muted="0" solo="0">
        <instrumenttrack vol="100" pan="0" fxch="0" basenote="57" pitch="0" pitchrange="1" usemasterpitch="1">
          <instrument name="vestige"><vestige plugin="$plugin"$chunk/></instrument>
          <fxchain numofeffects="0" enabled="0"/>
        </instrumenttrack>
        <pattern pos="0" len="192" steps="16" type="1" muted="0" name="notes">
          <note pos="0" len="96" key="57" vol="100" pan="0"/>
          <note pos="0" len="96" key="61" vol="100" pan="0"/>
          <note pos="96" len="96" key="64" vol="100" pan="0"/>
        </pattern>
      </track>
    </trackcontainer>
    <fxmixer>
      <fxchannel num="0" name="Master" volume="1" muted="0" soloed="0"><fxchain numofeffects="0" enabled="0"/></fxchannel>
    </fxmixer>
  </song>
</lmms-project>
MMP

timeout 240 xvfb-run -a -s "-screen 0 1024x768x24" \
  lmms --allowroot render "$work/project.mmp" -o "$work/out.wav" -f wav >"$work/lmms.log" 2>&1 || {
  echo "lmms failed:"; tail -n 30 "$work/lmms.log"; exit 1; }
wineserver -k 2>/dev/null || true

[ -s "$work/out.wav" ] || { echo "lmms wrote no WAV"; tail -n 30 "$work/lmms.log"; exit 1; }
peak=$(sox "$work/out.wav" -n stat 2>&1 | awk '/Maximum amplitude/ {print $3}')
echo "LMMS render of $(basename "$plugin"): peak $peak"
awk -v p="$peak" 'BEGIN { exit !(p > 0.01) }' || { echo "the render is silent"; exit 1; }
