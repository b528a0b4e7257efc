#!/usr/bin/env bash
# Installs every Debian package Glimmerdale needs to build, run and test.
# Non-interactive and idempotent: packages already present are left alone.
set -euo pipefail

PACKAGES=(
  build-essential cmake pkg-config git clang-format
  clang libclang-rt-14-dev
  libsdl2-dev libglew-dev libglu1-mesa-dev libgl1-mesa-dev libgl1-mesa-dri
  libjpeg62-turbo-dev libvorbis-dev libgtk-3-dev libx11-dev
  libfreetype-dev fonts-dejavu-core zlib1g-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  xvfb xauth xdotool openbox x11-utils
  xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils
  p7zip-full libarchive-tools imagemagick
  libxrandr-dev libxext-dev xscreensaver xscreensaver-data dpkg-dev lintian file libxml2-utils dbus-daemon
  libwayland-dev wayland-protocols plasma-wayland-protocols libxss-dev
  sway swayidle grim wtype mutter kwin-wayland dbus python3-gi wayland-utils
  mpv ffmpeg swaylock python3-dbusmock
  g++-mingw-w64-x86-64-posix mingw-w64-tools libz-mingw-w64-dev debian-archive-keyring
  wine wine64 nsis zip
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all packages present"
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
