#!/usr/bin/env bash
# fupdef keygen, pack --sign-key, sign and verify; show names the signer. Trusted keys come from a
# folder of the test's own, which only the test build of fupdef reads.
source "$(dirname "$0")/common.bash"
cd "$work"
testhooks=${FU_BIN_DIR:?}/fupdef-testhooks
trust() { FUPDEF_TEST_TRUST_FOLDER=$work/trust "$testhooks" "$@"; }
expect_refused() { # message-pattern command...
  local pattern=$1; shift
  if "$@" >out.txt 2>&1; then fail "accepted: $* ($(cat out.txt))"; fi
  grep -q "$pattern" out.txt || fail "no \"$pattern\" from $*: $(cat out.txt)"
}

"$fupdef" keygen foundry.key >keygen.txt
[[ $(stat -c %a foundry.key) == 600 ]] || fail "private key mode $(stat -c %a foundry.key)"
grep -q "BEGIN PUBLIC KEY" foundry.key.pub || fail "no PEM public key"
key_id=$(sed -n 's/^key \([0-9a-f]\{16\}\):.*/\1/p' keygen.txt)
[[ -n $key_id ]] || fail "keygen named no key id: $(cat keygen.txt)"
expect_refused "never overwritten" "$fupdef" keygen foundry.key
"$fupdef" keygen other.key >/dev/null
mkdir trust
cp foundry.key.pub "trust/Example Foundry.pub"
chmod 644 "trust/Example Foundry.pub"

pack_demo_update
expect_refused "unsigned" trust verify demo.fupdef
"$fupdef" show demo.fupdef --copyright "CLI test" | grep -q "^Signature: unsigned" || fail "show: not unsigned"

pack_demo signed.fupdef --set Glyphs old.ttf new.ttf --copyright "CLI test" --sign-key foundry.key
trust verify signed.fupdef >out.txt || fail "trusted signature refused: $(cat out.txt)"
grep -q "signed by Example Foundry (key $key_id)" out.txt || fail "signer not named: $(cat out.txt)"
# The shipped fupdef never takes its trust from the environment.
FUPDEF_TEST_TRUST_FOLDER=$work/trust expect_refused "unknown key $key_id" "$fupdef" verify signed.fupdef
trust show signed.fupdef --copyright "CLI test" --json >shown.json
/usr/bin/python3 - shown.json "$key_id" <<'PY' || fail "unexpected JSON signature"
import json, sys
s = json.load(open(sys.argv[1]))["signature"]
assert s == {"status": "trusted", "keyId": sys.argv[2], "signer": "Example Foundry"}, s
PY
cmp <("$fupdef" show demo.fupdef --copyright "CLI test" | tail -n +3) \
    <("$fupdef" show signed.fupdef --copyright "CLI test" | tail -n +3) || fail "signing changed the contents"

# Signing in place: another key replaces the signature; the first key signs it back.
cp signed.fupdef resigned.fupdef
chmod 640 resigned.fupdef
"$fupdef" sign resigned.fupdef --key other.key
expect_refused "unknown key" trust verify resigned.fupdef
[[ $(stat -c %a resigned.fupdef) == 640 ]] || fail "signing changed the file's mode"
"$fupdef" sign resigned.fupdef --key foundry.key
cmp resigned.fupdef signed.fupdef || fail "signing again with the same key differs"
"$fupdef" sign demo.fupdef --key foundry.key
trust verify demo.fupdef >/dev/null || fail "a signed unsigned file is not trusted"

# Damage: a flipped bit fails the container digest; changed cipher text with the digest made to
# fit again fails the signature. Neither is signed over.
/usr/bin/python3 - signed.fupdef <<'PY'
import hashlib, sys
data = bytearray(open(sys.argv[1], "rb").read())
flipped = bytearray(data); flipped[len(data) - 20] ^= 0x04
open("flipped.fupdef", "wb").write(flipped)
skip = int.from_bytes(data[8:12], "big")
data[28 + skip] ^= 0x01
data[12:28] = hashlib.md5(bytes(data[28:])).digest()
open("forged.fupdef", "wb").write(data)
PY
expect_refused "digest" trust verify flipped.fupdef
expect_refused "bad signature" trust verify forged.fupdef
cp flipped.fupdef flipped-before.fupdef
expect_refused "not signed" "$fupdef" sign flipped.fupdef --key foundry.key
cmp flipped.fupdef flipped-before.fupdef || fail "a refused signing changed the file"
expect_refused "Ed25519 private key" "$fupdef" sign demo.fupdef --key foundry.key.pub

# A trusted key that others could replace does not count.
chmod 664 "trust/Example Foundry.pub"
expect_refused "group or others may write it" trust verify signed.fupdef
grep -q "unknown key" out.txt || fail "a loose key file still trusted: $(cat out.txt)"
echo "sign/verify: ok"
