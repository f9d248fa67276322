#!/bin/sh
# Runs inside the kernel test guest: veltractl against a uhid-mouse that carries the catalogue's
# wired identity of the first model; the settings frame `set` sends is checked byte for byte as
# the mouse received it.
set -u
export VELTRA_PROGRAM_FOLDER=/data HOME=/tmp/veltractl-home
export XDG_DATA_HOME=$HOME/data XDG_CONFIG_HOME=$HOME/config
mkdir -p "$HOME"
frames=/tmp/frames-veltractl
failed=0

check() {
    what=$1
    shift
    if "$@"; then
        echo "veltractl: ok   $what"
    else
        echo "veltractl: FAIL $what"
        failed=1
    fi
}

uhid-mouse --kind wired --vid 0x3554 --pid 0xF5D5 --frames-out "$frames" &
mouse=$!

tries=0
until veltractl devices >/tmp/devices.out 2>&1; do
    tries=$((tries + 1))
    [ "$tries" -lt 50 ] || break
    usleep 100000
done
cat /tmp/devices.out
check "devices lists the wired mouse on hidraw" grep -q "^3554:F5D5 .*/dev/hidraw" /tmp/devices.out

veltractl status >/tmp/status.out 2>&1
status_rc=$?
cat /tmp/status.out
check "status reads the mouse" [ "$status_rc" -eq 0 ]
check "status shows the mouse's battery" grep -q "^battery: *80%" /tmp/status.out

veltractl --json set dpi_group2_value=2400 >/tmp/set.out 2>&1
set_rc=$?
cat /tmp/set.out
check "set succeeds" [ "$set_rc" -eq 0 ]
# The frame as veltractl sent it (report id first, spaced upper-case hex) and as the mouse logs
# its payloads (report id gone, lower-case hex).
sent=$(sed -n 's/.*"sent":\["\([0-9A-F ]*\)".*/\1/p' /tmp/set.out | sed 's/^.. //' |
    tr -d ' ' | tr 'A-F' 'a-f')
check "set sent a settings frame" [ -n "$sent" ]
check "the mouse received the settings frame byte for byte" grep -qx "${sent:-none}" "$frames"

veltractl --json status >/tmp/status.json 2>&1
check "status reads the new DPI value back from the mouse" \
    grep -q '"level":2,"dpi":2400' /tmp/status.json

kill -TERM "$mouse"
if ! wait "$mouse"; then
    echo "veltractl: uhid-mouse did not exit cleanly"
    failed=1
fi
exit "$failed"
