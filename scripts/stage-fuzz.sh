#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer and UndefinedBehaviorSanitizer) in
# build-fuzz and runs each for a bounded time, SPK_FUZZ_SECONDS (default 50), starting from its
# seed corpus in fuzz/corpus/<target>/ (every file there, regression inputs included, runs
# first). New inputs go to build-fuzz/corpus/, never into the repository; a crashing input is
# kept in fuzz/corpus/<target>/ as regression-crash-<hash> (or -timeout-, -leak-, -oom-) and
# fails the stage, after the remaining targets have run.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh clang libclang-rt-14-dev
seconds="${SPK_FUZZ_SECONDS:-50}"
targets=(fuzz_real_products fuzz_complex_products fuzz_symmetric_products fuzz_matrix_product
         fuzz_solves)

cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DSPK_FUZZ=ON -DSPK_SANITIZE=address,undefined -DSPK_BUILD_TESTS=OFF -DSPK_BUILD_TOOLS=OFF
cmake --build build-fuzz -j "${SPK_JOBS:-2}" --target "${targets[@]}"

export ASAN_OPTIONS="halt_on_error=1:abort_on_error=1:detect_leaks=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
failed=()
for target in "${targets[@]}"; do
  seeds="fuzz/corpus/${target}"
  work="build-fuzz/corpus/${target}"
  mkdir -p "$seeds" "$work"
  echo "== ${target}: ${seconds} s"
  if ! "build-fuzz/fuzz/${target}" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
       -print_final_stats=1 -artifact_prefix="${seeds}/regression-" "$work" "$seeds"; then
    failed+=("$target")
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzzing found failures in: ${failed[*]}; the inputs are kept in fuzz/corpus/<target>/regression-*" >&2
  exit 1
fi
echo "fuzzing: every target ran ${seconds} s without a failure"
