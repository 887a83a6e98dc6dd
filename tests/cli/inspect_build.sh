#!/usr/bin/env bash
# fupdef inspect and build: a suitcase's record names the set it matches; a folder of old
# suitcases becomes new ones in the output folder, with the log, and the source folder is as it was.
source "$(dirname "$0")/common.bash"
cd "$work"

pack_demo_update
"$fupdef" sample-font -o other-old.ttf --family "Demo Gothic" --japanese-name "デモゴシック" --version 1.0.1 --glyphs 9
"$fupdef" sample-font -o other-new.ttf --family "Demo Gothic" --japanese-name "デモゴシック" --version 1.0.1 --glyphs 13
mkdir -p src/Sub out records-out
"$fupdef" wrap old.ttf -o "src/Demo Gothic" --name DemoGothic --version 1.0.1
"$fupdef" wrap old.ttf -o "src/Sub/Demo Gothic Sub" --name DemoGothic --version 1.0.1
printf 'not a font\n' >src/notes.txt
# The suitcase matches the second set only.
pack_demo two-sets.fupdef --set Other other-old.ttf other-new.ttf --set Glyphs old.ttf new.ttf --copyright "CLI test"
tree() { (cd "$1" && find . -type f -print0 | sort -z | xargs -0 sha256sum); }
before=$(tree src)

"$fupdef" inspect "src/Demo Gothic" --definition two-sets.fupdef --copyright "CLI test" --json >records.json \
  || fail "inspect: $(cat records.json)"
/usr/bin/python3 - records.json <<'PY' || fail "inspect: $(cat records.json)"
import json, sys
items = json.load(open(sys.argv[1]))["checkTargetItems"]
assert len(items) == 1, items
r = items[0]
assert r["matchSfntData"] is True and r["matchSfntSetIndex"] == 1, r
assert r["matchNewSfntData"] is False, r
assert r["fondResName"] == "DemoGothic" and r["japanFullName"] == "デモゴシック" and r["shortVersStr"] == "1.0.1", r
assert r["resMapInfo"] == r["nResMapInfo"] and "nVersStr" not in r, r
PY
if "$fupdef" inspect src/notes.txt >/dev/null 2>err.txt; then fail "inspected a file without resources"; fi
grep -q "cannot be inspected" err.txt || fail "no reason given: $(cat err.txt)"

"$fupdef" build two-sets.fupdef --src src --dst out --copyright "CLI test" >log.txt || fail "build: $(cat log.txt)"
grep -qxF "[成功] src/Demo Gothic ＝＞ out/Demo Gothic" log.txt || fail "log: $(cat log.txt)"
grep -qxF "[成功] src/Sub/Demo Gothic Sub ＝＞ out/Sub/Demo Gothic Sub" log.txt || fail "log: $(cat log.txt)"
[[ $(tail -n 1 log.txt) == "[終了]" && $(wc -l <log.txt) -eq 3 ]] || fail "log: $(cat log.txt)"
"$fupdef" inspect "out/Demo Gothic" "out/Sub/Demo Gothic Sub" --definition two-sets.fupdef --copyright "CLI test" \
  --json >built.json || fail "the new fonts do not inspect"
/usr/bin/python3 - built.json <<'PY' || fail "new fonts: $(cat built.json)"
import json, sys
for r in json.load(open(sys.argv[1]))["checkTargetItems"]:
    assert r["shortVersStr"] == "1.0.2" and r["sfntVersStr"] == "Version 1.0.2", r
    assert r["matchNewSfntData"] is True and r["matchNewSfntSetIndex"] == 1 and r["matchSfntData"] is False, r
PY

# The records, completed by their author, build the same font.
/usr/bin/python3 - records.json completed.json <<'PY'
import json, sys
d = json.load(open(sys.argv[1]))
for r in d["checkTargetItems"]:
    r.update(nVersStr="1.0.2", nSfntCDate="2014/04/01 09:00:00", nSfntMDate="2014/04/02 09:30:00",
             nFileCDate="2014/04/03 09:00:00", nFileMDate="2014/04/04 09:00:00")
json.dump(d, open(sys.argv[2], "w"))
PY
"$fupdef" build two-sets.fupdef --records records.json --dst records-out --copyright "CLI test" 2>err.txt \
  && fail "built from incomplete records"
grep -q "nVersStr" err.txt || fail "incomplete records not explained: $(cat err.txt)"
"$fupdef" build two-sets.fupdef --records completed.json --dst records-out --copyright "CLI test" >/dev/null \
  || fail "build --records"
# The resource fork is the companion's last entry, after the header (62 bytes), Finder info (32)
# and the dates (16), whose access date may differ.
cmp <(tail -c +111 "out/._Demo Gothic") <(tail -c +111 "records-out/._Demo Gothic") \
  || fail "the two ways of building disagree"

# A build that would write into the source is refused before anything happens.
if "$fupdef" build two-sets.fupdef --src src --dst src/Sub --copyright "CLI test" >log.txt; then fail "built into the source"; fi
grep -qxF "[エラー] 生成先のフォルダが不正です。" log.txt || fail "refusal: $(cat log.txt)"
[[ $(tree src) == "$before" ]] || fail "the source folder changed"
echo "inspect/build: ok"
