#!/usr/bin/env bash
# Installs, with apt-get, whatever of the build and test tools is missing. Idempotent; needs root
# (or sudo) on Debian 12.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev libqt6sql6-sqlite libqt6sql6-psql
    postgresql-15 openssl sqlite3
    googletest libgtest-dev
    clang libclang-rt-14-dev
    xvfb xauth x11-apps imagemagick fonts-dejavu-core
    g++-mingw-w64-x86-64 wine wine64 fonts-wine nsis xz-utils
    dpkg-dev file desktop-file-utils lintian appstream
    poppler-utils
)
if [ "${KTR_DEPS_MINIMAL:-0}" = 1 ]; then
    # Just what building and starting the configurator needs.
    packages=(cmake ninja-build g++ qt6-base-dev qt6-base-dev-tools libgl-dev libqt6sql6-sqlite xvfb xauth fonts-dejavu-core)
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

SUDO=""
if [ "$(id -u)" != 0 ]; then
    SUDO=sudo
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
