#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the tools need, only when one is missing.
set -euo pipefail

packages=(
    cmake g++ pkg-config ninja-build
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    libsqlite3-dev libhidapi-dev libpugixml-dev libudev-dev nlohmann-json3-dev libglib2.0-dev
    libcurl4-openssl-dev libminizip-dev zlib1g-dev libssl-dev openssl
    clang libclang-rt-14-dev clang-format
    qt6-base-dev qt6-translations-l10n fonts-dejavu-core fonts-wqy-microhei
    appstream desktop-file-utils
    xvfb xdotool trayer x11-utils dbus-daemon imagemagick gsettings-desktop-schemas
    python3
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
