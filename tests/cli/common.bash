# Sourced by the CLI tests: strict mode, the fupdef under test, a private work folder that goes
# away afterwards, and fail().
set -euo pipefail
fupdef=${FU_BIN_DIR:?}/fupdef
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
