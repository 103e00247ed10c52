#!/usr/bin/env bash
# Installs the Debian packages Vorlith needs to build, test and run, when missing.
set -euo pipefail
packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev libqt6multimedia6 qt6-qpa-plugins
    libgl-dev fonts-liberation libjpeg62-turbo-dev
    clang libclang-rt-14-dev
    libmicrohttpd-dev
    desktop-file-utils appstream dpkg-dev file
)
# The checks from outside (tests/e2e) drive the real program on a private X
# server through the accessibility bus.
if [ "${VORLITH_E2E:-0}" = 1 ]; then
    packages+=(xvfb xdotool x11-apps netpbm at-spi2-core python3-pyatspi dbus-x11 debootstrap curl chromium iproute2)
fi
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    SUDO=""
    [ "$(id -u)" -eq 0 ] || SUDO="sudo"
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
