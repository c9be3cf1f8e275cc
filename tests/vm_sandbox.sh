#!/usr/bin/env bash
# Vexlo VM with its plug-ins each in a process of their own, as vexlo-host runs it: instruments
# render as they do in process (the test synth and Nekobi the same samples, amsynth, Kars and
# ZynAddSubFX the same loudness in every window), also with the arpeggiator in a slot of its own process; and an
# instrument that crashes or hangs in its 100th sounding block leaves a render that ends
# normally, sound before the fault and silence after, a saved state that names the instrument
# with its last state, and a second render from that state that plays again.
# Usage: vm_sandbox.sh VEXLO_HOST BIN_FOLDER
set -euo pipefail
host=$1 bin=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work/home
mkdir -p "$HOME"
ext=${VEXLO_PLUGIN_EXTENSION:-.so}
python=/usr/bin/python3

# A copy of Vexlo VM with its helpers, and settings of its own; fresh for each run.
fresh() {
  rm -rf "$work/vm" && mkdir -p "$work/vm"
  cp -r "$bin/Vexlo VM"* "$bin/vexlo-bridge" "$bin/vexlo-probe" "$work/vm/"
  rm -f "$work/vm/"*.vIni
}
render() {
  "$host" render "$work/vm/Vexlo VM$ext" --notes 60,64,67:0:8 --length 3 "$@" > "$work/render.log" 2>&1 ||
    { echo "vexlo-host failed:"; cat "$work/render.log"; exit 1; }
}
# The peak of every tenth of a second of a render's first channel.
peaks() {
  "$python" - "$1" <<'PY'
import sys, numpy as np
data = open(sys.argv[1], 'rb').read()
at = data.find(b'data')
size = int.from_bytes(data[at + 4:at + 8], 'little')
samples = np.frombuffer(data[at + 8:at + 8 + size], dtype=np.float32).reshape(-1, 2)[:, 0]
print(' '.join('%.4f' % abs(samples[i:i + 4410]).max() for i in range(0, len(samples), 4410)))
PY
}
same_loudness() {
  "$python" - "$1" "$2" <<'PY'
import sys
a, b = ([float(x) for x in open(f).read().split()] for f in sys.argv[1:3])
bad = [i for i, (x, y) in enumerate(zip(a, b)) if abs(x - y) > 0.15 * max(x, y, 0.01)]
sys.exit(1 if bad or len(a) != len(b) else 0)
PY
}

# The same sound in its own process as in the host's.
for instrument in "$bin/test-synth$ext" /usr/lib/vst/Nekobi-vst.so /usr/lib/vst/amsynth_vst.so /usr/lib/vst/Kars-vst.so \
                  /usr/lib/vst/ZynAddSubFX.so; do
  [ -e "$instrument" ] || continue
  name=$(basename "$instrument")
  # Plug-ins whose own threads race (named by the ThreadSanitizer build): what it reports is theirs.
  [[ " ${VEXLO_RACY_PLUGINS:-} " == *" ${name%.*} "* ]] && continue
  for mode in off on; do
    fresh
    render --vm-instrument "$instrument" --vm-midi "0:$bin/Vexlo ARP MIDI$ext" --vm-sandbox $mode -o "$work/$mode.wav"
    peaks "$work/$mode.wav" > "$work/$mode.peaks"
  done
  # amsynth and ZynAddSubFX may differ in their last bits, Kars plucks noise that differs
  # from run to run: the same loudness in every window.
  if [[ $name == amsynth* || $name == Kars* || $name == ZynAddSubFX* ]]; then
    same_loudness "$work/off.peaks" "$work/on.peaks" || { echo "$name sounds different in its own process"; paste "$work/off.peaks" "$work/on.peaks"; exit 1; }
  else
    cmp "$work/off.wav" "$work/on.wav" || { echo "$name renders other samples in its own process"; exit 1; }
  fi
  echo "$name: the same in its own process ($(cut -c1-60 "$work/on.peaks"))"
done

# Whether a saved state holds a unique ID (in either byte order).
names_id() {
  "$python" -c "import sys; d = open(sys.argv[1], 'rb').read(); i = int(sys.argv[2], 16)
sys.exit(0 if i.to_bytes(4, 'big') in d or i.to_bytes(4, 'little') in d else 1)" "$1" "$2"
}
declare -A ids=([test-faulty-write]=56744677 [test-faulty-hang]=56744668)

# Crashes and hangs: the render ends, sound before, silence after, the state kept.
for faulty in test-faulty-write test-faulty-hang; do
  fresh
  start=$(date +%s)
  render --vm-instrument "$bin/$faulty$ext" --vm-sandbox on -o "$work/fault.wav" --save-state "$work/fault.state"
  took=$(( $(date +%s) - start ))
  [ "$took" -le 10 ] || { echo "$faulty: the render took $took s"; exit 1; }
  read -r -a p <<< "$(peaks "$work/fault.wav")"
  awk -v a="${p[0]}" -v b="${p[9]}" -v c="${p[20]}" -v d="${p[29]}" \
    'BEGIN { exit !(a > 0.05 && b > 0.05 && c == 0 && d == 0) }' ||
    { echo "$faulty: not sound before the fault and silence after: ${p[*]}"; exit 1; }
  names_id "$work/fault.state" "${ids[$faulty]}" || { echo "$faulty: the saved state does not name the instrument"; exit 1; }
  render --state "$work/fault.state" -o "$work/again.wav"
  read -r -a q <<< "$(peaks "$work/again.wav")"
  awk -v a="${q[0]}" 'BEGIN { exit !(a > 0.05) }' || { echo "$faulty: silent after a restore of its state"; exit 1; }
  echo "$faulty: $took s, sound then silence, state kept and playing again"
done
