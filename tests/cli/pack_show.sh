#!/usr/bin/env bash
# fupdef pack writes a definition that fupdef show decrypts, verifies and prints.
source "$(dirname "$0")/common.bash"
cd "$work"

"$fupdef" sample-font -o old.ttf --family "Demo Gothic" --japanese-name "デモゴシック" --version 1.0
"$fupdef" sample-font -o new.ttf --family "Demo Gothic" --japanese-name "デモゴシック" --version 1.0.1 --glyphs 12
"$fupdef" sample-font -o padded.ttf --family "Demo Gothic" --japanese-name "デモゴシック" --version 1.0.1 --pad 64
printf '{\\rtf1\\ansi\\ansicpg932{\\fonttbl\\f0\\fnil\\fcharset128 Osaka;}\\f0 \\u12354?\\u12426?\\u12364?\\u12392?\\u12358?\\par}' >readme.rtf
printf 'DemoGothic\tデモゴシック\t1.0\t*\t1.0.1\t2014/04/01 09:00:00\t2014/04/01 09:00:00\t2014/04/02 09:00:00\t2014/04/02 09:00:00\t*\n' >targets.txt
printf 'UserChacheRemove\t/usr/bin/fc-cache -f\n' >scripts.txt

# OLD may be an installed suitcase as well as an sfnt file.
"$fupdef" wrap old.ttf -o OldSuitcase --name DemoGothic --version 1.0
pack_demo demo.fupdef --set "Glyphs" OldSuitcase new.ttf --set "Again" old.ttf new.ttf --skip 7 \
  --copyright "Test copyright"

"$fupdef" show demo.fupdef --copyright "Test copyright" >shown.txt
grep -q "ありがとう" shown.txt || fail "read-me not shown"
grep -q "japanFullName: デモゴシック" shown.txt || fail "target not shown"
grep -q "UserChacheRemove: /usr/bin/fc-cache -f" shown.txt || fail "script not shown"

"$fupdef" show demo.fupdef --copyright "Test copyright" --json >shown.json
/usr/bin/python3 - shown.json <<'PY' || fail "unexpected JSON"
import json, sys
d = json.load(open(sys.argv[1]))
assert d["readme"].startswith("ありがとう"), d["readme"]
t = d["targets"][0]
assert list(t) == ["resName", "japanFullName", "oVersStr", "checksum", "nVersStr", "nSfntCDate",
                   "nSfntMDate", "nFileCDate", "nFileMDate", "nResMapInfo"]
assert t["resName"] == "DemoGothic" and t["nVersStr"] == "1.0.1"
assert [s["name"] for s in d["sets"]] == ["Glyphs", "Again"]
tags = [x["tag"] for x in d["sets"][0]["old"]]
assert "glyf" in tags and "name" not in tags and "head" not in tags, tags
assert [x["tag"] for x in d["sets"][0]["new"]] == tags
assert d["sets"][1]["old"] == d["sets"][0]["old"], "suitcase and sfnt file give the same set"
assert d["scripts"] == {"UserChacheRemove": "/usr/bin/fc-cache -f"}
PY

# Refusals: another key, a damaged file, a table only the new font has.
if "$fupdef" show demo.fupdef 2>err.txt >/dev/null; then fail "opened with the build's key"; fi
grep -q "refused" err.txt || fail "no reason given: $(cat err.txt)"
head -c 100 demo.fupdef >short.fupdef
if "$fupdef" show short.fupdef --copyright "Test copyright" 2>err.txt; then fail "opened a truncated file"; fi
grep -q "length" err.txt || fail "truncation not named: $(cat err.txt)"
if pack_demo bad.fupdef --set "Bad" old.ttf padded.ttf 2>err.txt; then fail "packed a table only the new font has"; fi
grep -q "only in the new font" err.txt || fail "refusal not explained: $(cat err.txt)"
[[ ! -e bad.fupdef ]] || fail "a refused pack left a file"
echo "pack/show: ok"
