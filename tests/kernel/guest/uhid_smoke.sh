#!/bin/sh
# Runs inside the kernel test guest: each interface kind of uhid-mouse, found, read, notified,
# unplugged and plugged again through hidapi on the real HID stack.
set -u
vid=0x1209
pid=0x0001
failed=0

probe() {
    kind=$1
    shift
    echo "guest: --- $kind"
    uhid-mouse --kind "$kind" --vid "$vid" --pid "$pid" --replug-ms 300 &
    mouse=$!
    if ! hid-check --vid "$vid" --pid "$pid" --dpi-pid "$mouse" --replug-pid "$mouse" "$@"; then
        echo "guest: $kind failed"
        failed=1
    fi
    # The hot-plug path takes the interface number from here, as for a real USB interface.
    if ! grep -qx "HID_PHYS=usb-0000:00:14.0-2/input2" /sys/class/hidraw/hidraw*/device/uevent; then
        echo "guest: $kind has no USB-style HID_PHYS"
        failed=1
    fi
    kill -TERM "$mouse"
    if ! wait "$mouse"; then
        echo "guest: uhid-mouse ($kind) did not exit cleanly"
        failed=1
    fi
}

probe wired --usage-page 0x00C0 --usage 0x0001
probe short --usage-page 0x00C0 --usage 0x0001 --report-id 6 --report-size 48
probe bluetooth --usage-page 0xFF00 --usage 0x000E
exit "$failed"
