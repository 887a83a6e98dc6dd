#!/usr/bin/env bash
# fupdef search over a Fonts folder where hostile files lie beside a real font: a FIFO as a
# companion and as a data file, a sparse companion claiming a 2 GiB fork whose map is all of it.
# The search answers at once, within a capped address space, with the real font alone, and the
# hostile files stay as they were.
source "$(dirname "$0")/common.bash"
use_sandbox_home
fonts=$XDG_DATA_HOME/fonts
cd "$work"

pack_demo_update
"$fupdef" wrap old.ttf -o "$fonts/Demo Gothic" --name DemoGothic --version 1.0.1
: >"$fonts/Piped"
mkfifo "$fonts/._Piped"
"$fupdef" wrap old.ttf -o "$fonts/Fifo Data" --name DemoGothic --version 1.0.1
rm "$fonts/Fifo Data"
mkfifo "$fonts/Fifo Data"
: >"$fonts/Sparse"
/usr/bin/python3 - "$fonts/._Sparse" <<'PY'
import struct, sys
fork = 2 << 30
# AppleDouble 2: Finder info 'FFIL' at 50, the fork at 82: 256 bytes of data at 256, then a map
# that runs to the fork's end.
head = struct.pack(">II16sH", 0x00051607, 0x00020000, b"", 2)
head += struct.pack(">III", 9, 50, 32) + struct.pack(">III", 2, 82, fork)
head += b"FFILDMOV" + bytes(24) + struct.pack(">IIII", 256, 512, 256, fork - 512)
with open(sys.argv[1], "wb") as f:
    f.write(head)
    f.truncate(82 + fork)
PY
sparse_start=$(head -c 4096 "$fonts/._Sparse" | md5sum)

# ASan reserves terabytes of address space for its shadow, which no cap on it leaves room for; a
# build under it gets ASan's own cap instead: no allocation above 1 GiB, no more resident either.
cap=(ulimit -v $((1024 * 1024)))
if nm -D "$fupdef" | grep ' __asan_init$' >/dev/null; then
  cap=(export "ASAN_OPTIONS=${ASAN_OPTIONS:-}:max_allocation_size_mb=1024:allocator_may_return_null=1:hard_rss_limit_mb=1024")
fi
# A hang guard, not a measure: the search takes a moment; a FIFO read would take for ever.
status=0
("${cap[@]}"; exec timeout 300 "$fupdef" search demo.fupdef --copyright "CLI test" --json) \
  >found.json 2>progress.txt || status=$?
[[ $status -ne 124 ]] || fail "the search hung"
[[ $status -eq 0 ]] || fail "search exited $status: $(cat found.json progress.txt)"
/usr/bin/python3 - found.json "$fonts/Demo Gothic" <<'PY' || fail "search: $(cat found.json)"
import json, sys
d = json.load(open(sys.argv[1]))
assert d["status"] == 0 and [f["path"] for f in d["fonts"]] == [sys.argv[2]], d
PY

[[ -p "$fonts/._Piped" && -p "$fonts/Fifo Data" ]] || fail "a FIFO was replaced"
[[ $(stat -c %s "$fonts/._Sparse") -eq $((82 + (2 << 30))) ]] || fail "the sparse companion changed size"
[[ $(head -c 4096 "$fonts/._Sparse" | md5sum) == "$sparse_start" ]] || fail "the sparse companion was rewritten"
echo "hostile_files: ok"
