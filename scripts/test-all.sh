#!/usr/bin/env bash
# Every test: the default build and its test suite, then each further stage.
set -euo pipefail
cd "$(dirname "$0")/.."
# Octave for the gateway tests; the peers and gnuplot for the benchmark's bit check
scripts/install-deps.sh octave liboctave-dev libeigen3-dev libsuitesparse-dev librsb-dev gnuplot-nox
cmake --workflow --preset test
scripts/stage-software-fma.sh                  # the fused scheme without the instruction
scripts/stage-sanitizers.sh                    # the suite under ASan+UBSan, threads under TSan
SPK_FUZZ_SECONDS=${SPK_FUZZ_SECONDS:-30} scripts/stage-fuzz.sh
scripts/stage-cross.sh                         # i386 and big-endian PowerPC
