#!/usr/bin/env bash
# fupdef attributes: one JSON line per Mac file, exit 1 for a missing path.
source "$(dirname "$0")/common.bash"

# The smallest resource fork: a 16-byte header, no data, a 30-byte map with no types.
printf '\0\0\0\020\0\0\0\020\0\0\0\0\0\0\0\036' >"$work/fork.rsrc"
printf '\0%.0s' {1..24} >>"$work/fork.rsrc"
printf '\0\034\0\036\377\377' >>"$work/fork.rsrc"
"$fupdef" import "$work/fork.rsrc" -o "$work/Suitcase" --type FFIL --creator DMOV
"$fupdef" import "$work/fork.rsrc" -o "$work/Suitcase" 2>/dev/null && fail "import overwrote a taken name"

line=$("$fupdef" attributes "$work/Suitcase")
/usr/bin/python3 - "$line" "$work/Suitcase" <<'PY' || fail "unexpected attributes: $line"
import json, sys
record = json.loads(sys.argv[1])
assert list(record) == ["path", "type", "creator", "created", "modified", "immutable", "dataLength", "forkLength"], list(record)
assert record["path"] == sys.argv[2]
assert record["type"] == "FFIL" and record["creator"] == "DMOV"
assert record["forkLength"] == 46 and record["dataLength"] == 0 and record["immutable"] is False
assert record["created"].endswith("Z") and record["modified"].endswith("Z")
PY

# A file with no companion has no Finder info: type and creator are null, the fork empty.
printf 'x' >"$work/plain"
line=$("$fupdef" attributes "$work/plain")
/usr/bin/python3 -c 'import json,sys; r=json.loads(sys.argv[1]); assert r["type"] is None and r["creator"] is None and r["forkLength"] == 0, r' "$line" \
  || fail "plain file: $line"

# A missing path: a message on standard error, exit 1, and the other paths still reported.
status=0
out=$("$fupdef" attributes "$work/missing" "$work/plain" 2>"$work/err") || status=$?
[[ $status -eq 1 ]] || fail "exit status $status for a missing path"
grep -q missing "$work/err" || fail "no message for the missing path"
[[ $(printf '%s\n' "$out" | grep -c '"path"') -eq 1 ]] || fail "the existing path was not reported"
echo "attributes: ok"
