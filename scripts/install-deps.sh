#!/usr/bin/env bash
# Installs every Debian package that the build, the program, the tests and the benchmarks need.
# Quick when everything is already installed: apt-get runs only for what is missing.
set -euo pipefail

packages=(
  build-essential g++ cmake ninja-build pkg-config git ccache python3
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  qt6-base-dev qt6-base-dev-tools qt6-charts-dev libqt6opengl6-dev libgl1-mesa-dri
  libgl-dev libgl1-mesa-dev libglu1-mesa-dev libegl-dev libegl1-mesa-dev libgles-dev mesa-utils
  libfreetype-dev libfontconfig-dev
  libavformat-dev libavcodec-dev libswscale-dev libavutil-dev
  libxrandr-dev libx11-dev
  xvfb xauth
  fonts-liberation2 fontconfig
  libeigen3-dev libmuparser-dev libsiconos-numerics-dev libbox2d-dev
  # The second compiler, and libFuzzer with the sanitizer runtimes and the symbolizer for the fuzz build.
  clang-14 libclang-rt-14-dev llvm-14
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
echo "install-deps: installing ${missing[*]}" >&2
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
