#!/usr/bin/env bash
# Boots the cached kernel in a small TCG guest whose initramfs holds busybox, the HID modules,
# the given programs with their shared libraries, and test scripts; exits 0 only when every
# script passed inside the guest.
#
# Usage: run-guest.sh --cache DIR --work DIR --script FILE [--script FILE]...
#                     [--bin PROGRAM]... [--data DIR] [--timeout SECONDS]
# Programs land in the guest's /bin under their own names and the data folder's contents in
# /data; the scripts run in the given order, each with `sh`, and every one runs even when one
# before it failed.
set -euo pipefail

cache='' work='' data='' timeout_s=300
bins=() scripts=()
while [ $# -gt 0 ]; do
    case $1 in
        --cache) cache=$2 ;;
        --work) work=$2 ;;
        --script) scripts+=("$2") ;;
        --bin) bins+=("$2") ;;
        --data) data=$2 ;;
        --timeout) timeout_s=$2 ;;
        *) echo "run-guest: unknown argument $1" >&2; exit 2 ;;
    esac
    shift 2
done
if [ -z "$cache" ] || [ -z "$work" ] || [ ${#scripts[@]} -eq 0 ]; then
    echo "usage: $0 --cache DIR --work DIR --script FILE [--script FILE]... [--bin PROGRAM]..." \
        "[--data DIR] [--timeout SECONDS]" >&2
    exit 2
fi
for f in "$cache/vmlinuz" "$cache/hid.ko" "$cache/uhid.ko" "$cache/hid-generic.ko" \
    "${scripts[@]}" "${bins[@]}"; do
    [ -s "$f" ] || { echo "run-guest: missing $f" >&2; exit 2; }
done
busybox=$(command -v busybox || true)
if [ -z "$busybox" ] || ldd "$busybox" >/dev/null 2>&1; then
    echo "run-guest: needs a statically linked busybox (busybox-static)" >&2
    exit 2
fi

root=$work/root
rm -rf "$root"
mkdir -p "$root"/{bin,dev,proc,sys,tmp,tests,lib/modules}
cp "$busybox" "$root/bin/busybox"
cp "$cache"/{hid,uhid,hid-generic}.ko "$root/lib/modules/"
n=0
for script in "${scripts[@]}"; do
    n=$((n + 1))
    cp "$script" "$root/tests/$n-$(basename "$script")"
done
if [ -n "$data" ]; then
    [ -d "$data" ] || { echo "run-guest: missing $data" >&2; exit 2; }
    cp -rL "$data" "$root/data"
fi

# Each program with every library ldd resolves and the loader, at the paths they are looked for.
for bin in "${bins[@]}"; do
    cp -L "$bin" "$root/bin/"
    # Static programs and data files have no libraries; ldd fails on them.
    { ldd "$bin" 2>/dev/null || true; } | awk '$2 == "=>" && $3 ~ /^\// { print $3 } $1 ~ /^\// { print $1 }' |
        while read -r lib; do
            mkdir -p "$root$(dirname "$lib")"
            cp -L "$lib" "$root$lib"
        done
done

cat >"$root/init" <<'INIT'
#!/bin/busybox sh
/bin/busybox --install -s /bin
export PATH=/bin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
exec </dev/console >/dev/console 2>&1

finish() {
    echo "GUEST-RESULT: $1"
    sync
    poweroff -f
}

for m in hid uhid hid-generic; do
    if ! insmod "/lib/modules/$m.ko"; then
        dmesg | tail -n 20
        finish "FAIL (insmod $m)"
    fi
done
failed=''
for t in $(ls /tests | sort -n); do
    echo "guest: === $t"
    sh "/tests/$t" || failed="$failed $t"
done
if [ -z "$failed" ]; then
    finish PASS
fi
dmesg | tail -n 30
finish "FAIL ($failed )"
INIT
chmod +x "$root/init" "$root/bin"/*

(cd "$root" && find . -print0 | cpio --null -o -H newc -R 0:0 --quiet) >"$work/initrd.cpio"

log=$work/console.log
status=0
timeout "$timeout_s" qemu-system-x86_64 -accel tcg -m 512 -smp 1 -nographic -no-reboot \
    -nic none -kernel "$cache/vmlinuz" -initrd "$work/initrd.cpio" \
    -append "console=ttyS0 quiet panic=-1" </dev/null | tr -d '\r' | tee "$log" || status=$?
if [ "$status" -eq 124 ]; then
    echo "run-guest: guest did not finish within ${timeout_s}s" >&2
fi
grep -qx "GUEST-RESULT: PASS" "$log"
