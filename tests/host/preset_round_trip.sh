#!/usr/bin/env bash
# vexlo-host saves an instrument's program and bank with --save-preset and loads them with
# --preset in a fresh process: the render after the load is the render of the saved sound. A
# damaged file and a file of another plug-in are refused.
# Usage: preset_round_trip.sh VEXLO_HOST BIN_FOLDER
set -uo pipefail
host=$1 bin=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work/home
mkdir -p "$HOME"
failures=0
fail() { echo "$*"; failures=$((failures + 1)); }

instruments=("$bin/test-synth.so" /usr/lib/vst/amsynth_vst.so)
# ZynAddSubFX's own threads race with each other; ThreadSanitizer builds leave it out.
[ -n "${VEXLO_WITHOUT_ZYN:-}" ] || instruments+=(/usr/lib/vst/ZynAddSubFX.so)
for instrument in "${instruments[@]}"; do
  name=$(basename "$instrument")
  for ext in fxp fxb; do
    "$host" render "$instrument" --param 0:1=0.3 --notes 57:0:1 --length 1 --save-preset "$work/saved.$ext" \
      -o "$work/saved.wav" >/dev/null 2>&1 || fail "$name: cannot save a .$ext"
    "$host" render "$instrument" --preset "$work/saved.$ext" --notes 57:0:1 --length 1 -o "$work/loaded.wav" \
      >/dev/null 2>&1 || fail "$name: cannot load its .$ext"
    cmp -s "$work/saved.wav" "$work/loaded.wav" || fail "$name: the .$ext does not bring its sound back"
  done
done

# A program of the test synth, cut short, and given to another instrument.
"$host" render "$bin/test-synth.so" --save-preset "$work/synth.fxp" --length 0.1 -o "$work/x.wav" >/dev/null 2>&1
head -c 40 "$work/synth.fxp" >"$work/cut.fxp"
"$host" render "$bin/test-synth.so" --preset "$work/cut.fxp" -o "$work/cut.wav" >/dev/null 2>"$work/stderr"
[ $? -eq 2 ] && [ ! -e "$work/cut.wav" ] || fail "a cut file was not refused: $(cat "$work/stderr")"
"$host" render "$bin/test-mono.so" --preset "$work/synth.fxp" -o "$work/other.wav" >/dev/null 2>"$work/stderr"
[ $? -ne 0 ] && grep -q "ID" "$work/stderr" || fail "a file of another plug-in was not refused: $(cat "$work/stderr")"

[ "$failures" -eq 0 ] && echo "presets: every round trip brought its sound back; bad files were refused"
exit "$failures"
