#!/usr/bin/env bash
# Installs every Debian package the project needs to build, test, fuzz and run.
# Idempotent: packages already present are left alone; apt is only asked when one is missing.
set -euo pipefail

PACKAGES=(
  # toolchain
  build-essential cmake ninja-build pkg-config ccache git
  clang-14 libclang-rt-14-dev
  # tests and benchmarks
  libgtest-dev libgmock-dev googletest libbenchmark-dev libxml2-dev python3-cryptography
  # window, GL, headless display
  libsdl2-dev libx11-dev libgl-dev libgl1-mesa-dri libglx-mesa0 mesa-utils xvfb xauth
  # driving the game under Xvfb (tools/measure-game.sh)
  xdotool
  # sound
  libopenal-dev libopenal1 libogg-dev libvorbis-dev
  # images
  libpng-dev libjpeg62-turbo-dev libopenjp2-7-dev zlib1g-dev
  # network
  libcurl4-openssl-dev
  # fonts (build-time font conversion)
  libfreetype-dev fonts-dejavu-core
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
