#!/usr/bin/env bash
# vexlo-host validate finds real faults and passes ours:
# - each rule-breaking test plug-in fails exactly the check made for its fault (the allocation
#   one only where allocations are counted), and its clean twins fail nothing;
# - our three plug-ins pass every check at the strictest level, their editors on a virtual display.
# Usage: validate_plugins.sh linux|wine BIN_FOLDER
set -uo pipefail
mode=$1 bin=$2
source "$(dirname "$0")/../screen_support.sh"
screen_setup 1024x768
trap - ERR  # a plug-in that fails a check is what this script looks for
# Under wine each check's process of its own costs a quarter of a second, most of a rule
# breaker's run; they crash nothing, so there they run their checks in one process. Our own
# plug-ins below always run each check in a process of its own, as the validator does by default.
if [ "$mode" = wine ]; then
  host=(wine "$bin/vexlo-host.exe") ext=.dll breakers=(--in-process)
else
  host=("$bin/vexlo-host") ext=.so breakers=()
fi
python=/usr/bin/python3
failures=0
fail() { echo "$*"; failures=$((failures + 1)); }

# The checks a report failed, one line, sorted; and whether the allocations were counted.
failed_checks() { "$python" -c 'import json,sys; r=json.load(sys.stdin); print(" ".join(sorted(c["name"] for c in r["checks"] if c["status"]=="FAIL")))'; }
counted() { "$python" -c 'import json,sys; r=json.load(sys.stdin); print(next(c["status"] for c in r["checks"] if c["name"]=="audio.allocations"))'; }

expected=("" "parameters.strings" "state.roundTrip" "audio.allocations" "audio.finite" "audio.guardZones"
          "events.noHungNotes" "")
for rule in 0 1 2 3 4 5 6 7; do
  report=$("${host[@]}" validate "$bin/rule-breaker-$rule$ext" --level 2 --no-editor --json "${breakers[@]}" 2>/dev/null | tr -d '\r')
  got=$(echo "$report" | failed_checks) || { fail "rule-breaker-$rule: no report"; continue; }
  want=${expected[$rule]}
  if [ "$rule" = 3 ] && [ "$(echo "$report" | counted)" = SKIP ]; then want=""; fi
  [ "$got" = "$want" ] || fail "rule-breaker-$rule fails [$got], not [$want]"
done

for plugin in "Vexlo ARP MIDI" "Vexlo Key-Switch MIDI" "Vexlo VM"; do
  if ! "${host[@]}" validate "$bin/$plugin$ext" --level 10 >"$work/report.txt" 2>/dev/null; then
    fail "$plugin does not pass:"
    grep -E '^(FAIL|SKIP)' "$work/report.txt" | tr -d '\r'
  fi
  grep -q '^SKIP  editor' "$work/report.txt" && fail "$plugin: its editor was not checked"
done
[ "$failures" -eq 0 ] && echo "validator: every rule breaker caught by its own check; our plug-ins pass"
exit $((failures > 0))
