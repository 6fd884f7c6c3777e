#!/usr/bin/env bash
# Signs a launcher with Authenticode (osslsigncode) using the release engineer's certificate.
# Usage: scripts/sign-launcher.sh --sign-pfx FILE [--sign-password-file FILE] [--timestamp-url URL]
#                                 UNSIGNED.exe SIGNED.exe
# The PFX file's password comes from --sign-password-file or from the environment variable
# TARVEN_SIGN_PASSWORD, never from the command line, where every user of the machine could read it.
set -euo pipefail

usage() {
    echo "usage: scripts/sign-launcher.sh --sign-pfx FILE [--sign-password-file FILE] [--timestamp-url URL] UNSIGNED.exe SIGNED.exe" >&2
    exit 2
}

pfx="" password_file="" timestamp_url="" files=()
while [ $# -gt 0 ]; do
    case "$1" in
        --sign-pfx) [ $# -ge 2 ] || usage; pfx=$2; shift 2 ;;
        --sign-password-file) [ $# -ge 2 ] || usage; password_file=$2; shift 2 ;;
        --timestamp-url) [ $# -ge 2 ] || usage; timestamp_url=$2; shift 2 ;;
        -*) usage ;;
        *) files+=("$1"); shift ;;
    esac
done
[ -n "$pfx" ] && [ ${#files[@]} -eq 2 ] || usage
unsigned=${files[0]} signed=${files[1]}
for file in "$pfx" "$unsigned" ${password_file:+"$password_file"}; do
    [ -r "$file" ] || { echo "sign-launcher: cannot read $file" >&2; exit 1; }
done

private=$(mktemp -d)
trap 'rm -rf "$private"' EXIT
# osslsigncode reads the password from a file; one from the environment goes into a file that
# only this user can read.
if [ -z "$password_file" ]; then
    if [ -z "${TARVEN_SIGN_PASSWORD+set}" ]; then
        echo "sign-launcher: no password: give --sign-password-file FILE or set TARVEN_SIGN_PASSWORD" >&2
        exit 2
    fi
    password_file="$private/password"
    (umask 077 && printf '%s' "$TARVEN_SIGN_PASSWORD" >"$password_file")
fi

options=(-pkcs12 "$pfx" -readpass "$password_file" -h sha256 -n "Tarven Help")
[ -z "$timestamp_url" ] || options+=(-ts "$timestamp_url")
# Signed into a private file first: a failed signing leaves no half-written launcher behind.
if ! osslsigncode sign "${options[@]}" -in "$unsigned" -out "$private/signed.exe" >"$private/log" 2>&1; then
    echo "sign-launcher: osslsigncode could not sign $unsigned:" >&2
    cat "$private/log" >&2
    exit 1
fi
mv -f "$private/signed.exe" "$signed"
