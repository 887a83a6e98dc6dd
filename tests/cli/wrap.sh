#!/usr/bin/env bash
# fupdef wrap writes a verified suitcase that fupdef resources, fontTools and fc-scan read;
# fupdef resources lists any Mac file's fork and fails with the status for a fork it cannot read.
source "$(dirname "$0")/common.bash"
cd "$work"

"$fupdef" sample-font -o wrap.ttf --family "Wrap Gothic" --japanese-name "ラップゴシック" --version 1.0.2
"$fupdef" wrap wrap.ttf -o "Wrap Gothic" --name "WrapGothic" --version "1.0.2" --id 16500
[[ -f "._Wrap Gothic" && ! -s "Wrap Gothic" ]] || fail "no AppleDouble pair"
"$fupdef" wrap wrap.ttf -o "Wrap Gothic" --name "WrapGothic" --version "1.0.2" 2>/dev/null \
  && fail "wrap replaced an existing file"

"$fupdef" resources --json "Wrap Gothic" >resources.json
/usr/bin/python3 - resources.json <<'PY' || fail "unexpected resources: $(cat resources.json)"
import json, sys
d = json.load(open(sys.argv[1]))
assert d["type"] == "FFIL" and d["creator"] == "DMOV", d
listed = [(r["type"], r["id"], r["name"]) for r in d["resources"]]
assert listed == [("FOND", 16500, "WrapGothic"), ("vers", 1, None), ("sfnt", 16500, "WrapGothic")], listed
PY

# Independent readers: fontTools through the fork in the companion, FreeType through fc-scan.
/usr/bin/python3 - "._Wrap Gothic" <<'PY' || fail "fontTools cannot read the suitcase"
import struct, sys
from io import BytesIO
from fontTools.misc.macRes import ResourceReader
from fontTools.ttLib import TTFont
companion = open(sys.argv[1], "rb").read()
count = struct.unpack(">H", companion[24:26])[0]
entries = [struct.unpack(">III", companion[26 + 12 * i:38 + 12 * i]) for i in range(count)]
offset, length = next((o, l) for (e, o, l) in entries if e == 2)
open("fork.rsrc", "wb").write(companion[offset:offset + length])
reader = ResourceReader(BytesIO(companion[offset:offset + length]))
vers = reader["vers"][0].data
assert vers[6:7 + vers[6]] == b"\x051.0.2", vers
font = TTFont(BytesIO(reader["sfnt"][0].data), checkChecksums=2)
[font[tag] for tag in font.keys()]
assert font["name"].getDebugName(1) == "Wrap Gothic"
PY
if command -v fc-scan >/dev/null; then
  [[ $(fc-scan --format '%{family[0]}' "Wrap Gothic") == "Wrap Gothic" ]] || fail "fc-scan family"
fi

# A suitcase is also a font input: wrapping it again takes its 'sfnt'.
"$fupdef" wrap "Wrap Gothic" -o Again --name "WrapGothic" --version "1.0.3" --long "1.0.3, again"
"$fupdef" resources Again | grep -q "'vers' 1" || fail "text listing"

# Any Mac file's fork is listed, not only a suitcase's.
"$fupdef" import fork.rsrc -o Plain --type TEXT --creator ttxt
"$fupdef" resources Plain | grep -q "type TEXT, creator ttxt, 3 resources" || fail "non-suitcase fork"

status=0
"$fupdef" resources wrap.ttf 2>err.txt || status=$?
[[ $status -eq 1 ]] || fail "exit status $status for a file without a fork"
grep -q -- "-1978" err.txt || fail "no status on standard error: $(cat err.txt)"
echo "wrap: ok"
