#!/usr/bin/env bash
# Installs what the default build and its tests need, on Debian 12 as root. Idempotent.
# Extra packages for a stage can be named as arguments.
set -euo pipefail
packages=(cmake ninja-build g++ binutils libgtest-dev pkg-config zlib1g-dev
          python3-numpy python3-scipy python3-pytest "$@")
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
