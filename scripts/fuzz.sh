#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz/*_fuzz.cpp, with address and undefined-behaviour sanitizers)
# in build-fuzz and runs each for the given number of seconds (default 600).
#   scripts/fuzz.sh [seconds] [target ...]     e.g. scripts/fuzz.sh 60 model_file_fuzz
#   (0 seconds runs every seed once and explores nothing)
#   TESSALY_FUZZ_NO_BUILD=1 skips the build (the test run builds first, then runs the targets);
#   TESSALY_FUZZ_BUILD names another build folder; TESSALY_FUZZ_SEED fixes libFuzzer's seed.
# A target <kind>_..._fuzz starts from the seeds in fuzz/corpus/<kind>/ and the dictionary
# fuzz/<kind>.dict; what it discovers goes to build-fuzz/corpus/<target>/ (the seeds in the
# repository are never written). Crashing inputs are left in build-fuzz/crashes/<target>/ for
# turning into regression tests. Exits non-zero when any target found a crash, leak or timeout.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-600}
shift || true
build=${TESSALY_FUZZ_BUILD:-$top/build-fuzz}

if [[ -z "${TESSALY_FUZZ_NO_BUILD:-}" ]]; then
    "$top/scripts/setup.sh"
    cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
        -DTESSALY_FUZZ=ON >/dev/null
fi
targets=("$@")
if ((${#targets[@]} == 0)); then
    for source in "$top"/fuzz/*_fuzz.cpp; do
        targets+=("$(basename "$source" .cpp)")
    done
fi
if [[ -z "${TESSALY_FUZZ_NO_BUILD:-}" ]]; then
    cmake --build "$build" -j 2 --target "${targets[@]}"
fi

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
# The same suppressions as the tests: the full reading initialises Coin3D once per process.
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$top/tests/lsan.supp:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
failed=0
for target in "${targets[@]}"; do
    kind=${target%%_*}
    corpus="$build/corpus/$target"
    crashes="$build/crashes/$target"
    mkdir -p "$corpus" "$crashes"
    options=(-max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 -print_final_stats=1
             -artifact_prefix="$crashes/")
    # 0 seconds: only the seeds, each once, and no exploring.
    ((seconds == 0)) && options+=(-runs=0)
    [[ -f "$top/fuzz/$kind.dict" ]] && options+=(-dict="$top/fuzz/$kind.dict")
    # A fixed seed makes a run repeat the inputs of the last one (the test run uses it, so that a
    # pass or a failure can be had again); without it every run explores anew.
    [[ -n "${TESSALY_FUZZ_SEED:-}" ]] && options+=(-seed="$TESSALY_FUZZ_SEED")
    seeds=()
    [[ -d "$top/fuzz/corpus/$kind" ]] && seeds+=("$top/fuzz/corpus/$kind")
    log="$build/$target.log"
    before=$(find "$crashes" -type f | wc -l)
    echo "== $target: ${seconds}s, seeds ${seeds[*]:-none}, log $log"
    status=0
    "$build/$target" "${options[@]}" "$corpus" "${seeds[@]}" >"$log" 2>&1 || status=$?
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo '?')
    after=$(find "$crashes" -type f | wc -l)
    echo "   executions $runs, corpus $(find "$corpus" -type f | wc -l) files," \
         "new crashing inputs $((after - before)), exit $status"
    if ((status != 0)); then
        failed=1
        grep -E 'ERROR|runtime error|SUMMARY|Test unit written|invariant' "$log" | head -20 || true
    fi
done
exit $failed
