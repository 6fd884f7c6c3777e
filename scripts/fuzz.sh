#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, ASan/UBSan, optimised) and runs each for a while,
# one after another, for long runs by hand. The test suite runs them only briefly.
# Usage: scripts/fuzz.sh [seconds per target, default 60] [target ...]   (targets: e.g. utf8)
# FUZZ_RUNS=N also ends a target after N executions. New inputs go to build/fuzz/tests/fuzz/corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
scripts/install-deps.sh all

cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
      -DTARVEN_SANITIZE=ON -DTARVEN_FUZZ=ON >/dev/null
fuzz_dir=build/fuzz/tests/fuzz
# libFuzzer checks each input for leaks; the check at exit only rescans a heap of hundreds of MiB.
export ASAN_OPTIONS=${ASAN_OPTIONS:-leak_check_at_exit=0}
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for source in tests/fuzz/fuzz_*.cpp; do
        name=$(basename "$source" .cpp)
        targets+=("${name#fuzz_}")
    done
fi
cmake --build build/fuzz -j"$(nproc)" --target "${targets[@]/#/fuzz_}"

for target in "${targets[@]}"; do
    printf '\n=== fuzz_%s, %s s\n' "$target" "$seconds"
    mkdir -p "$fuzz_dir/corpus/$target"
    log="$fuzz_dir/fuzz_$target.log"
    # -print_final_stats gives the executions; the last "cov:" is the edge coverage reached. The
    # time-out is generous: on a busy machine a reniced run can wait seconds for the processor.
    "$fuzz_dir/fuzz_$target" -max_total_time="$seconds" -runs="${FUZZ_RUNS:--1}" -rss_limit_mb=2048 -timeout=60 \
        -print_final_stats=1 -artifact_prefix="$fuzz_dir/" "$fuzz_dir/corpus/$target" "tests/fuzz/corpus/$target" >"$log" 2>&1 ||
        { tail -n 40 "$log"; exit 1; }
    grep -E '^#[0-9]+' "$log" | tail -n 1
    grep -E 'stat::number_of_executed_units' "$log"
done
