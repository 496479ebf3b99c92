#!/usr/bin/env bash
# Installs the Debian packages the build needs, and nothing when all are there.
# Usage: scripts/install-deps.sh [extra-package ...]
set -euo pipefail

packages=(cmake make g++ pkg-config qt6-base-dev zlib1g-dev libdeflate-dev libarchive-dev libzstd-dev liblzma-dev libxxhash-dev libgtest-dev
          clang libclang-rt-14-dev xvfb xauth shared-mime-info "$@")

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
