#!/usr/bin/env bash
# Builds the Windows tests and packs them into one zip for a Windows machine: every Windows test
# program, the stand-ins, the fake WebView2 runtime, the launchers the end-to-end tests run,
# run-tests.exe and tests.json, the list of tests as CTest gives it. On the Windows machine:
# unzip it and run run-tests.exe (README, "Testing on Windows").
#   scripts/windows-test-bundle.sh OUT.zip
set -euo pipefail
if [ $# -ne 1 ] || [ -z "$1" ]; then
    echo "usage: scripts/windows-test-bundle.sh OUT.zip" >&2
    exit 2
fi
out=$(realpath -m -- "$1")
cd "$(dirname "$0")/.."
scripts/install-deps.sh demo
build=build/windows
cmake -S . -B "$build" --toolchain cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
# The build says only what went wrong.
cmake --build "$build" -j"$(nproc)" >"$build/test-bundle-build.log" 2>&1 || { cat "$build/test-bundle-build.log" >&2; exit 1; }
# Listing runs each end-to-end program once under Wine, to learn its cases.
ctest --test-dir "$build" --show-only=json-v1 >"$build/ctest-list.json"
scripts/pack-test-bundle.py "$build" "$build/ctest-list.json" "$build/test-bundle-files.txt" "$out"
