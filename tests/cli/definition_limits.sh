#!/usr/bin/env bash
# A definition of more targets or sets than any real one holds packs, but fupdef show and fupdef
# search refuse it with the reason; one at the limits opens.
source "$(dirname "$0")/common.bash"
use_sandbox_home
cd "$work"

pack_demo_update
line=$(head -n 1 targets.txt)
pack() { # output, target count, set count
  local i sets=()
  for ((i = 0; i < $2; i++)); do printf '%s\n' "$line"; done >targets.txt
  for ((i = 0; i < $3; i++)); do sets+=(--set Glyphs old.ttf new.ttf); done
  pack_demo "$1" "${sets[@]}" --copyright "CLI test"
}

refused() { # definition, expected reason
  local command
  for command in show search; do
    if "$fupdef" "$command" "$1" --copyright "CLI test" >out.txt 2>err.txt; then
      fail "$command opened $1: $(cat out.txt)"
    fi
    grep -qF "refused: $2" err.txt || fail "$command $1 gave: $(cat err.txt)"
  done
}

pack targets.fupdef 1001 1
refused targets.fupdef "the definition has more than 1000 update targets"
pack sets.fupdef 1 101
refused sets.fupdef "the definition has more than 100 update sets"

pack limits.fupdef 1000 100
"$fupdef" show limits.fupdef --copyright "CLI test" --json >shown.json 2>err.txt ||
  fail "show refused the definition at the limits: $(cat err.txt)"
/usr/bin/python3 - shown.json <<'PY' || fail "show: $(head -c 400 shown.json)"
import json, sys
d = json.load(open(sys.argv[1]))
assert len(d["targets"]) == 1000 and len(d["sets"]) == 100, (len(d["targets"]), len(d["sets"]))
PY
echo "definition_limits: ok"
