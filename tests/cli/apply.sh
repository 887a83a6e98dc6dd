#!/usr/bin/env bash
# fupdef search and apply in a sandbox: a suitcase at 1.0.1 becomes 1.0.2, the old one goes to
# the dated backup folder in the Trash, and fontTools reads the new font with every checksum.
source "$(dirname "$0")/common.bash"
use_sandbox_home
mkdir -p "$XDG_DATA_HOME/fonts/Sub"
cd "$work"

pack_demo_update
"$fupdef" wrap old.ttf -o "$XDG_DATA_HOME/fonts/Sub/Demo Gothic" --name DemoGothic --version 1.0.1

"$fupdef" search demo.fupdef --copyright "CLI test" --json >found.json
/usr/bin/python3 - found.json "$XDG_DATA_HOME/fonts/Sub/Demo Gothic" <<'PY' || fail "search: $(cat found.json)"
import json, sys
d = json.load(open(sys.argv[1]))
assert d["status"] == 0 and len(d["fonts"]) == 1, d
f = d["fonts"][0]
assert f["path"] == sys.argv[2] and f["domain"] == "user" and f["subDirPath"] == "Sub" and f["setIndex"] == 0, f
PY

# Without --yes and without an answer nothing happens.
if "$fupdef" apply demo.fupdef --copyright "CLI test" </dev/null >/dev/null 2>&1; then fail "applied unconfirmed"; fi
"$fupdef" apply demo.fupdef --copyright "CLI test" --yes >applied.txt 2>progress.txt || fail "apply: $(cat applied.txt progress.txt)"
grep -q "^outcome 0" applied.txt || fail "outcome: $(cat applied.txt)"
grep -q "DemoGothic" progress.txt || fail "no progress on standard error"
[[ -e cache-rebuilt ]] || fail "the cache script did not run"

backup="$XDG_DATA_HOME/Trash/files/古いフォント項目.$(date +%Y%m%d)"
[[ -e "$backup/ユーザ/Sub/Demo Gothic" && -e "$backup/ユーザ/Sub/._Demo Gothic" ]] || fail "old font not in $backup"
info="$XDG_DATA_HOME/Trash/info/古いフォント項目.$(date +%Y%m%d).trashinfo"
[[ -e "$info" ]] || fail "no .trashinfo"
# Restoring from the desktop's Trash must put the old fonts where no font scanner reads them.
/usr/bin/python3 - "$info" "$HOME/Desktop/$(basename "$backup")" <<'PY' || fail "trashinfo: $(cat "$info")"
import re, sys, urllib.parse
record = open(sys.argv[1], encoding="utf-8").read()
raw = re.search(r"^Path=(.*)$", record, re.M).group(1)
assert re.fullmatch(r"(?:[A-Za-z0-9/._~-]|%[0-9A-F]{2})+", raw), raw
path = urllib.parse.unquote(raw, errors="strict")
assert path == sys.argv[2], path
assert "/fonts/" not in path + "/" and not path.startswith("/usr/"), path
PY

# fontTools reads the installed font out of its companion: checksums, version, dates.
/usr/bin/python3 - "$XDG_DATA_HOME/fonts/Sub/._Demo Gothic" <<'PY' || fail "the new font does not pass fontTools"
import io, struct, sys, calendar
from fontTools.misc.macRes import ResourceReader
from fontTools.ttLib import TTFont
data = open(sys.argv[1], "rb").read()
count = struct.unpack(">H", data[24:26])[0]
entries = [struct.unpack(">III", data[26 + 12 * i:38 + 12 * i]) for i in range(count)]
offset, length = next((o, l) for i, o, l in entries if i == 2)
reader = ResourceReader(io.BytesIO(data[offset:offset + length]))
sfnt = reader["sfnt"][0].data
font = TTFont(io.BytesIO(sfnt), checkChecksums=2)
for tag in font.keys():
    font[tag]
versions = {r.toUnicode() for r in font["name"].names if r.nameID == 5}
assert versions == {"Version 1.0.2"}, versions
epoch = calendar.timegm((1904, 1, 1, 0, 0, 0))
jst = lambda *t: calendar.timegm(t) - 9 * 3600 - epoch + 32400
assert font["head"].created == jst(2014, 4, 1, 9, 0, 0), font["head"].created
assert font["head"].modified == jst(2014, 4, 2, 9, 30, 0), font["head"].modified
assert len(reader["vers"]) == 1 and b"1.0.2" in reader["vers"][0].data
PY
echo "search/apply: ok"
