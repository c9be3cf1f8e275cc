#!/usr/bin/env bash
# Vexlo VM hosting a real instrument fails no check the instrument alone passes; with --sandbox,
# the instrument runs in a process of its own, where what ends the instrument's process no
# longer fails Vexlo VM.
# Usage: validate_vm_hosting.sh VEXLO_HOST VEXLO_VM [--sandbox] [--clean] INSTRUMENT...
set -uo pipefail
host=$1 vm=$2
shift 2
sandbox=() clean=
if [ "${1:-}" = --sandbox ]; then
  sandbox=(--vm-sandbox on)
  shift
fi
# --clean: the instrument is one of ours that passes every check alone (not run again here).
if [ "${1:-}" = --clean ]; then
  clean=yes
  shift
fi
source "$(dirname "$0")/../screen_support.sh"
mode=linux
run=("$host") shared=()
# A Windows build's vexlo-host runs under wine, in a prefix of its own.
# Each check's process of its own costs most of a second there: the checks share one process
# (the instrument's own process is the bridge's, which every check starts anew all the same).
if [[ "$host" == *.exe ]]; then mode=wine run=(wine "$host") shared=(--in-process); fi
screen_setup 1024x768
trap - ERR  # a plug-in that fails a check is what this script looks for
python=/usr/bin/python3
failures=0
failed_checks() { "$python" -c 'import json,sys; r=json.load(open(sys.argv[1], newline=None)); print("\n".join(sorted(c["name"] for c in r["checks"] if c["status"]=="FAIL")))' "$1"; }

# What is not Vexlo VM's doing, and why:
# amsynth aborts (an assertion in its reverb) at rates above 192 kHz; Vexlo VM's oversampling
# parameter, set by the parameter checks to 6x or 8x, runs it at 264.6 or 352.8 kHz.
declare -A beyond=([amsynth_vst.so]="parameters.values")
[ ${#sandbox[@]} -eq 0 ] || beyond=()
# A copy of Vexlo VM with settings of its own: what it learns of a plug-in (a crash as it started)
# stays with this run.
bin=$(dirname "$vm")
mkdir -p "$work/vm"
cp -r "$bin/Vexlo VM"* "$bin/vexlo-bridge"* "$bin/vexlo-probe"* "$work/vm/"
rm -f "$work/vm/"*.vIni "$work/vm/"*.vini
vm="$work/vm/$(basename "$vm")"

for instrument in "$@"; do
  name=$(basename "$instrument")
  if [ -n "$clean" ]; then
    echo '{"checks": []}' >"$work/alone.json"
  else
    "${run[@]}" validate "$instrument" --level 10 "${shared[@]}" --json >"$work/alone.json" 2>/dev/null
  fi
  "${run[@]}" validate "$vm" --instrument "$instrument" "${sandbox[@]}" --level 10 "${shared[@]}" --json >"$work/vm.json" 2>/dev/null
  alone=$(failed_checks "$work/alone.json") || { echo "$name: no report alone"; failures=$((failures + 1)); continue; }
  hosted=$(failed_checks "$work/vm.json") || { echo "$name: no report in Vexlo VM"; failures=$((failures + 1)); continue; }
  echo "$name alone fails: [$(echo $alone)]; in Vexlo VM${sandbox:+ (own process)}: [$(echo $hosted)]"
  for check in $hosted; do
    grep -qx "$check" <<<"$alone" && continue
    [[ " ${beyond[$name]:-} " == *" $check "* ]] && { echo "  $check: known, not Vexlo VM's fault"; continue; }
    echo "  Vexlo VM fails $check, which $name alone passes:"
    "$python" -c 'import json,sys; r=json.load(open(sys.argv[1])); [print("   ", c["reason"]) for c in r["checks"] if c["name"]==sys.argv[2]]' "$work/vm.json" "$check"
    failures=$((failures + 1))
  done
done
exit $((failures > 0))
