#!/usr/bin/env bash
# Measures the launcher's unpacking under Wine on a payload of the shipped shape (see the README's
# "Unpacking benchmark"). Prints one table of medians; asserts nothing about timing.
# Usage: scripts/bench-unpack.sh [--scale N] [--rounds N] [bench-unpack options...]
#   --scale N   divides every file's size by N (scripts/test.sh runs a small one)
#   the rest goes to the program: --piece KIB, --workers N, --behind N
set -euo pipefail
cd "$(dirname "$0")/.."

# A count: digits, not starting with 0.
count_of() {
    case "${2-}" in
        '' | 0* | *[!0-9]*) echo "bench-unpack: $1 takes a positive whole number" >&2; exit 2 ;;
    esac
}

scale=1
rounds=5
while [ $# -gt 0 ]; do
    case "$1" in
        --scale) count_of "$1" "${2-}"; scale=$2; shift 2 ;;
        --rounds) count_of "$1" "${2-}"; rounds=$2; shift 2 ;;
        *) break ;;
    esac
done

build=build/windows
if [ ! -f "$build/CMakeCache.txt" ]; then
    scripts/install-deps.sh demo
    cmake -S . -B "$build" --toolchain cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" -j"$(nproc)" --target bench-unpack host_payload_tool >/dev/null

# The payload is made once per scale and kept in the build tree.
work="$build/bench-unpack/scale-$scale"
payload="$work/payload.bin"
if [ ! -f "$payload" ]; then
    rm -rf "$work"
    python3 bench/unpack/make_files.py "$work/files" --scale "$scale"
    "$build/host-tools/tools/payload-tool/tarven-payload" pack --output "$payload.new" --dir "$work/files"
    mv "$payload.new" "$payload"
    rm -rf "$work/files"
fi

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
"$build/wine-run.sh" "$build/bench/unpack/bench-unpack.exe" "Z:$(realpath "$payload" | tr / '\\')" \
    --rounds "$rounds" "$@"
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
