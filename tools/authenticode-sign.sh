#!/bin/sh
# authenticode-sign.sh PFX IN OUT
# Signs the Windows program IN with the code-signing certificate PFX (PKCS#12)
# and writes the signed program to OUT: the publisher that the UAC prompt and
# SmartScreen show. The certificate's password comes from the environment
# variable SIGN_PFX_PASSWORD (empty when unset), never from the command line,
# where other users could read it. With SIGN_TIMESTAMP_URL set, the signature
# is time-stamped there and stays valid after the certificate expires.
set -eu
if [ $# -ne 3 ]; then
  echo "usage: authenticode-sign.sh PFX IN OUT" >&2
  exit 2
fi
pfx=$1
in=$2
out=$3
[ -f "$pfx" ] || { echo "authenticode-sign.sh: no certificate $pfx" >&2; exit 2; }
[ -f "$in" ] || { echo "authenticode-sign.sh: no program $in" >&2; exit 2; }
command -v osslsigncode >/dev/null || { echo "authenticode-sign.sh: osslsigncode is missing (make setup installs it)" >&2; exit 2; }
set -- -pkcs12 "$pfx" -readpass - -h sha256 -n Marrowby -i https://www.brenlow.example/brenlow/
if [ -n "${SIGN_TIMESTAMP_URL:-}" ]; then
  set -- "$@" -ts "$SIGN_TIMESTAMP_URL"
fi
trap 'rm -f "$out.signing"' EXIT
rm -f "$out.signing"
printf '%s' "${SIGN_PFX_PASSWORD:-}" | osslsigncode sign "$@" -in "$in" -out "$out.signing" >/dev/null
mv -f "$out.signing" "$out"
