#!/usr/bin/env bash
# cmake --install puts the polkit action for the helper where polkit reads actions, and its
# exec.path names the helper that the same install put in place: with another prefix than the
# configured one, and when the files are only staged under DESTDIR (the path then names where
# the helper will be, not the staging folder).
set -euo pipefail
build=${1:?build folder}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# $1: the folder the files land in; $2: the prefix the installed files are to name.
check_policy() {
  local root=$1 prefix=$2
  local policy=$root/share/polkit-1/actions/org.fontupdater.FontUpdater.helper.policy
  [[ -f $policy ]] || fail "no policy at $policy: $(find "$root" -name '*.policy')"
  /usr/bin/python3 - "$policy" "$root" "$prefix" <<'PY' || fail "policy $policy: $(cat "$policy")"
import os, sys
import xml.etree.ElementTree as ET

policy, root, prefix = sys.argv[1:]
tree = ET.parse(policy)  # raises on anything that is not well-formed
config = tree.getroot()
assert config.tag == "policyconfig", config.tag
actions = config.findall("action")
assert [a.get("id") for a in actions] == ["org.fontupdater.FontUpdater.helper"], [a.get("id") for a in actions]
action = actions[0]

LANG = "{http://www.w3.org/XML/1998/namespace}lang"
for tag in ("description", "message"):
    texts = {e.get(LANG): (e.text or "").strip() for e in action.findall(tag)}
    assert set(texts) == {None, "ja"}, (tag, texts)
    assert texts[None].isascii() and texts[None], (tag, texts)
    assert any("\u3040" <= c <= "\u30ff" for c in texts["ja"]), (tag, texts)

defaults = {e.tag: e.text for e in action.find("defaults")}
assert defaults == {"allow_any": "auth_admin", "allow_inactive": "auth_admin",
                    "allow_active": "auth_admin_keep"}, defaults

paths = [e.text for e in action.findall("annotate") if e.get("key") == "org.freedesktop.policykit.exec.path"]
assert len(paths) == 1, paths
path = paths[0]
assert os.path.isabs(path) and os.path.normpath(path) == path, path
assert path.startswith(prefix + "/") and os.path.basename(path) == "fontupdater-helper", (path, prefix)
staged = root + path[len(prefix):]
assert os.path.isfile(staged) and not os.path.islink(staged), staged
assert os.access(staged, os.X_OK), staged
PY
}

cmake --install "$build" --prefix "$work/prefix" >"$work/install.log" 2>&1 || fail "install: $(cat "$work/install.log")"
check_policy "$work/prefix" "$work/prefix"

DESTDIR=$work/stage cmake --install "$build" --prefix /opt/fontupdater >"$work/stage.log" 2>&1 ||
  fail "staged install: $(cat "$work/stage.log")"
check_policy "$work/stage/opt/fontupdater" /opt/fontupdater
echo "polkit action installed: ok"
