#!/usr/bin/env bash
# Installs every Debian package the project needs. Idempotent: when everything is
# present it only checks with dpkg and returns at once.
set -euo pipefail

packages=(
  # toolchain
  cmake ninja-build g++ clang libclang-rt-14-dev pkg-config clang-format
  # engine libraries (libvorbis-dev also brings the encoder that makes the sample sounds)
  zlib1g-dev libvorbis-dev libpng-dev
  # the sample game's voiced lines are spoken at build time
  espeak-ng
  # platform backends
  libsdl2-dev libgtk-3-dev libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev
  # (the font tests expect the figures of fonts-ipafont 00303-23, as in Debian 12)
  libfreetype-dev libfontconfig-dev fonts-ipafont
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev libpixman-1-dev
  xvfb xauth xdotool x11-utils libx11-dev x11-apps openbox
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "setup: installing ${missing[*]}" >&2
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
