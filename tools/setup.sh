#!/usr/bin/env bash
# Installs every Debian package that the build, the tests and the benchmarks need.
# Safe to run again: when everything is present it changes nothing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build ccache pkg-config git
  clang libclang-rt-14-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  libfreetype-dev libpng-dev libjpeg62-turbo-dev zlib1g-dev
  libvorbis-dev libogg-dev
  libmpg123-dev lame twolame sox
  libsdl2-dev fonts-dejavu-core fonts-ipafont-gothic
  # the desktop dialog backend, and a virtual display for its tests
  libgtk-3-dev xvfb xauth
  # benchmarks only: the script machine is timed beside Lua
  lua5.4 liblua5.4-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
