#!/usr/bin/env bash
# Attacks on an update run with rights, from the outside.
#  - While fupdef holds the helper, another program of the same user tries to open fupdef's pipes
#    through /proc and speak to the helper in its name. It must get no descriptor, and the run
#    must go on untouched.
#  - A definition signed by a key nobody trusts asks for no password and runs nothing as root:
#    the elevation launcher is never started and the computer's font stays as it was.
# Root may open any process's descriptors, so as root the whole run is made as "nobody", with
# copies of the programs it can reach.
source "$(dirname "$0")/common.bash"
chmod 755 "$work"
cd "$work"
as_user=()
bin=${FU_BIN_DIR:?}
if [[ $(id -u) == 0 ]]; then
  mkdir bin
  cp "$bin/fupdef" "$bin/fontupdater-helper" bin/
  bin=$work/bin
  fupdef=$bin/fupdef
  as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups --reset-env)
fi
use_sandbox_home
mkdir -p "$XDG_DATA_HOME/Trash/files"
pack_demo_update
printf 'OSAATSChacheRemoveAuth\t/usr/bin/touch %s/computer-cache\n' "$work" >>scripts.txt
pack_demo signed.fupdef --set Glyphs old.ttf new.ttf --sign-key "${FU_DEMO_SIGNING_KEY:?}" >/dev/null
"$fupdef" keygen stranger.key >/dev/null
pack_demo stranger.fupdef --set Glyphs old.ttf new.ttf --sign-key stranger.key >/dev/null
"$fupdef" wrap old.ttf -o "$FONTUPDATER_SYSTEM_FONTS/Gothic" --name DemoGothic --version 1.0.1
cp -p "$FONTUPDATER_SYSTEM_FONTS/._Gothic" computer-old-companion

# The launcher stands where pkexec would, records that it ran, and starts the attacker, which
# is no child of fupdef's pipes: its standard streams go elsewhere and nothing else is inherited.
cat >attacker.py <<'PY'
import os, sys
victim = sys.argv[1]
try:
    names = os.listdir(f"/proc/{victim}/fd")
except OSError as error:
    print(f"denied listing: {error.errno}")
    sys.exit(0)
opened = 0
for name in names:
    try:
        fd = os.open(f"/proc/{victim}/fd/{name}", os.O_WRONLY | os.O_NONBLOCK)
    except OSError:
        continue
    # A QUIT in fupdef's name would end its helper in the middle of the run.
    try:
        os.write(fd, b"QUIT\0")
        opened += 1
    except OSError:
        pass
    os.close(fd)
print(f"opened {opened}" if opened else "denied every descriptor")
PY
cat >launch.sh <<EOF2
#!/bin/sh
touch "$work/elevation-asked"
/usr/bin/python3 "$work/attacker.py" \$PPID </dev/null >"$work/attack.log" 2>&1
exec "\$@"
EOF2
chmod 755 launch.sh
[[ ${#as_user[@]} == 0 ]] || chown -R 65534:65534 "$work"

run_apply() {
  "${as_user[@]}" env HOME="$HOME" XDG_DATA_HOME="$XDG_DATA_HOME" XDG_CONFIG_HOME="$XDG_CONFIG_HOME" \
    FONTUPDATER_SYSTEM_FONTS="$FONTUPDATER_SYSTEM_FONTS" FONTUPDATER_ELEVATE="$work/launch.sh" PATH=/usr/bin:/bin \
    "$fupdef" apply "$1" --yes >applied.txt 2>progress.txt
}

# The stranger's definition first: only the user's folder is searched, and there is nothing.
if run_apply stranger.fupdef; then fail "a stranger's definition updated something: $(cat applied.txt)"; fi
grep -q "署名されていない" progress.txt || fail "no warning: $(cat progress.txt)"
[[ ! -e elevation-asked ]] || fail "a stranger's definition had a password asked for"
[[ ! -e computer-cache ]] || fail "a stranger's definition ran its script"
cmp -s computer-old-companion "$FONTUPDATER_SYSTEM_FONTS/._Gothic" || fail "a stranger's definition changed the computer's font"

run_apply signed.fupdef || fail "the trusted run: $(cat applied.txt progress.txt)"
[[ -e elevation-asked ]] || fail "the trusted run never started the helper"
grep -q "^denied" attack.log || fail "another program reached fupdef's pipes: $(cat attack.log)"
cmp -s computer-old-companion "$FONTUPDATER_SYSTEM_FONTS/._Gothic" && fail "the computer's font was not updated"
[[ -e computer-cache ]] || fail "the signed cache script did not run"
grep -q "管理者権限で実行するもの（署名：demo-build）" progress.txt || fail "what runs with rights was not said: $(cat progress.txt)"
echo "ok: $(cat attack.log)"
