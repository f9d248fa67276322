#!/usr/bin/env bash
# Installs what is missing, builds the program and runs it on the built-in simulated mouse, so the
# first run shows a mouse answering on any machine: the window where a display exists, else the
# command-line tool's status.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build build/release
if [[ -n ${DISPLAY:-} || -n ${WAYLAND_DISPLAY:-} ]]; then
    echo "The window on the simulated mouse: its Demo menu (bottom right) plugs and unplugs it."
    exec build/release/bin/veltra-mouse --demo
fi
echo "No display: the command-line tool on the simulated mouse. With a display, run"
echo "build/release/bin/veltra-mouse --demo for the window."
echo "Change a setting the same way: build/release/bin/veltractl --demo set dpi_index=3 game_mode=1"
echo
build/release/bin/veltractl --demo status
