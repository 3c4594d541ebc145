#!/usr/bin/env bash
# Installs everything the build, the tests, the fuzzers and the end-to-end checks need.
# Quiet and quick when all of it is already there.
set -euo pipefail

packages=(
    g++ make cmake ninja-build ccache pkg-config
    qt6-base-dev libgl-dev
    libsdl2-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    clang libclang-rt-14-dev
    xvfb xauth xdotool x11-utils imagemagick python3
    appstream desktop-file-utils dpkg-dev file
    fonts-dejavu-core
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
echo "installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
