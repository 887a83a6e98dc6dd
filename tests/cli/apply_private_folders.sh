#!/usr/bin/env bash
# fupdef apply and the folders it keeps fonts in on the way: anything planted where its work
# folder goes (a file, a folder open to everyone, a link, another user's folder) stops the run
# before any font is touched, every font is reported as not updated, and what was planted is left
# as it was; the folders the run makes itself are the user's alone, whatever the umask.
source "$(dirname "$0")/common.bash"
use_sandbox_home
cd "$work"

pack_demo_update
font="$XDG_DATA_HOME/fonts/Demo Gothic"
temp="$XDG_DATA_HOME/org.fontupdater.FontUpdater.temp"
"$fupdef" wrap old.ttf -o "$font" --name DemoGothic --version 1.0.1
cp "$XDG_DATA_HOME/fonts/._Demo Gothic" companion.before
mkdir -m 700 elsewhere

# $1 names what was planted; the run must refuse it with the temporary-folder outcome.
expect_refused() {
  if "$fupdef" apply demo.fupdef --copyright "CLI test" --yes --json >applied.json 2>progress.txt; then
    fail "$1: the run went ahead"
  fi
  /usr/bin/python3 - applied.json "$font" <<'PY' || fail "$1: apply --json: $(cat applied.json)"
import json, sys
d = json.load(open(sys.argv[1]))
assert d["outcome"] == -488 and "作業用一時フォルダ" in d["message"], d
assert [f["path"] for f in d["fonts"]] == [sys.argv[2]], d
f = d["fonts"][0]
assert f["updated"] is False and f["result"] != 0, f
assert f["message"] == "エラーのためアップデートは行われませんでした。", f
PY
  cmp -s companion.before "$XDG_DATA_HOME/fonts/._Demo Gothic" || fail "$1: the installed font changed"
  [[ -z "$(ls -A elsewhere)" ]] || fail "$1: something was written where the link leads"
  trash_is_empty || fail "$1: something went to the Trash"
  [[ ! -e cache-rebuilt ]] || fail "$1: the cache was rebuilt"
}

echo "in the way" >"$temp"
expect_refused "a file in the way"
[[ "$(cat "$temp")" == "in the way" ]] || fail "the blocking file was touched"
# As text, the font is shown as not updated.
"$fupdef" apply demo.fupdef --copyright "CLI test" --yes >applied.txt 2>>progress.txt && fail "text run succeeded"
grep -q "^未完"$'\t'".*Demo Gothic" applied.txt || fail "the font is not shown as not updated: $(cat applied.txt)"
grep -q "^完了" applied.txt && fail "a font is shown as done: $(cat applied.txt)"
rm "$temp"

mkdir "$temp" && chmod 777 "$temp"
expect_refused "a folder open to everyone"
[[ "$(stat -c %a "$temp")" == 777 && -z "$(ls -A "$temp")" ]] || fail "the planted folder was changed"
rmdir "$temp"

ln -s "$work/elsewhere" "$temp"
expect_refused "a link to a folder of the user's"
[[ -L "$temp" ]] || fail "the link was replaced"
rm "$temp"

if [[ $(id -u) -eq 0 ]]; then
  mkdir -m 700 "$temp" && chown 4242:4242 "$temp"
  expect_refused "another user's folder"
  [[ "$(stat -c %u "$temp")" == 4242 ]] || fail "the other user's folder changed hands"
  rmdir "$temp"
fi

# With nothing in the way the same run goes ahead; a umask of 0 must not open what it makes.
(umask 0 && "$fupdef" apply demo.fupdef --copyright "CLI test" --yes >applied.txt 2>progress.txt) ||
  fail "apply: $(cat applied.txt progress.txt)"
grep -q "^outcome 0" applied.txt || fail "outcome: $(cat applied.txt)"
backup="$XDG_DATA_HOME/Trash/files/古いフォント項目.$(date +%Y%m%d)"
[[ -e "$backup/ユーザ/Demo Gothic" ]] || fail "old font not in $backup"
[[ "$(stat -c %a "$backup")" == 700 ]] || fail "backup folder is $(stat -c %a "$backup"), not 700"
[[ ! -e "$temp" ]] || fail "the work folder was left behind"
echo "apply with private folders: ok"
