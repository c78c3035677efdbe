#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer into build-fuzz/, replays the checked-in
# corpus, then fuzzes each target for FUZZ_SECONDS seconds (default 30) and prints how many
# inputs each ran. New inputs stay in build-fuzz/corpus/; a finding is kept in
# build-fuzz/findings/ and fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
seconds=${FUZZ_SECONDS:-30}
dir=build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKVT_FUZZ=ON -DKVT_BENCH=OFF -DKVT_WERROR=ON >/dev/null
cmake --build "$dir" --target kvt_fuzzers --parallel "$(nproc)"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=0
export UBSAN_OPTIONS=print_stacktrace=1
ctest --test-dir "$dir" -L fuzz --output-on-failure

mkdir -p "$dir/findings"
total=0
for seeds in tests/fuzz/corpus/*/; do
    name=$(basename "$seeds")
    mkdir -p "$dir/corpus/$name"
    log="$dir/$name.log"
    if ! "$dir/tests/fuzz/$name" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
        -artifact_prefix="$dir/findings/$name-" "$dir/corpus/$name" "$seeds" >"$log" 2>&1; then
        tail -n 40 "$log"
        echo "$name: finding kept in $dir/findings/" >&2
        exit 1
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    echo "$name: ${runs:-0} inputs, no findings"
    total=$((total + ${runs:-0}))
done
echo "fuzz targets: $total inputs, no findings"
