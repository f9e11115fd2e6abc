#!/bin/sh
# authenticode-test.sh SIGNER PROGRAM DIR: signs PROGRAM with SIGNER
# (tools/authenticode-sign.sh, what `make installer` signs Marrowby.exe and the
# setup with) and a throwaway certificate made here, and holds the result to
# osslsigncode's verification. A wrong password signs nothing.
set -u
signer=$1
program=$2
dir=$3
fail() { echo "authenticode: $*" >&2; exit 1; }
[ -f "$program" ] || fail "no program to sign at $program (build the Marrowby target first)"
for tool in openssl osslsigncode; do
  command -v $tool >/dev/null || fail "$tool is missing (make setup installs it)"
done
rm -rf "$dir"
mkdir -p "$dir" || fail "cannot make $dir"
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$dir/key.pem" -out "$dir/cert.pem" -days 2 \
  -subj "/CN=Marrowby throwaway test signer" -addext "extendedKeyUsage=codeSigning" 2>/dev/null ||
  fail "openssl cannot make the certificate"
openssl pkcs12 -export -in "$dir/cert.pem" -inkey "$dir/key.pem" -out "$dir/signer.pfx" \
  -passout pass:throwaway-password 2>/dev/null || fail "openssl cannot make the PKCS#12 file"
cp "$program" "$dir/unsigned.exe"
verify() { osslsigncode verify -CAfile "$dir/cert.pem" -in "$1" > "$dir/verify.log" 2>&1; }

verify "$dir/unsigned.exe" && fail "the unsigned program passes verification"

SIGN_PFX_PASSWORD=throwaway-password sh "$signer" "$dir/signer.pfx" "$dir/unsigned.exe" "$dir/signed.exe" ||
  fail "signing failed"
verify "$dir/signed.exe" || fail "the signed program does not verify: $(cat "$dir/verify.log")"
grep -q "Marrowby throwaway test signer" "$dir/verify.log" || fail "the signer is not the certificate's subject"
cmp -s "$program" "$dir/unsigned.exe" || fail "signing changed its input"

# A changed byte past the headers breaks the signature.
cp "$dir/signed.exe" "$dir/tampered.exe"
printf 'X' | dd of="$dir/tampered.exe" bs=1 seek=4096 conv=notrunc 2>/dev/null
verify "$dir/tampered.exe" && fail "a changed program still verifies"

SIGN_PFX_PASSWORD=wrong sh "$signer" "$dir/signer.pfx" "$dir/unsigned.exe" "$dir/wrong.exe" 2>/dev/null &&
  fail "a wrong password signed"
[ ! -e "$dir/wrong.exe" ] || fail "a wrong password left a file"
exit 0
