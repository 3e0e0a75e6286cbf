#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the Debian packages Quillon builds, tests and runs with, when any is missing.
set -euo pipefail

packages=(
    cmake g++ make pkg-config clang-format clang-tidy git
    libgtest-dev libgmock-dev libbenchmark-dev
    qt6-base-dev libgl-dev fonts-dejavu-core
    xvfb xauth
    libx11-dev xdotool qt6-multimedia-dev
    clang libclang-rt-14-dev libmuparser-dev
    help2man dpkg-dev lintian systemd
    python3-pymodbus
    libcurl4-openssl-dev python3-aiosmtpd openssl
    libmosquitto-dev mosquitto mosquitto-clients nlohmann-json3-dev
    g++-mingw-w64-i686-posix googletest wine wine32:i386
    librsvg2-bin icoutils wixl msitools
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done

if ((${#missing[@]} > 0)); then
    echo "Installing: ${missing[*]}"
    as_root=()
    if [ "$(id -u)" -ne 0 ]; then
        as_root=(sudo)
    fi
    # The Windows tests run under 32-bit Wine.
    if [[ " ${missing[*]} " == *":i386 "* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
        "${as_root[@]}" dpkg --add-architecture i386
    fi
    "${as_root[@]}" apt-get update
    DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y "${missing[@]}"
fi
