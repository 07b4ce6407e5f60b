#!/bin/bash
# Installs, with apt-get, whatever of Wimblet's build and test needs is missing.
set -euo pipefail
packages=(
    g++ cmake make pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-svg-dev libqt6svg6 qt6-qpa-plugins libgl-dev
    fonts-dejavu-core fonts-urw-base35 fonts-noto-core fonts-noto-cjk fonts-noto-color-emoji
    xvfb xauth xdotool xclip x11-utils x11-xserver-utils imagemagick openbox
    dbus-daemon dbus-bin at-spi2-core python3-pyatspi
    desktop-file-utils appstream dpkg-dev python3
    clang-14 libclang-rt-14-dev
)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
    sudo=()
    [[ $(id -u) -eq 0 ]] || sudo=(sudo)
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
