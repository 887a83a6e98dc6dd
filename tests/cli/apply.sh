#!/usr/bin/env bash
# fupdef search and apply in a sandbox: a suitcase at 1.0.1 becomes 1.0.2, the old one goes to
# the dated backup folder in the Trash, and fontTools reads the new font with every checksum.
source "$(dirname "$0")/common.bash"
export HOME=$work/home XDG_DATA_HOME=$work/home/.local/share XDG_CONFIG_HOME=$work/home/.config
export FONTUPDATER_SYSTEM_FONTS=$work/system-fonts
mkdir -p "$XDG_DATA_HOME/fonts/Sub" "$FONTUPDATER_SYSTEM_FONTS"
cd "$work"

"$fupdef" sample-font -o old.ttf --family "Demo Gothic" --japanese-name "デモゴシック" --version 1.0.1
"$fupdef" sample-font -o new.ttf --family "Demo Gothic" --japanese-name "デモゴシック" --version 1.0.1 --glyphs 12
"$fupdef" wrap old.ttf -o "$XDG_DATA_HOME/fonts/Sub/Demo Gothic" --name DemoGothic --version 1.0.1
printf '{\\rtf1\\ansi Demo\\par}' >readme.rtf
printf 'DemoGothic\tデモゴシック\t1.0.1\t*\t1.0.2\t2014/04/01 09:00:00\t2014/04/02 09:30:00\t2014/04/03 09:00:00\t2014/04/04 09:00:00\t*\n' >targets.txt
printf 'UserChacheRemove\t/usr/bin/touch %s/cache-rebuilt\n' "$work" >scripts.txt
"$fupdef" pack -o demo.fupdef --readme readme.rtf --targets targets.txt --scripts scripts.txt \
  --set Glyphs old.ttf new.ttf --copyright "CLI test"

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
[[ -e "$XDG_DATA_HOME/Trash/info/古いフォント項目.$(date +%Y%m%d).trashinfo" ]] || fail "no .trashinfo"

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
