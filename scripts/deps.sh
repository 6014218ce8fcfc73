#!/usr/bin/env bash
# Installs the Debian packages the build needs, only those that are missing.
set -euo pipefail

packages=(
    g++ cmake ninja-build pkg-config
    libgtest-dev libgmock-dev libbenchmark-dev
    qt6-base-dev qt6-charts-dev libqt6opengl6-dev
    qt6-translations-l10n
    libsimpleini-dev libcurl4-openssl-dev zlib1g-dev libzip-dev libmuparser-dev libxlsxwriter-dev
    libtbb-dev libcli11-dev libcpp-httplib-dev libssl-dev libsqlite3-dev
    libpq-dev postgresql postgresql-common
    fonts-dejavu-core
    dpkg-dev file
    desktop-file-utils appstream man-db
    zip openssl python3
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "Root rights are needed to install: ${missing[*]}" >&2; exit 1; }
    sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
