#!/usr/bin/env bash
# Checks the launcher and the AppStream description with the desktop's own validators. Skipped
# (exit 77) when a validator is not installed; scripts/install-deps.sh installs both.
set -euo pipefail
desktop_dir=$1
for tool in appstreamcli desktop-file-validate; do
    command -v "$tool" >/dev/null || { echo "$tool is not installed"; exit 77; }
done
desktop-file-validate "$desktop_dir/veltra-mouse.desktop"
appstreamcli validate --no-net --explain "$desktop_dir"/*.metainfo.xml
# The description must name the launcher it is installed with.
grep -q '<launchable type="desktop-id">veltra-mouse.desktop</launchable>' \
    "$desktop_dir"/*.metainfo.xml || { echo "the launchable is not veltra-mouse.desktop"; exit 1; }
