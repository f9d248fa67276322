#!/usr/bin/env bash
# Installs what is missing, builds the program and runs its main job: the command-line tool on the
# built-in simulated mouse, so the first run shows a mouse answering on any machine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build build/release
echo "Change a setting the same way: build/release/bin/veltractl --demo set dpi_index=3 game_mode=1"
echo
build/release/bin/veltractl --demo status
