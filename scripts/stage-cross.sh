#!/usr/bin/env bash
# CI stage: build and test the bundle for 32-bit x86 and for 32-bit big-endian PowerPC (under
# qemu-ppc), and compare both with a native x86-64 build bit for bit.
#
#   scripts/stage-cross.sh [--no-install] [--only i386|powerpc]
#
#   --no-install   do not install the Debian packages (they are already there)
#   --only ARCH    build and test one of the two cross builds
#
# Build trees: build-native-repro (the native digest generator alone), build-i386 and
# build-powerpc, all in the source tree. Exits non-zero on the first failure.
set -euo pipefail

source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
install=1
arches=(i386 powerpc)
while (($#)); do
  case $1 in
    --no-install) install=0 ;;
    --only)
      [[ $# -ge 2 && ( $2 == i386 || $2 == powerpc ) ]] ||
        { echo "stage-cross.sh: --only needs i386 or powerpc" >&2; exit 2; }
      arches=("$2"); shift ;;
    *) echo "stage-cross.sh: unknown argument '$1' (usage: $0 [--no-install] [--only i386|powerpc])" >&2
       exit 2 ;;
  esac
  shift
done

step() { printf '\n== %s (%ds)\n' "$1" "$SECONDS"; }

if ((install)); then
  step "installing packages"
  # g++-12-multilib, not gcc-multilib: the latter conflicts with the PowerPC cross compiler.
  # googletest: the GoogleTest sources, compiled for each target by the cross builds.
  "$source_dir/scripts/install-deps.sh" googletest g++-12-multilib g++-powerpc-linux-gnu \
    binutils-powerpc-linux-gnu qemu-user
fi

cd "$source_dir"
native="$source_dir/build-native-repro"
step "native x86-64 digest generator"
cmake -S . -B "$native" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSPK_BUILD_TOOLS=OFF >/dev/null
cmake --build "$native" -j2 --target spk_repro

for arch in "${arches[@]}"; do
  step "$arch: configure"
  cmake --preset "$arch" -DSPK_REPRO_NATIVE="$native/tests/cross/spk_repro" >/dev/null
  step "$arch: build"
  cmake --build --preset "$arch"
  step "$arch: test"
  ctest --preset "$arch"
done
step "done"
