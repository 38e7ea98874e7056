#!/usr/bin/env bash
# Installs the Debian packages that Tessaly needs to build, run and test, when any are missing.
# When everything is present it only asks dpkg and returns at once.
set -euo pipefail

packages=(
    build-essential cmake pkg-config
    freeglut3-dev libgl-dev libglu1-mesa-dev libx11-dev libxi-dev
    libimgui-dev libgtk-3-dev
    libcoin-dev libassimp-dev
    libgtest-dev
    xvfb xauth xdotool x11-apps imagemagick
    clang libclang-rt-14-dev
    desktop-file-utils
    nodejs
    locales
)

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$package")
done

sudo=()
if [[ $(id -u) -ne 0 ]]; then
    sudo=(sudo)
fi

if ((${#missing[@]} > 0)); then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    "${sudo[@]}" apt-get update -qq
    "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# A decimal-comma locale, so that the tests can prove files keep their decimal point under it.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
    "${sudo[@]}" localedef -i de_DE -f UTF-8 de_DE.UTF-8
fi
