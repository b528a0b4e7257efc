#!/usr/bin/env bash
# Installs the Debian packages Glimmerdale needs.
#
#   bash scripts/install-deps.sh --build   what building and running it need (scripts/run.sh)
#   bash scripts/install-deps.sh           that and everything the tests and the release files need
#                                          (scripts/test.sh, scripts/package.sh)
#
# Non-interactive and idempotent: packages already present are left alone, and no package's
# recommendations come along.
set -euo pipefail

# Building (the program, its media tools and the GoogleTest programs CMake configures with it) and
# running it, in a virtual X server when there is no display.
BUILD_PACKAGES=(
  build-essential cmake pkg-config git
  libsdl2-dev libglew-dev libglu1-mesa-dev libgl1-mesa-dev libgl1-mesa-dri
  libjpeg62-turbo-dev libvorbis-dev libgtk-3-dev libx11-dev
  libfreetype-dev fonts-dejavu-core zlib1g-dev
  libxrandr-dev libxext-dev libxss-dev libwayland-dev wayland-protocols plasma-wayland-protocols
  libgtest-dev libgmock-dev googletest
  xvfb xauth
)

# The tests, the checks and the release files: formatting, fuzzing, benchmarks, the programs the
# end-to-end tests run the screensaver against (X servers, window manager, XScreenSaver, MATE's
# screensaver, Xfce's settings store, Wayland compositors, D-Bus), the package checks, and the
# Windows build with its tests under Wine and its installer.
TEST_PACKAGES=(
  clang-format clang libclang-rt-14-dev libbenchmark-dev
  xdotool openbox x11-utils xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils
  p7zip-full libarchive-tools imagemagick
  xscreensaver xscreensaver-data dpkg-dev lintian file libxml2-utils desktop-file-utils
  dbus dbus-daemon python3-gi python3-dbusmock
  mate-screensaver xfconf
  sway swayidle grim wtype mutter kwin-wayland wayland-utils
  mpv ffmpeg swaylock
  g++-mingw-w64-x86-64-posix mingw-w64-tools libz-mingw-w64-dev debian-archive-keyring
  wine wine64 nsis zip
)

case "${1:-}" in
  --build) PACKAGES=("${BUILD_PACKAGES[@]}") ;;
  "") PACKAGES=("${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}") ;;
  *)
    echo "usage: bash scripts/install-deps.sh [--build]" >&2
    exit 2
    ;;
esac

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
