#!/usr/bin/env bash
# Installs every Debian package the build, the tests, the demo and the
# screenshots need. Safe to run again: it only installs what is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  sqlite3 libsqlite3-dev
  mdbtools-dev mdbtools
  clang libclang-rt-14-dev
  xvfb xauth xdotool imagemagick poppler-utils fonts-dejavu-core
  desktop-file-utils appstream man-db qt6-l10n-tools qt6ct
  dpkg-dev debootstrap
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
