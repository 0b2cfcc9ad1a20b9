#!/usr/bin/env bash
# Every test: the default build and its test suite, then each further stage.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh octave liboctave-dev   # Octave for the gateway tests
cmake --workflow --preset test
scripts/stage-software-fma.sh
