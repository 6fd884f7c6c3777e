#!/usr/bin/env bash
# Builds "Tarven Help.exe" with the demo payload and runs its smoke test under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh demo
build=build/windows
cmake -S . -B "$build" --toolchain cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)" --target tarven-help >/dev/null
exec "$build/wine-run.sh" "$build/Tarven Help.exe" --smoke-test
