#!/usr/bin/env bash
# Installs the Debian packages the project needs, in two sets:
#   player  what a player's build of the game needs: the compiler and build tools, the libraries
#           the game runs on (with their development files) and the font the build converts
#   test    what the tests, benchmarks, fuzz targets and the developer tools need on top
#
# Usage: install-deps.sh [--player]
#   --player  only the player's set (tools/run-game.sh); without it, both sets (tools/run-tests.sh)
#
# Idempotent: packages already present are left alone; apt is only asked when one is missing.
# As root it runs apt-get itself, otherwise through sudo; with neither it prints the one command
# to run as root and exits with status 1.
set -euo pipefail

PLAYER=(
  # compiler and build tools
  build-essential cmake ninja-build pkg-config
  # window and OpenGL (SDL2 on X11; Mesa's drivers)
  libsdl2-dev libx11-dev libgl-dev libgl1-mesa-dri libglx-mesa0
  # sound
  libopenal-dev libogg-dev libvorbis-dev
  # images
  libpng-dev libjpeg62-turbo-dev libopenjp2-7-dev zlib1g-dev
  # network (headers only: libcurl is opened at run time)
  libcurl4-openssl-dev
  # fonts (converted into the game's fonts at build time)
  libfreetype-dev fonts-dejavu-core
)

TEST=(
  # the sanitized build (clang-14 with its sanitizer and libFuzzer runtimes); the compiler cache
  clang-14 libclang-rt-14-dev ccache
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev libxml2-dev
  # the black-box tests of the real game and the independent cipher check
  python3 python3-cryptography
  # an X server of their own for the platform tests and tools/measure-game.sh, which drives the
  # game there with xdotool
  xvfb xdotool
)

case "${1:-}" in
  "") PACKAGES=("${PLAYER[@]}" "${TEST[@]}") ;;
  --player) PACKAGES=("${PLAYER[@]}") ;;
  *) echo "usage: $0 [--player]" >&2; exit 2 ;;
esac

# One query for all of them: a "<package> <state>" line for each package dpkg knows of.
declare -A installed=()
while read -r name state; do
  [ "$state" = installed ] && installed[$name]=1
done < <(dpkg-query -W -f='${Package} ${db:Status-Status}\n' "${PACKAGES[@]}" 2>/dev/null || true)
missing=()
for p in "${PACKAGES[@]}"; do
  [ -n "${installed[$p]:-}" ] || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
  SUDO=()
elif command -v sudo >/dev/null 2>&1; then
  SUDO=(sudo)
else
  echo "Missing Debian packages: ${missing[*]}" >&2
  echo "Install them as root (for example after su -) with:" >&2
  echo "apt-get update && apt-get install -y --no-install-recommends ${missing[*]}"
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
"${SUDO[@]}" apt-get update -qq
"${SUDO[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
