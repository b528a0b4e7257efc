#!/usr/bin/env bash
# Builds the Windows screensaver, build-windows/Glimmerdale.scr: a self-contained 64-bit GUI program
# cross-compiled with mingw-w64, and its installer, build-windows/Glimmerdale-<version>-setup.exe
# (NSIS). Extra arguments go to cmake --build (for example --target all).
#
#   1. the Windows libraries from Debian's source packages, once (build-windows/libraries/, or
#      $WINDOWS_LIBRARY_DIR: other Windows build folders share the one in build-windows/)
#   2. the media with the native tools (the native build in build/, only the media target)
#   3. the cross build, which links the native build's media archives and pictures as resources
#   4. the installer around the program
set -euo pipefail
cd "$(dirname "$0")/.."
NATIVE_BUILD_DIR=${NATIVE_BUILD_DIR:-build}
WINDOWS_BUILD_DIR=${WINDOWS_BUILD_DIR:-build-windows}
WINDOWS_LIBRARY_DIR=${WINDOWS_LIBRARY_DIR:-$WINDOWS_BUILD_DIR/libraries}
JOBS=${JOBS:-$(nproc)}
export JOBS

bash scripts/windows/build-libraries.sh "$WINDOWS_LIBRARY_DIR"
BUILD_DIR=$NATIVE_BUILD_DIR bash scripts/build.sh --target media
cmake -S . -B "$WINDOWS_BUILD_DIR" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_FIND_ROOT_PATH="$(cd "$WINDOWS_LIBRARY_DIR" && pwd)/prefix" \
  -DGLIMMERDALE_MEDIA_DIR="$(pwd)/$NATIVE_BUILD_DIR/media" \
  -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-Release} -DGLIMMERDALE_BENCH=OFF -DGLIMMERDALE_TESTS=${WINDOWS_TESTS:-OFF} \
  ${CMAKE_ARGS:-} >/dev/null
if [ $# -eq 0 ]; then set -- --target Glimmerdale installer; fi
cmake --build "$WINDOWS_BUILD_DIR" -j"$JOBS" "$@"
echo "build-windows: $WINDOWS_BUILD_DIR/Glimmerdale.scr"
ls "$WINDOWS_BUILD_DIR"/Glimmerdale-*-setup.exe 2>/dev/null | sed 's/^/build-windows: /' || true
