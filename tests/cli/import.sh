#!/usr/bin/env bash
# fupdef import: a MacBinary III font becomes a Mac file with the container's type, creator and
# fork; a BinHex file and a taken name are refused with exit 1.
source "$(dirname "$0")/common.bash"
fonts=${FU_SHARED_CORPUS:-}/fonts
if [[ -z ${FU_SHARED_CORPUS:-} || ! -f $fonts/AVAKernTT.bin ]]; then
  echo "import: skipped, the shared corpus (FU_SHARED_CORPUS) is absent"
  exit 77
fi

"$fupdef" import "$fonts/AVAKernTT.bin" -o "$work/AVAKernTT" >/dev/null
line=$("$fupdef" attributes "$work/AVAKernTT")
/usr/bin/python3 -c '
import json, sys
r = json.loads(sys.argv[1])
assert r["type"] == "FFIL" and r["creator"] == "DMOV", r
assert r["forkLength"] == 51575 and r["dataLength"] == 0, r
' "$line" || fail "unexpected attributes: $line"

status=0
"$fupdef" import "$fonts/AVAKernTT.bin" -o "$work/AVAKernTT" 2>"$work/err" || status=$?
[[ $status -eq 1 ]] || fail "a taken name gave exit status $status"
grep -q "already exists" "$work/err" || fail "no reason for the taken name: $(cat "$work/err")"

if [[ -f $fonts/4x6.hqx ]]; then
  status=0
  "$fupdef" import "$fonts/4x6.hqx" -o "$work/hqx" 2>"$work/err" || status=$?
  [[ $status -eq 1 ]] || fail "BinHex gave exit status $status"
  grep -q BinHex "$work/err" || fail "no reason for BinHex: $(cat "$work/err")"
  [[ ! -e $work/hqx && ! -e $work/._hqx ]] || fail "a refused import left a file behind"
fi
echo "import: ok"
