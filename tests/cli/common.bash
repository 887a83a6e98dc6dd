# Sourced by the CLI tests: strict mode, the fupdef under test, a private work folder that goes
# away afterwards, and fail(). A command expected to fail is run as `status=0; cmd || status=$?`.
set -euo pipefail
fupdef=${FU_BIN_DIR:?}/fupdef
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# Points HOME, the XDG folders and the computer's Fonts folder into $work, both Fonts folders made.
use_sandbox_home() {
  export HOME=$work/home XDG_DATA_HOME=$work/home/.local/share XDG_CONFIG_HOME=$work/home/.config
  export FONTUPDATER_SYSTEM_FONTS=$work/system-fonts
  mkdir -p "$XDG_DATA_HOME/fonts" "$FONTUPDATER_SYSTEM_FONTS"
}

# Packs $1 in the current folder from readme.rtf, targets.txt and scripts.txt, with the sets and
# options that follow.
pack_demo() {
  "$fupdef" pack -o "$1" --readme readme.rtf --targets targets.txt --scripts scripts.txt "${@:2}"
}

# True when nothing went to the Trash.
trash_is_empty() {
  [[ ! -e "$XDG_DATA_HOME/Trash/files" ]] || [[ -z "$(ls -A "$XDG_DATA_HOME/Trash/files")" ]]
}

# In the current folder: old.ttf (what is installed), new.ttf, and demo.fupdef raising DemoGothic
# from 1.0.1 to 1.0.2 with a user cache rebuild that touches $work/cache-rebuilt.
pack_demo_update() {
  "$fupdef" sample-font -o old.ttf --family "Demo Gothic" --japanese-name "デモゴシック" --version 1.0.1
  "$fupdef" sample-font -o new.ttf --family "Demo Gothic" --japanese-name "デモゴシック" --version 1.0.1 --glyphs 12
  printf '{\\rtf1\\ansi Demo\\par}' >readme.rtf
  printf 'DemoGothic\tデモゴシック\t1.0.1\t*\t1.0.2\t2014/04/01 09:00:00\t2014/04/02 09:30:00\t2014/04/03 09:00:00\t2014/04/04 09:00:00\t*\n' >targets.txt
  printf 'UserChacheRemove\t/usr/bin/touch %s/cache-rebuilt\n' "$work" >scripts.txt
  pack_demo demo.fupdef --set Glyphs old.ttf new.ttf --copyright "CLI test"
}
