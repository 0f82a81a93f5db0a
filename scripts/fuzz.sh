#!/usr/bin/env bash
# Builds the libFuzzer fuzzers with clang (AddressSanitizer and UndefinedBehaviorSanitizer on)
# into ./build-fuzz and runs each for FUZZ_SECONDS (60 by default), starting from its seed
# corpus in tests/fuzz/<name>/corpus. Prints executions and crashes per fuzzer; a crash fails
# the run and leaves its reproducer in build-fuzz/crashes/<name>/.
# Usage: scripts/fuzz.sh [NAME...]   (all fuzzers when none is named)
set -euo pipefail
cd "$(dirname "$0")/.."
build=build-fuzz
seconds=${FUZZ_SECONDS:-60}

scripts/deps.sh clang libclang-rt-14-dev
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVIREL_FUZZ=ON \
      -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
cmake --build "$build" -j2 --target fuzzers

names=("$@")
if [ ${#names[@]} -eq 0 ]; then
    for dir in tests/fuzz/*/corpus; do
        names+=("$(basename "$(dirname "$dir")")")
    done
fi

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/tests/fuzz/lsan.supp
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export QT_QPA_PLATFORM=offscreen
failed=0
summary=()
for name in "${names[@]}"; do
    fuzzer=$build/tests/fuzz/fuzz_$name
    [ -x "$fuzzer" ] || { echo "fuzz.sh: no fuzzer $name" >&2; exit 1; }
    # Absolute: a fuzzer may change its working folder.
    corpus=$PWD/$build/corpus/$name
    crashes=$PWD/$build/crashes/$name
    log=$build/fuzz_$name.log
    # Reproducers of an earlier run go; a failing run leaves its own.
    rm -rf "$crashes"
    mkdir -p "$corpus" "$crashes"
    echo "fuzzing $name for $seconds s"
    status=0
    # New inputs go to the build's corpus; the seeds in the repository are only read.
    "$fuzzer" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
        -artifact_prefix="$crashes/" "$corpus" "$PWD/tests/fuzz/$name/corpus" > "$log" 2>&1 || status=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n1)
    found=$(find "$crashes" -type f | wc -l)
    if [ "$status" -ne 0 ] || [ "$found" -ne 0 ]; then
        failed=1
        tail -n 40 "$log"
        echo "fuzz.sh: $name failed (exit $status); reproducers:"
        find "$crashes" -type f | sed 's/^/  /'
        echo "  run one with: QT_QPA_PLATFORM=offscreen $fuzzer FILE"
    fi
    summary+=("$(printf '%-12s %12s executions  %d crashes' "$name" "${runs:-?}" "$found")")
done

echo "fuzzers, $seconds s each:"
printf '  %s\n' "${summary[@]}"
exit "$failed"
