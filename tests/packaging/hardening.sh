#!/usr/bin/env bash
# The programs we ship carry the build's hardening, read from the ELF files themselves: full RELRO
# (a GNU_RELRO segment and every symbol bound at start), stack canaries (__stack_chk_fail
# imported) and fortified libc calls. Fortification is the build's, not a program's, and only
# shows where a program makes a call it can check: one checked __*_chk import in any of the
# three shows it in effect (the wizard today makes no such call of its own).
set -euo pipefail
bin=${FU_BIN_DIR:?}
failures=0
any_fortified=""
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

for name in fontupdater fupdef fontupdater-helper; do
  file=$bin/$name
  if [[ ! -f $file ]]; then
    fail "$name: not built at $file"
    continue
  fi
  readelf -lW "$file" | grep -qE '^[[:space:]]*GNU_RELRO[[:space:]]' || fail "$name: no GNU_RELRO program header"
  readelf -dW "$file" | grep -qE '\(FLAGS\)[[:space:]].*\bBIND_NOW\b|\(FLAGS_1\)[[:space:]].*\bNOW\b' ||
    fail "$name: the dynamic section does not ask for BIND_NOW"
  # Undefined dynamic symbols, version suffixes dropped: what the program takes from its libraries.
  imports=$(readelf --dyn-syms -W "$file" | awk '$7 == "UND" { sub(/@.*/, "", $8); print $8 }')
  grep -qx '__stack_chk_fail' <<<"$imports" || fail "$name: __stack_chk_fail is not imported"
  fortified=$(grep -E '^__[A-Za-z0-9_]+_chk$' <<<"$imports" | grep -vx '__stack_chk_fail' || true)
  any_fortified+=$fortified
  [[ $failures -eq 0 ]] && echo "$name: relro, bind now, stack protector, fortified ($(echo ${fortified:-none needed} | tr '\n' ' '))"
done
[[ -n $any_fortified ]] || fail "no program imports a fortified __*_chk call: the build is not fortified"
exit $((failures != 0))
