#!/usr/bin/env bash
# Installs what is missing, builds the program and runs its main job.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELTRA_TESTS=OFF -DVELTRA_BENCH=OFF >/dev/null
cmake --build build/release
build/release/bin/veltractl catalogue
