#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the programs need. Idempotent: a
# machine that already has them is left alone. Run as root on Debian 12.
set -euo pipefail

packages=(
  build-essential cmake pkg-config git
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev libqcustomplot-dev libgl-dev
  libsqlite3-dev libcairo2-dev libfreetype-dev fonts-dejavu-core
  clang libclang-rt-14-dev
  gpgv gnupg
  libmuparser-dev
  xvfb xauth
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all packages present"
  exit 0
fi

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update
$SUDO apt-get install -y --no-install-recommends "${missing[@]}"
