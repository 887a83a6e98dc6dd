#!/usr/bin/env bash
# fupdef restore undoes an update run: the old fonts come back byte for byte, in their
# sub-folders, and the fonts they replace are kept in a backup folder of their own.
source "$(dirname "$0")/common.bash"
use_sandbox_home
mkdir -p "$XDG_DATA_HOME/fonts/Sub"
cd "$work"

pack_demo_update
font="$XDG_DATA_HOME/fonts/Sub/Demo Gothic"
"$fupdef" wrap old.ttf -o "$font" --name DemoGothic --version 1.0.1
cp -p "$font" old-data; cp -p "$XDG_DATA_HOME/fonts/Sub/._Demo Gothic" old-companion

"$fupdef" apply demo.fupdef --copyright "CLI test" --yes >/dev/null 2>&1 || fail "apply"
cmp -s old-companion "$XDG_DATA_HOME/fonts/Sub/._Demo Gothic" && fail "apply changed nothing"
cp -p "$XDG_DATA_HOME/fonts/Sub/._Demo Gothic" new-companion
backup="$XDG_DATA_HOME/Trash/files/古いフォント項目.$(date +%Y%m%d)"

# Unconfirmed, nothing moves.
if "$fupdef" restore "$backup" </dev/null >/dev/null 2>&1; then fail "restored unconfirmed"; fi
cmp -s new-companion "$XDG_DATA_HOME/fonts/Sub/._Demo Gothic" || fail "an unconfirmed restore changed the font"

"$fupdef" restore "$backup" --yes --json >restored.json 2>err.txt || fail "restore: $(cat restored.json err.txt)"
cmp -s old-companion "$XDG_DATA_HOME/fonts/Sub/._Demo Gothic" || fail "the old font is not back"
cmp -s old-data "$font" || fail "the old data file is not back"
[[ -e "$backup/ユーザ/Sub/._Demo Gothic" ]] && fail "the restored font is still in the Trash"
/usr/bin/python3 - restored.json "$font" new-companion <<'PY' || fail "restore report: $(cat restored.json)"
import json, os, sys
d = json.load(open(sys.argv[1]))
assert [f["path"] for f in d["fonts"] if f["restored"]] == [sys.argv[2]], d
newer = d["newerFontsIn"]
kept = os.path.join(newer, "ユーザ", "Sub", "._Demo Gothic")
assert open(kept, "rb").read() == open(sys.argv[3], "rb").read(), kept
PY
"$fupdef" search demo.fupdef --copyright "CLI test" --json | grep -q '"path"' || fail "the restored font is not found again"

# A font that is gone altogether comes back too, and nothing is left under a staged name.
"$fupdef" apply demo.fupdef --copyright "CLI test" --yes >/dev/null 2>&1 || fail "second apply"
second=$(ls -d "$XDG_DATA_HOME"/Trash/files/古いフォント項目.* | sort | tail -n 1)
rm "$font" "$XDG_DATA_HOME/fonts/Sub/._Demo Gothic"
"$fupdef" restore "$second" --yes >restored.txt 2>&1 || fail "restore of a missing font: $(cat restored.txt)"
cmp -s old-companion "$XDG_DATA_HOME/fonts/Sub/._Demo Gothic" || fail "the missing font did not come back"
ls -A "$XDG_DATA_HOME/fonts/Sub" | grep -q '^\.fu-' && fail "staged names left: $(ls -A "$XDG_DATA_HOME/fonts/Sub")"
# The computer's fonts go back through the helper (started directly here), as files everyone may
# read, and the user's come back beside them. Only a definition of a trusted signer reaches
# them, sealed with the build's own key, as the helper opens it.
export FONTUPDATER_ELEVATE=env
printf 'OSAATSChacheRemoveAuth\t/bin/true\n' >>scripts.txt
pack_demo both.fupdef --set Glyphs old.ttf new.ttf --sign-key "${FU_DEMO_SIGNING_KEY:?}" >/dev/null
computer="$FONTUPDATER_SYSTEM_FONTS/Gothic"
"$fupdef" wrap old.ttf -o "$computer" --name DemoGothic --version 1.0.1
cp -p "$FONTUPDATER_SYSTEM_FONTS/._Gothic" computer-old-companion
"$fupdef" apply both.fupdef --yes >/dev/null 2>&1 || fail "apply with the computer's font"
cmp -s computer-old-companion "$FONTUPDATER_SYSTEM_FONTS/._Gothic" && fail "the computer's font was not updated"
third=$(ls -d "$XDG_DATA_HOME"/Trash/files/古いフォント項目.* | sort -V | tail -n 1)
[[ -e "$third/コンピュータ/._Gothic" ]] || fail "no computer part in $third"
"$fupdef" restore "$third" --yes >restored.txt 2>&1 || fail "restore with the computer's font: $(cat restored.txt)"
cmp -s computer-old-companion "$FONTUPDATER_SYSTEM_FONTS/._Gothic" || fail "the computer's font is not back"
[[ $(stat -c %a "$FONTUPDATER_SYSTEM_FONTS/._Gothic") == 644 ]] || fail "the computer's font is not 0644"
grep -c "^復元" restored.txt | grep -qx 2 || fail "two fonts restored: $(cat restored.txt)"

# A folder that is no backup of ours moves nothing into a Fonts folder and takes nothing from
# where it lies: not through a part that is a link elsewhere, nor a file that is no suitcase.
mkdir -p elsewhere hostile
echo precious >elsewhere/notes.txt
ln -s "$work/elsewhere" hostile/ユーザ
status=0; "$fupdef" restore "$work/hostile" --yes >restored.txt 2>&1 || status=$?
[[ $status -ne 0 && -f elsewhere/notes.txt && ! -e "$XDG_DATA_HOME/fonts/notes.txt" ]] ||
  fail "a part linked elsewhere was restored ($status): $(cat restored.txt)"
rm hostile/ユーザ && mkdir hostile/ユーザ && mv elsewhere/notes.txt hostile/ユーザ/
status=0; "$fupdef" restore "$work/hostile" --yes --json >restored.json 2>&1 || status=$?
[[ $status -ne 0 && -f hostile/ユーザ/notes.txt && ! -e "$XDG_DATA_HOME/fonts/notes.txt" ]] ||
  fail "a file that is no suitcase was restored ($status): $(cat restored.json)"
grep -q '"result": -2974' restored.json || fail "not reported as no suitcase: $(cat restored.json)"
echo "restore: ok"
