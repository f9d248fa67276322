#!/usr/bin/env bash
# Puts a stock Debian kernel and the HID modules a uhid guest needs into a cache folder, and
# installs the tools that boot it. The kernel package is downloaded, never installed: installing
# it would pull in an init system and rebuild the host's initramfs.
#
# Usage: fetch-kernel.sh <cache-dir>
# The cache holds vmlinuz, hid.ko, uhid.ko, hid-generic.ko (uncompressed) and VERSION.
set -euo pipefail

[ $# -eq 1 ] || { echo "usage: $0 <cache-dir>" >&2; exit 2; }
cache=$1
modules=(hid uhid hid-generic)

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
apt_opts=(-o DPkg::Lock::Timeout=600 -qq)

missing=()
for p in qemu-system-x86 busybox-static cpio; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "fetch-kernel: installing ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    "${sudo_cmd[@]}" apt-get "${apt_opts[@]}" update
    "${sudo_cmd[@]}" apt-get "${apt_opts[@]}" install -y --no-install-recommends "${missing[@]}"
fi

complete() {
    [ -s "$cache/vmlinuz" ] && [ -s "$cache/VERSION" ] || return 1
    local m
    for m in "${modules[@]}"; do
        [ -s "$cache/$m.ko" ] || return 1
    done
}
if complete; then
    exit 0
fi

# The meta package names the current kernel ABI; its dependency is the real image package.
image_package() {
    apt-cache depends linux-image-amd64 2>/dev/null |
        sed -n 's/^ *Depends: \(linux-image-[0-9][^ ]*-amd64\)$/\1/p' | head -n1
}
# apt's download sandbox user cannot write into a private temporary folder.
sandbox=()
[ "$(id -u)" -ne 0 ] || sandbox=(-o APT::Sandbox::User=root)
download() {
    [ -n "$image" ] || return 1
    echo "fetch-kernel: downloading $image"
    (cd "$work" && apt-get "${apt_opts[@]}" "${sandbox[@]}" download "$image")
}

mkdir -p "$cache"
work=$(mktemp -d "$cache/.fetch.XXXXXX")
trap 'rm -rf "$work"' EXIT

# Missing or stale package lists (the mirror has moved on to a newer kernel) are refreshed once.
image=$(image_package)
if ! download; then
    "${sudo_cmd[@]}" apt-get "${apt_opts[@]}" update
    image=$(image_package)
    download || { echo "fetch-kernel: cannot download the kernel package" >&2; exit 1; }
fi
version=${image#linux-image-}
deb=$(find "$work" -maxdepth 1 -name "${image}_*.deb" | head -n1)
[ -n "$deb" ] || { echo "fetch-kernel: download of $image failed" >&2; exit 1; }

patterns=("./boot/vmlinuz-$version")
for m in "${modules[@]}"; do
    patterns+=("./lib/modules/$version/kernel/drivers/hid/$m.ko*"
        "./usr/lib/modules/$version/kernel/drivers/hid/$m.ko*")
done
mkdir "$work/root"
# tar reports the patterns that matched nothing (the other of /lib and /usr/lib); what counts
# is that every file is there afterwards.
dpkg-deb --fsys-tarfile "$deb" | tar -x -C "$work/root" --wildcards "${patterns[@]}" 2>/dev/null || true

cp "$work/root/boot/vmlinuz-$version" "$work/vmlinuz"
for m in "${modules[@]}"; do
    src=$(find "$work/root" -name "$m.ko*" -print | head -n1)
    [ -n "$src" ] || { echo "fetch-kernel: $m.ko missing from $image" >&2; exit 1; }
    # The guest's busybox insmod unpacks .xz itself but not .zst; plain files suit both.
    case $src in
        *.ko.xz) xz -dc "$src" >"$work/$m.ko" ;;
        *.ko.zst) zstd -qdc "$src" >"$work/$m.ko" ;;
        *.ko) cp "$src" "$work/$m.ko" ;;
        *) echo "fetch-kernel: unexpected module file $src" >&2; exit 1 ;;
    esac
done

for m in "${modules[@]}"; do
    mv "$work/$m.ko" "$cache/$m.ko"
done
mv "$work/vmlinuz" "$cache/vmlinuz"
echo "$version" >"$cache/VERSION"
echo "fetch-kernel: kernel $version cached in $cache"
