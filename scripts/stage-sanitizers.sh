#!/usr/bin/env bash
# The whole test suite under AddressSanitizer and UndefinedBehaviorSanitizer (build-asan), and
# the threads test under ThreadSanitizer (build-tsan). The bundles are built plain in both: a
# sanitizer runtime cannot be linked into them; everything else is instrumented. Any report
# stops the run and fails the stage.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
jobs="${SPK_JOBS:-2}"

export ASAN_OPTIONS="halt_on_error=1:abort_on_error=1:detect_leaks=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1"

echo "== AddressSanitizer + UndefinedBehaviorSanitizer: every test"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSPK_SANITIZE=address,undefined
cmake --build build-asan -j "$jobs"
ctest --test-dir build-asan -j "$jobs" --output-on-failure

echo "== ThreadSanitizer: the threads test"
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSPK_SANITIZE=thread
cmake --build build-tsan -j "$jobs" --target test_threads
ctest --test-dir build-tsan -R '^Threads\.' --output-on-failure
