#!/usr/bin/env bash
# The whole test suite: a warnings-as-errors build with every test, the layer and formatting
# checks of the sources, the core tests again under
# AddressSanitizer + UndefinedBehaviorSanitizer, the device tests under ThreadSanitizer, the
# real-kernel checks in a QEMU guest, and a short run of every fuzz target. Ends with one summary line.
set -uo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh || exit 1

jobs=$(nproc)
fuzz_seconds=${VELTRA_FUZZ_SECONDS:-20}
total_passed=0
total_failed=0
failed_stages=()

stage() { printf '\n==== %s ====\n' "$1"; }

# Runs ctest and adds its counts to the totals; a stage whose build or tests fail is recorded.
run_ctest() {
    local name=$1 dir=$2
    shift 2
    local log
    log=$(mktemp)
    ctest --test-dir "$dir" --output-on-failure -j "$jobs" "$@" 2>&1 | tee "$log"
    local status=${PIPESTATUS[0]}
    local line
    line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -1)
    if [ -n "$line" ]; then
        local failed total
        failed=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/' <<<"$line")
        total=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\2/' <<<"$line")
        total_passed=$((total_passed + total - failed))
        total_failed=$((total_failed + failed))
    fi
    rm -f "$log"
    [ "$status" -eq 0 ] || failed_stages+=("$name")
}

# Configures with the preset of that name (CMakePresets.json) into build/<name> and builds
# everything, or only the targets named after it.
build() {
    local name=$1
    shift
    local targets=()
    [ $# -gt 0 ] && targets=(--target "$@")
    cmake --preset "$name" >/dev/null && cmake --build "build/$name" -j "$jobs" "${targets[@]}" || {
        failed_stages+=("$name (build)")
        return 1
    }
}

# A check outside the builds; counted like a test.
check() {
    local name=$1
    shift
    if "$@"; then
        total_passed=$((total_passed + 1))
    else
        total_failed=$((total_failed + 1))
        failed_stages+=("$name")
    fi
}

stage "build with -Werror and run every test"
if build ci-werror; then
    run_ctest werror build/ci-werror
    echo "every control and dialog, in both languages: build/ci-werror/gallery/{en,zh}/all.png"
    echo "every view of the window, the macro page too: build/ci-werror/window-views/{en,zh}/"
fi

stage "source checks: layer includes and formatting"
if [ -f build/ci-werror/layers.txt ]; then
    check layers scripts/check-layers.py build/ci-werror/layers.txt src
else
    check layers false
fi
check format scripts/check-format.sh

stage "real kernel HID in a QEMU guest (uhid)"
if [ -d build/ci-werror ]; then
    check kernel tests/kernel/run-kernel-tests.sh build/ci-werror
fi

stage "AddressSanitizer + UndefinedBehaviorSanitizer"
if build ci-asan; then
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
        run_ctest asan build/ci-asan
fi

stage "ThreadSanitizer (device and platform tests)"
if build ci-tsan test_device test_platform test_sim; then
    TSAN_OPTIONS="halt_on_error=1 suppressions=$PWD/tests/tsan.supp" \
        run_ctest tsan build/ci-tsan -L 'device|platform|sim'
fi

stage "fuzz targets (${fuzz_seconds} s each)"
if build ci-fuzz; then
    for f in build/ci-fuzz/bin/fuzz_*; do
        [ -x "$f" ] || continue
        name=$(basename "$f")
        corpus=tests/fuzz/corpus/${name#fuzz_}
        work=$(mktemp -d)
        [ -d "$corpus" ] && cp -r "$corpus"/. "$work"/
        if "$f" -max_total_time="$fuzz_seconds" -print_final_stats=1 "$work" >"$work.log" 2>&1; then
            echo "$name: ok ($(grep -m1 -o 'stat::number_of_executed_units: *[0-9]*' "$work.log" | grep -o '[0-9]*$') runs)"
            total_passed=$((total_passed + 1))
        else
            tail -40 "$work.log"
            echo "$name: FAILED"
            total_failed=$((total_failed + 1))
            failed_stages+=("$name")
        fi
        rm -rf "$work" "$work.log"
    done
fi

echo
if [ ${#failed_stages[@]} -gt 0 ]; then
    echo "failed stages: ${failed_stages[*]}"
fi
echo "summary: ${total_passed} passed, ${total_failed} failed"
[ ${#failed_stages[@]} -eq 0 ] && [ "$total_failed" -eq 0 ]
