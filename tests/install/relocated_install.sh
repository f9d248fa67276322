#!/usr/bin/env bash
# Installs the build under a prefix chosen at install time (staged with DESTDIR) and runs the
# installed veltractl from there: it must find its program folder beside its own bin/ folder.
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
DESTDIR="$work/stage" cmake --install "$build" --prefix /opt/veltra-relocated >/dev/null
root="$work/stage/opt/veltra-relocated"
test -f "$root/share/veltra-mouse/config.xml"
# The drawn skin goes with the program data; the program icon, the launcher and the AppStream
# description go to the desktop's folders.
for f in veltra-mouse/skins/default/loading.gif veltra-mouse/skins/default/device/img_mouse.png \
    icons/hicolor/48x48/apps/veltra-mouse.png icons/hicolor/scalable/apps/veltra-mouse.svg \
    applications/veltra-mouse.desktop metainfo/io.github.veltra.VeltraMouse.metainfo.xml; do
    test -s "$root/share/$f" || { echo "$f was not installed"; exit 1; }
done
find "$work/stage" -path '*/udev/rules.d/70-veltra-mouse.rules' | grep -q . ||
    { echo "the udev rule was not installed"; exit 1; }
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
unset VELTRA_PROGRAM_FOLDER VELTRA_HID_BRIDGE VELTRA_HID_RECORD
out=$("$root/bin/veltractl" catalogue)
echo "$out"
grep -q "101" <<<"$out"
