#!/usr/bin/env bash
# Installs what building and running the game needs; with --package also what making the
# Debian package needs, with --test everything the tests, the fuzzers, the end-to-end
# checks and the package test need. Quiet and quick when all of it is already there.
#   install-deps.sh [--package] [--test]
set -euo pipefail

build=(
    g++ make cmake ninja-build ccache pkg-config
    qt6-base-dev libgl-dev
    libsdl2-dev libfontconfig-dev
)
# At run time: the toolkit's X11 platform plugin and translations, and a font.
run=(qt6-qpa-plugins qt6-translations-l10n fonts-dejavu-core)
package=(dpkg-dev file lintian)
test=(
    libgtest-dev libgmock-dev libbenchmark-dev
    clang libclang-rt-14-dev
    xvfb xauth xdotool x11-utils imagemagick python3
    appstream desktop-file-utils shared-mime-info
)

packages=("${build[@]}" "${run[@]}")
for arg in "$@"; do
    case $arg in
        --package) packages+=("${package[@]}") ;;
        --test) packages+=("${package[@]}" "${test[@]}") ;;
        *) echo "usage: $0 [--package] [--test]" >&2; exit 2 ;;
    esac
done

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
