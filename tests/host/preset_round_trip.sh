#!/usr/bin/env bash
# vexlo-host saves an instrument's program and bank with --save-preset and loads them with
# --preset in a fresh process: the render after the load is the render of the saved sound. A
# damaged file and a file of another plug-in are refused. Vexlo VM loads the same files itself
# with --vm-preset, also through a link and with the instrument the file names loaded first.
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
[ $? -eq 2 ] && grep -q "ID" "$work/stderr" || fail "a file of another plug-in was not refused: $(cat "$work/stderr")"

# Vexlo VM's own loading: a copy with settings of its own, its preset folder the work folder.
mkdir -p "$work/vm"
cp -r "$bin/Vexlo VM"* "$work/vm/"
vm="$work/vm/Vexlo VM.so"
notes=(--notes 57:0:1 --length 1)
"$host" render "$bin/test-synth.so" --param 0:1=0.3 --save-preset "$work/bright.fxp" "${notes[@]}" -o "$work/direct.wav" \
  >/dev/null 2>&1 || fail "cannot save the test synth's program"
"$host" render "$bin/test-synth.so" --param 0:1=0.3 --save-preset "$work/bright.fxb" "${notes[@]}" -o "$work/x.wav" \
  >/dev/null 2>&1 || fail "cannot save the test synth's bank"
vm_render() {  # OUT.wav ARGS...: Vexlo VM renders the notes, its folders set to the work folder
  local out=$1
  shift
  "$host" render "$vm" --vm-presets "$work" "$@" "${notes[@]}" -o "$out" >/dev/null 2>"$work/stderr"
}
vm_render "$work/vm-fxp.wav" --vm-instrument "$bin/test-synth.so" --vm-preset "$work/bright.fxp" ||
  fail "Vexlo VM did not load the program: $(cat "$work/stderr")"
cmp -s "$work/direct.wav" "$work/vm-fxp.wav" || fail "Vexlo VM's program load does not sound as the saved program"
# No instrument given: the file's plug-in ID names it through the scan database.
vm_render "$work/vm-fxb.wav" --vm-preset "$work/bright.fxb" || fail "Vexlo VM did not load the bank: $(cat "$work/stderr")"
cmp -s "$work/direct.wav" "$work/vm-fxb.wav" || fail "Vexlo VM's bank load does not sound as the saved bank"
printf 'bright.fxp\n%d' 1450472313 >"$work/bright.fxplnk"
vm_render "$work/vm-link.wav" --vm-preset "$work/bright.fxplnk" || fail "Vexlo VM did not follow the link: $(cat "$work/stderr")"
cmp -s "$work/direct.wav" "$work/vm-link.wav" || fail "Vexlo VM's link load does not sound as the saved program"
# A file for a plug-in the scan database does not know, and a damaged one: refused, status 2.
{ printf 'CcnK\0\0\0\x34FxCk\0\0\0\x01Obxd\0\0\0\x01\0\0\0\0'; head -c 28 /dev/zero; } >"$work/obxd.fxp"
vm_render "$work/obxd.wav" --vm-preset "$work/obxd.fxp"
[ $? -eq 2 ] && [ ! -e "$work/obxd.wav" ] &&
  grep -qF "the file is for 'Obxd' (1331853412), which is not in the scan database" "$work/stderr" ||
  fail "a file for a plug-in nobody scanned was not refused as it should be: $(cat "$work/stderr")"
vm_render "$work/cut.wav" --vm-preset "$work/cut.fxp"
[ $? -eq 2 ] && [ ! -e "$work/cut.wav" ] || fail "Vexlo VM was given a cut file: $(cat "$work/stderr")"

[ "$failures" -eq 0 ] && echo "presets: every round trip brought its sound back; bad files were refused"
exit "$failures"
