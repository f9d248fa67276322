#!/bin/sh
# Runs inside the kernel test guest: the application's device link (HidapiBackend, DriverComm,
# the protocol procedures, the hot-plug source) against uhid-mouse, which logs every payload it
# receives for device-check to compare.
set -u
vid=0x1209
pid=0x0002
failed=0

link() {
    kind=$1
    shift
    frames=/tmp/frames-$kind
    echo "guest: --- device link, $kind"
    uhid-mouse --kind "$kind" --vid "$vid" --pid "$pid" --frames-out "$frames" --replug-ms 300 &
    mouse=$!
    if ! device-check --vid "$vid" --pid "$pid" --frames "$frames" --replug-pid "$mouse" "$@"; then
        echo "guest: device link over $kind failed"
        failed=1
    fi
    kill -TERM "$mouse"
    if ! wait "$mouse"; then
        echo "guest: uhid-mouse ($kind) did not exit cleanly"
        failed=1
    fi
}

# A receiver interface is probed before it counts as online; the probe crosses the kernel too.
# The protocol procedures run once per report form; a waited write takes its full 2 s of reads.
link wired --usage-page 0x00C0 --usage 0x0001 --output-length 65 --mode receiver \
    --procedures yes
link short --usage-page 0x00C0 --usage 0x0001 --output-length 49 --mode wired --procedures yes
link bluetooth --usage-page 0xFF00 --usage 0x000E --output-length 65 --mode bluetooth
exit "$failed"
