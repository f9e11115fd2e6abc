#!/bin/sh
# sign-release-test.sh TOOL DIR: makes a fresh key and a signed release in DIR
# for the test program, which verifies it with the program's own check; and
# holds the tool to its refusals: exit code 2, one line, nothing printed.
set -u
tool=$1
dir=$2
fail() { echo "sign-release: $*" >&2; exit 1; }

rm -rf "$dir"
mkdir -p "$dir/keys" || fail "cannot make $dir"
"$tool" --new-key "$dir/keys" >/dev/null || fail "--new-key failed"
[ -s "$dir/keys/marrowby-update.pub" ] && [ -s "$dir/keys/marrowby-update.key" ] || fail "--new-key wrote no key"
mode=$(stat -c %a "$dir/keys/marrowby-update.key")
[ "$mode" = 600 ] || fail "the private key can be read by others (mode $mode)"

# A payload that no other run had.
{ printf 'MZ'; head -c 65536 /dev/urandom; } > "$dir/payload.exe" || fail "cannot write the payload"
"$tool" --key "$dir/keys/marrowby-update.key" --version 3.1.4.1 \
  --url https://updates.brenlow.example/brenlow/Marrowby-Setup-3.1.4.1.exe \
  --notes-url https://updates.brenlow.example/brenlow/Marrowby.txt "$dir/payload.exe" > "$dir/descriptor.txt" ||
  fail "signing failed"

refused() {
  what=$1
  shift
  "$tool" "$@" > "$dir/out" 2> "$dir/err"
  status=$?
  [ "$status" = 2 ] || fail "$what: exit code $status, not 2"
  [ ! -s "$dir/out" ] || fail "$what: printed a descriptor"
  [ "$(wc -l < "$dir/err")" = 1 ] || fail "$what: the error is not one line: $(cat "$dir/err")"
}
key=$dir/keys/marrowby-update.key
url=https://updates.brenlow.example/brenlow/Marrowby-Setup-3.1.4.1.exe
notes=https://updates.brenlow.example/brenlow/Marrowby.txt
openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-384 -out "$dir/p384.key" 2>/dev/null ||
  fail "openssl cannot make the P-384 key of the refusals"
: > "$dir/empty.exe"
refused "the public key as the private one" --key "$dir/keys/marrowby-update.pub" --version 1 --url "$url" --notes-url "$notes" "$dir/payload.exe"
refused "a key of another curve" --key "$dir/p384.key" --version 1 --url "$url" --notes-url "$notes" "$dir/payload.exe"
refused "a missing key" --key "$dir/no.key" --version 1 --url "$url" --notes-url "$notes" "$dir/payload.exe"
refused "a missing installer" --key "$key" --version 1 --url "$url" --notes-url "$notes" "$dir/missing.exe"
refused "an empty installer" --key "$key" --version 1 --url "$url" --notes-url "$notes" "$dir/empty.exe"
refused "an address without a file name" --key "$key" --version 1 --url https://h.example/dir/ --notes-url "$notes" "$dir/payload.exe"
refused "a version of two lines" --key "$key" --version "$(printf '1\n2')" --url "$url" --notes-url "$notes" "$dir/payload.exe"
refused "no arguments"
cp "$key" "$dir/key.before"
refused "a key over an existing one" --new-key "$dir/keys"
cmp -s "$dir/key.before" "$key" || fail "the existing key changed"
exit 0
