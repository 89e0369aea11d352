#!/usr/bin/env bash
# Installs what building and testing LumoBrowser needs on a Debian machine.
# Idempotent: when every package is present it only checks and returns.
set -euo pipefail

PACKAGES=(
  cmake ninja-build ccache python3
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64
  googletest
  clang libclang-rt-14-dev
  wine wine64
  xvfb xauth xdotool x11-utils imagemagick openbox
  zip unzip
  debootstrap
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
fi
echo "setup: all packages present"
