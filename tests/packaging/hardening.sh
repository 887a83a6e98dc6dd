#!/usr/bin/env bash
# The programs we ship carry the build's hardening, read from the ELF files themselves: full RELRO
# (a GNU_RELRO segment and every symbol bound at start), stack canaries (__stack_chk_fail
# imported) and fortified libc calls (at least one checked __*_chk variant imported).
set -euo pipefail
bin=${FU_BIN_DIR:?}
failures=0
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
  [[ -n $fortified ]] || fail "$name: no fortified __*_chk call is imported"
  [[ $failures -eq 0 ]] && echo "$name: relro, bind now, stack protector, fortified ($(echo $fortified | tr '\n' ' '))"
done
exit $((failures != 0))
