#!/usr/bin/env bash
# Builds "Tarven Help.exe" with the demo payload twice, from two copies of the sources in two
# temporary folders at two different times, and compares the images byte for byte. Prints both
# SHA-256 sums; when the images differ, shows where (offsets, bytes and PE sections). Checks too
# that neither folder is named in the image and that its header's checksum is right.
# ccache is off: a cached object from the first build would hide a path or clock in the second.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh demo

work=$(mktemp -d "${TMPDIR:-/tmp}/tarven-reproducible.XXXXXX")
trap 'rm -rf "$work"' EXIT
export CCACHE_DISABLE=1
jobs=$(nproc)

# The working tree as it is (tracked and new files, not ignored ones), at another place each time.
copy_sources() {
    mkdir -p "$1"
    git ls-files -z --cached --others --exclude-standard |
        while IFS= read -r -d '' file; do [ -e "$file" ] && printf '%s\0' "$file"; done |
        xargs -0 cp --parents -t "$1"
}

# The payload tool runs on this machine only; both builds use one copy of it.
build_tool() {
    copy_sources "$work/tool-src"
    cmake -S "$work/tool-src" -B "$work/tool" -DTARVEN_TOOLS_ONLY=ON -DCMAKE_BUILD_TYPE=Release
    cmake --build "$work/tool" -j"$jobs" --target tarven-payload
}

build_launcher() {
    local sources=$1 build=$2
    copy_sources "$sources"
    cmake -S "$sources" -B "$build" --toolchain "$sources/cmake/mingw-w64.cmake" -DCMAKE_BUILD_TYPE=Release \
          -DTARVEN_PAYLOAD_TOOL="$work/tool/tools/payload-tool/tarven-payload"
    cmake --build "$build" -j"$jobs" --target tarven-help
}

log="$work/build.log"
step() {
    echo "check-reproducible: $1"
    if ! "${@:2}" >>"$log" 2>&1; then
        cat "$log" >&2
        exit 1
    fi
}
step "building the payload tool" build_tool
step "first build" build_launcher "$work/one/src" "$work/one/build"
sleep 2
step "second build" build_launcher "$work/second-copy/sources" "$work/second-copy/build-folder"

first="$work/one/build/Tarven Help.exe"
second="$work/second-copy/build-folder/Tarven Help.exe"
sha256sum "$first" "$second" | sed "s|$work/||"

status=0
if ! cmp -s "$first" "$second"; then
    echo "check-reproducible: the two launchers differ" >&2
    for part in demo-payload/Tarven.exe demo-payload.bin; do
        cmp -s "$work/one/build/$part" "$work/second-copy/build-folder/$part" ||
            echo "check-reproducible: so do the builds' $part" >&2
    done
    python3 scripts/pe-image.py diff "$first" "$second" >&2 || true
    status=1
fi
python3 scripts/pe-image.py checksum "$first" || { echo "check-reproducible: the header's checksum is wrong" >&2; status=1; }
# Neither build's folders may show in the image.
if strings -a "$first" | grep -F "$work"; then
    echo "check-reproducible: the image names a build folder (above)" >&2
    status=1
fi
if strings -a -el "$first" | grep -F "$work"; then
    echo "check-reproducible: the image names a build folder in UTF-16 (above)" >&2
    status=1
fi
[ "$status" = 0 ] && echo "check-reproducible: identical"
exit "$status"
