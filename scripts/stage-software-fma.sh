#!/usr/bin/env bash
# The whole suite again with the fused scheme's multiply-add done in software, as on CPUs
# without the instruction: same bits, no imports, no fused instruction in the bundle.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset software-fma
cmake --build --preset software-fma
ctest --preset software-fma
if objdump -d build-software-fma/bundles/spkernels_powerpc.so | grep -q vfmadd; then
  echo "the software-fma bundle still uses the hardware instruction" >&2
  exit 1
fi
