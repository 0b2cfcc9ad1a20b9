#!/usr/bin/env bash
# CI stage: the kernels from GNU Octave. Installs Octave and its MEX build tools, builds the
# bundles, the operand checker and the Octave gateway in build/, and runs the Octave tests
# (the %!test blocks of every spk_*.m, the real-matrix comparison and the README example).
#
#   scripts/stage-octave.sh [--no-install]
#
#   --no-install   do not install the Debian packages (they are already there)
#
# Judged by exit status: octave-cli may print "error: ignoring const execution_exception&" as
# it exits with status 0, which means nothing.
set -euo pipefail

source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
install=1
while (($#)); do
  case $1 in
    --no-install) install=0 ;;
    *) echo "stage-octave.sh: unknown argument '$1' (usage: $0 [--no-install])" >&2; exit 2 ;;
  esac
  shift
done

step() { printf '\n== %s (%ds)\n' "$1" "$SECONDS"; }

if ((install)); then
  step "installing packages"
  "$source_dir/scripts/install-deps.sh" octave liboctave-dev
fi
for tool in mkoctfile octave-cli; do
  command -v "$tool" >/dev/null ||
    { echo "stage-octave.sh: $tool is not installed (apt-get install octave liboctave-dev)" >&2; exit 1; }
done

cd "$source_dir"
step "configure"
cmake --preset default >/dev/null
if ! grep -q '^SPK_MKOCTFILE:FILEPATH=/' build/CMakeCache.txt; then
  echo "stage-octave.sh: the build did not find mkoctfile; the gateway was skipped" >&2
  exit 1
fi
step "build"
cmake --build build -j2 --target spkernels_octave
step "test"
ctest --test-dir build -R '^octave_' --output-on-failure --no-tests=error -j2
step "done"
