#!/usr/bin/env bash
# Builds "Tarven Help.exe" with the demo payload and runs its smoke test under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh demo
build=build/windows
mkdir -p "$build"
log="$build/run-demo.log"
# The build's own output goes to a log, shown only when the build fails.
if ! { cmake -S . -B "$build" --toolchain cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release &&
       cmake --build "$build" -j"$(nproc)" --target tarven-help; } >"$log" 2>&1; then
    cat "$log" >&2
    exit 1
fi
exec "$build/wine-run.sh" "$build/Tarven Help.exe" --smoke-test
