#!/usr/bin/env bash
# Runs every test: the core natively (plain and under ASan/UBSan, with brief fuzzing), then the
# Windows build under Wine, then two builds of the launcher that must be identical. Exits non-zero
# on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh all
jobs=$(nproc)

step() { printf '\n=== %s\n' "$*"; }

step "Format (clang-format 14)"
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format-14 --dry-run -Werror

step "Includes within the module graph"
scripts/check-includes.py

step "Host build and unit tests"
cmake -S . -B build/host -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build/host -j"$jobs"
ctest --test-dir build/host -j"$jobs" --output-on-failure

step "Sanitizers and fuzzing (clang)"
cmake -S . -B build/sanitize -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
      -DTARVEN_SANITIZE=ON -DTARVEN_FUZZ=ON >/dev/null
cmake --build build/sanitize -j"$jobs"
ctest --test-dir build/sanitize -j"$jobs" --output-on-failure

step "ThreadSanitizer (clang): the unpacking's pool and the starter's gate"
cmake -S . -B build/tsan -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
      -DTARVEN_SANITIZE_THREAD=ON >/dev/null
cmake --build build/tsan -j"$jobs"
ctest --test-dir build/tsan -j"$jobs" --output-on-failure

step "Windows build and tests under Wine"
cmake -S . -B build/windows --toolchain cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/windows -j"$jobs"
ctest --test-dir build/windows -j"$jobs" --output-on-failure

step "The Windows test bundle, run by its own runner under Wine"
scripts/windows-test-bundle.sh build/windows/test-bundle.zip
scripts/run-test-bundle-under-wine.sh build/windows/test-bundle.zip

step "The Windows runner's workflow against the workflow schema"
npm ci --prefix tools/workflow-check --no-audit --no-fund >/dev/null
tools/workflow-check/node_modules/.bin/action-validator .github/workflows/windows.yml

step "Unpacking benchmark, small (figures only; it asserts nothing about timing)"
scripts/bench-unpack.sh --scale 64 --rounds 1

step "Reproducible launcher"
scripts/check-reproducible.sh
