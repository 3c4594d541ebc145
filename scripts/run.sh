#!/usr/bin/env bash
# Installs what is needed, builds the game (Release) and starts it from its run folder.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DPRISMCRATE_TESTS=OFF -DPRISMCRATE_BENCH=OFF >/dev/null
cmake --build build/release -j "$(nproc)"
cd build/release/run
exec ./prismcrate "$@"
