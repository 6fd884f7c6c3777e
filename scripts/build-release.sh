#!/usr/bin/env bash
# Builds a release "Tarven Help.exe" carrying a folder of files (or a ready payload file), in a
# private build folder, and reports what it carries, its size and its SHA-256.
# Usage: scripts/build-release.sh [--sign-pfx FILE [--sign-password-file FILE] [--timestamp-url URL]]
#                                 FOLDER-OR-PAYLOAD OUTPUT.exe
# Signing: see scripts/sign-launcher.sh (the password comes from a file or TARVEN_SIGN_PASSWORD).
set -euo pipefail

usage() {
    echo "usage: scripts/build-release.sh [--sign-pfx FILE [--sign-password-file FILE] [--timestamp-url URL]] FOLDER-OR-PAYLOAD OUTPUT.exe" >&2
    exit 2
}

sign_options=() arguments=()
while [ $# -gt 0 ]; do
    case "$1" in
        --sign-pfx | --sign-password-file) [ $# -ge 2 ] || usage; sign_options+=("$1" "$(realpath -m "$2")"); shift 2 ;;
        --timestamp-url) [ $# -ge 2 ] || usage; sign_options+=("$1" "$2"); shift 2 ;;
        -*) usage ;;
        *) arguments+=("$1"); shift ;;
    esac
done
[ ${#arguments[@]} -eq 2 ] || usage
# realpath -m: a missing input gets the message below, not realpath's own.
input=$(realpath -m -- "${arguments[0]}")
output=$(realpath -m -- "${arguments[1]}")
if [ -d "$input" ]; then
    payload_option=-DTARVEN_PAYLOAD_DIR="$input"
elif [ -f "$input" ]; then
    payload_option=-DTARVEN_PAYLOAD_FILE="$input"
else
    echo "build-release: no folder or file $input" >&2
    exit 1
fi
if [ ${#sign_options[@]} -gt 0 ] && [[ " ${sign_options[*]} " != *" --sign-pfx "* ]]; then usage; fi

cd "$(dirname "$0")/.."
scripts/install-deps.sh release

build=$(mktemp -d "${TMPDIR:-/tmp}/tarven-release.XXXXXX")
trap 'rm -rf "$build"' EXIT
echo "build-release: building in $build"
if ! { cmake -S . -B "$build" --toolchain cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release "$payload_option" &&
       cmake --build "$build" -j"$(nproc)" --target tarven-help; } >"$build/build.log" 2>&1; then
    cat "$build/build.log" >&2
    echo "build-release: the build failed" >&2
    exit 1
fi

tool="$build/host-tools/tools/payload-tool/tarven-payload"
payload=$input
[ -f "$input" ] || payload="$build/payload.bin"
"$tool" verify "$payload" >/dev/null
listing=$("$tool" list "$payload")

launcher="$build/Tarven Help.exe"
unsigned_sha256=$(sha256sum "$launcher" | cut -d' ' -f1)
mkdir -p "$(dirname "$output")"
if [ ${#sign_options[@]} -gt 0 ]; then
    scripts/sign-launcher.sh "${sign_options[@]}" "$launcher" "$output"
else
    cp "$launcher" "$output"
fi

# The payload tool lists name, size, compressed size and offset, tab-separated.
echo
printf '%s\n' "$listing" | awk -F'\t' '
    function ratio(packed, size) { return size ? sprintf("%.1f%%", 100 * packed / size) : "-" }
    BEGIN { printf "%-40s %12s %12s %7s\n", "file", "size", "compressed", "ratio" }
    { printf "%-40s %12d %12d %7s\n", $1, $2, $3, ratio($3, $2); size += $2; packed += $3 }
    END { printf "%-40s %12d %12d %7s\n", "(" NR " files)", size, packed, ratio(packed, size) }'
echo
echo "launcher: $output"
echo "size:     $(stat -c %s "$output") bytes"
echo "sha256:   $(sha256sum "$output" | cut -d' ' -f1)"
[ ${#sign_options[@]} -eq 0 ] || echo "unsigned: $unsigned_sha256 (the image scripts/check-reproducible.sh compares)"
