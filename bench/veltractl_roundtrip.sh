#!/bin/sh
# `veltractl status` through the running window against the direct path, on one mouse: the
# reference bridge peer (tools/bridge_peer.py), which answers at once. Through the window the
# command travels over the single-instance socket, runs on the window's device worker and its
# output comes back; directly, veltractl scans, opens the store and reads the mouse itself.
# Prints the median and the fastest wall time of each, in milliseconds. While idle, the window's
# worker listens for the mouse's notices in reads of 100 ms; a command that arrives during one
# waits for its end, so a random pause before each run samples every moment of that cycle.
#   bench/veltractl_roundtrip.sh [runs] [path/to/bin]   (bin holds both programs and the folder)
set -eu
runs=${1:-50}
bin=$(cd "${2:-build/bin}" && pwd)
source_dir=$(cd "$(dirname "$0")/.." && pwd)
home=$(mktemp -d)
peer=""
window=""
trap 'kill $window $peer 2>/dev/null || true; wait 2>/dev/null || true; rm -rf "$home"' EXIT
mkdir -m 700 "$home/run"
export HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data"
export XDG_RUNTIME_DIR="$home/run" VELTRA_PROGRAM_FOLDER="$bin" LANG=C
export VELTRA_HID_BRIDGE="$home/peer.socket" QT_QPA_PLATFORM=offscreen

python3 "$source_dir/tools/bridge_peer.py" "$VELTRA_HID_BRIDGE" >/dev/null 2>&1 &
peer=$!
while [ ! -S "$VELTRA_HID_BRIDGE" ]; do sleep 0.05; done

# Wall times of `runs` runs of veltractl with the given arguments, one per line, in ms.
measure() {
    i=0
    while [ "$i" -lt "$runs" ]; do
        sleep "0.$(od -An -N2 -tu2 /dev/urandom | awk '{ printf "%03d", $1 % 200 }')"
        start=$(date +%s%N)
        "$bin/veltractl" "$@" status >/dev/null
        end=$(date +%s%N)
        echo "$(((end - start) / 100000))"
        i=$((i + 1))
    done | sort -n | awk '{ t[NR] = $1 } END {
        printf "median %.1f ms, fastest %.1f ms\n", t[int((NR + 1) / 2)] / 10, t[1] / 10 }'
}

"$bin/veltractl" status >/dev/null
printf 'direct (%s runs):      ' "$runs"
measure

"$bin/veltra-mouse" >/dev/null 2>&1 &
window=$!
until "$bin/veltractl" --json profile list >/dev/null 2>&1 && [ -S "$home/run/Veltra Mouse.socket" ]; do
    sleep 0.1
done
printf 'through the window:    '
measure
