#!/usr/bin/env bash
# The real-kernel HID stage: fetches (once) a stock kernel, builds the guest programs in an
# already configured build folder, and runs the guest tests in a TCG virtual machine.
#
# Usage: run-kernel-tests.sh <build-dir>
# The kernel is cached in <build-dir>/kernel-cache; the guest image and its console log are in
# <build-dir>/kernel-guest.
set -euo pipefail

[ $# -eq 1 ] || { echo "usage: $0 <build-dir>" >&2; exit 2; }
build=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
[ -f "$build/CMakeCache.txt" ] || { echo "kernel tests: $build is not a configured build folder" >&2; exit 2; }

now_ms() { date +%s%3N; }
seconds() { awk -v ms="$1" 'BEGIN { printf "%.1f", ms / 1000 }'; }

t0=$(now_ms)
"$here/fetch-kernel.sh" "$build/kernel-cache"
t1=$(now_ms)
cmake --build "$build" -j2 --target uhid-mouse hid-check device-check veltractl
t2=$(now_ms)
status=0
"$here/run-guest.sh" --cache "$build/kernel-cache" --work "$build/kernel-guest" \
    --script "$here/guest/uhid_smoke.sh" --script "$here/guest/device_link.sh" \
    --script "$here/guest/veltractl.sh" --data "$here/../../data" \
    --bin "$build/bin/uhid-mouse" --bin "$build/bin/hid-check" --bin "$build/bin/device-check" \
    --bin "$build/bin/veltractl" || status=$?
t3=$(now_ms)

echo "kernel tests: kernel $(seconds $((t1 - t0)))s, build $(seconds $((t2 - t1)))s," \
    "guest $(seconds $((t3 - t2)))s, total $(seconds $((t3 - t0)))s"
if [ "$status" -ne 0 ]; then
    echo "kernel tests: FAILED (console log: $build/kernel-guest/console.log)" >&2
fi
exit "$status"
