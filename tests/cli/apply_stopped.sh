#!/usr/bin/env bash
# fupdef apply when the run stops before it reaches any font (a file stands where the temporary
# folder goes): every font is reported as not updated, and the installed font is left as it was.
source "$(dirname "$0")/common.bash"
use_sandbox_home
cd "$work"

pack_demo_update
font="$XDG_DATA_HOME/fonts/Demo Gothic"
"$fupdef" wrap old.ttf -o "$font" --name DemoGothic --version 1.0.1
cp "$XDG_DATA_HOME/fonts/._Demo Gothic" companion.before
echo "in the way" >"$XDG_DATA_HOME/org.fontupdater.FontUpdater.temp"

if "$fupdef" apply demo.fupdef --copyright "CLI test" --yes --json >applied.json 2>progress.txt; then
  fail "a run that could not start reported success"
fi
/usr/bin/python3 - applied.json "$font" <<'PY' || fail "apply --json: $(cat applied.json)"
import json, sys
d = json.load(open(sys.argv[1]))
assert d["outcome"] == -488, d
assert [f["path"] for f in d["fonts"]] == [sys.argv[2]], d
f = d["fonts"][0]
assert f["updated"] is False and f["result"] != 0, f
assert f["message"] == "エラーのためアップデートは行われませんでした。", f
PY

"$fupdef" apply demo.fupdef --copyright "CLI test" --yes >applied.txt 2>>progress.txt && fail "text run succeeded"
grep -q "^未完"$'\t'".*Demo Gothic" applied.txt || fail "the font is not shown as not updated: $(cat applied.txt)"
grep -q "^完了" applied.txt && fail "a font is shown as done: $(cat applied.txt)"

cmp -s companion.before "$XDG_DATA_HOME/fonts/._Demo Gothic" || fail "the installed font changed"
[[ "$(cat "$XDG_DATA_HOME/org.fontupdater.FontUpdater.temp")" == "in the way" ]] || fail "the blocking file was touched"
[[ ! -e cache-rebuilt ]] || fail "the cache was rebuilt although nothing was updated"
trash_is_empty || fail "something went to the Trash"
echo "apply stopped early: ok"
