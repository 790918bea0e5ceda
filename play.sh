#!/usr/bin/env bash
# Installs what is missing, builds, and starts the game from its run directory.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh build run
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)"

cd build/run
exec ./morvu "$@"
