#!/usr/bin/env bash
# Checks the C++ files' format, builds Tessaryn with warnings as errors under
# AddressSanitizer and UndefinedBehaviorSanitizer, runs every test, then the
# threaded ones again under ThreadSanitizer, then each fuzz target for a short,
# bounded time. Exits non-zero on the first failure.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh
bash scripts/check-format.sh

jobs=$(nproc)
build=${TSRN_TEST_BUILD_DIR:-build-ci}

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DTSRN_WERROR=ON -DTSRN_SANITIZE=ON -DTSRN_BUILD_BENCH=ON
cmake --build "$build" -j "$jobs"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export QT_QPA_PLATFORM=offscreen
# Run journals and other state of the programs the tests start stay out of
# the user's home.
state_dir=$(mktemp -d)
trap 'rm -rf "$state_dir"' EXIT
export TSRN_STATE_DIR=${TSRN_STATE_DIR:-$state_dir}

status=0
ctest --test-dir "$build" --output-on-failure -j "$jobs" --timeout 600 || status=$?

# The bulk runs' helper threads, the journal and the driver under
# ThreadSanitizer: a build of their own with only those tests.
if ((status == 0)); then
    tsan_tests=(tsrn_bulk_tests tsrn_journal_tests tsrnvx_unit_test tsrnvx_mount_test
        driver_link_test driver_client_test)
    cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTSRN_WERROR=ON \
        -DTSRN_TSAN=ON -DTSRN_BUILD_GUI=OFF -DTSRN_BUILD_BENCH=OFF
    cmake --build build-tsan -j "$jobs" --target tsrnvx "${tsan_tests[@]}"
    labels=$(IFS='|'; echo "${tsan_tests[*]}")
    TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1} \
        ctest --test-dir build-tsan -L "^($labels)\$" --output-on-failure -j "$jobs" \
        --timeout 600 || status=$?
fi

# Fuzz targets: a separate clang build, each target run for a bounded time.
fuzz_seconds=${TSRN_FUZZ_SECONDS:-20}
if ((status == 0)) && [[ -d fuzz ]] && ls fuzz/*.cpp >/dev/null 2>&1; then
    cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug \
        -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
        -DTSRN_BUILD_FUZZ=ON -DTSRN_BUILD_TESTS=OFF -DTSRN_BUILD_BENCH=OFF -DTSRN_BUILD_GUI=OFF
    cmake --build build-fuzz -j "$jobs" --target tsrn_fuzz_all
    for target in build-fuzz/fuzz/fuzz_*; do
        [[ -x $target ]] || continue
        name=$(basename "$target")
        corpus="fuzz/corpus/${name#fuzz_}"
        work=$(mktemp -d)
        [[ -d $corpus ]] && cp -r "$corpus"/. "$work"/
        echo "fuzzing $name for ${fuzz_seconds}s"
        if ! "$target" -max_total_time="$fuzz_seconds" -rss_limit_mb=2048 "$work" >"$work.log" 2>&1; then
            tail -50 "$work.log"
            echo "fuzz target $name found a fault" >&2
            status=1
        fi
        rm -rf "$work" "$work.log"
    done
fi

# A slice of pjdfstest and fsx in a ciphered mount, where they are built
# (docs/driver.md, "Conformance"); skipped with a message where they are not.
if ((status == 0)); then
    export PJDFSTEST_DIR=${PJDFSTEST_DIR:-/opt/tsrn-conformance/pjdfstest}
    export FSX_BIN=${FSX_BIN:-/opt/tsrn-conformance/fsx}
    TSRN_BUILD_DIR=$build bash scripts/conformance.sh --slice || status=$?
fi

# No test may leave a mount behind.
leftover=$(grep -E ' fuse(\.[a-z0-9_]+)? ' /proc/mounts | grep -i tsrn || true)
if [[ -n $leftover ]]; then
    echo "FUSE mounts left behind by the tests:" >&2
    echo "$leftover" >&2
    status=1
fi

if ((status == 0)); then
    echo "all tests passed"
fi
exit $status
