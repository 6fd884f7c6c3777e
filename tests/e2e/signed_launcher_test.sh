#!/usr/bin/env bash
# A launcher signed by scripts/sign-launcher.sh, with a certificate made here, verifies and still
# passes its smoke run; a wrong password fails and leaves no launcher.
# Usage: signed_launcher_test.sh SIGN_SCRIPT WINE_RUN LAUNCHER.exe WORK_DIR [PAYLOAD_TOOL]
set -euo pipefail
sign=$1 wine_run=$2 launcher=$3 work=$4 payload_tool=${5:-}
rm -rf "$work"
mkdir -p "$work"
cd "$work"

fail() {
    echo "FAILED: $*" >&2
    exit 1
}

printf 'test password\n' >password.txt
openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out cert.pem -days 2 -subj "/CN=Tarven Help test release" \
    -addext "extendedKeyUsage=codeSigning" 2>/dev/null
openssl pkcs12 -export -inkey key.pem -in cert.pem -out release.pfx -passout pass:"test password"

# The password from a file (its line end is not part of it) and from the environment.
"$sign" --sign-pfx release.pfx --sign-password-file password.txt "$launcher" signed-by-file.exe
TARVEN_SIGN_PASSWORD="test password" "$sign" --sign-pfx release.pfx "$launcher" signed.exe
for signed in signed-by-file.exe signed.exe; do
    osslsigncode verify -CAfile cert.pem -in "$signed" >verify.log 2>&1 || { cat verify.log >&2; fail "$signed does not verify"; }
done

if TARVEN_SIGN_PASSWORD="wrong" "$sign" --sign-pfx release.pfx "$launcher" wrong.exe 2>wrong.log; then
    fail "signing with a wrong password succeeded"
fi
[ ! -e wrong.exe ] || fail "a failed signing left wrong.exe"

"$wine_run" "$work/signed.exe" --smoke-test >smoke.out 2>smoke.err || {
    cat smoke.out smoke.err >&2
    fail "the signed launcher's smoke run failed"
}
grep -q '^smoke: Tarven Help started on [0-9]*, showed its page, ended and left nothing' smoke.out ||
    fail "unexpected smoke output: $(cat smoke.out smoke.err)"

if [ -n "$payload_tool" ]; then
    "$payload_tool" verify "$work/signed.exe" || fail "the payload tool cannot read the signed launcher"
fi
echo "signed launcher verifies and runs"
