#!/usr/bin/env bash
# Builds the Windows Glimmerdale.scr with its tests and runs them under Wine inside a virtual X
# server: the portable unit tests cross-built, and the end-to-end tests of the real program (driven by
# the native build's test_wine). Run by scripts/test.sh after the Linux tests, which leave the
# native build (and its media) in place; on its own it builds what it needs first.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/phases.sh
NATIVE_BUILD_DIR=${NATIVE_BUILD_DIR:-build}
WINDOWS_BUILD_DIR=${WINDOWS_BUILD_DIR:-build-windows}

windows_build() {
  # The native program too: the Wine tests compare its pictures with the Windows build's.
  BUILD_DIR=$NATIVE_BUILD_DIR bash scripts/build.sh --target test_wine Glimmerdale
  WINDOWS_TESTS=ON CMAKE_ARGS="-DGLIMMERDALE_WINE_TESTS=$(pwd)/$NATIVE_BUILD_DIR/tests/test_wine" \
    bash scripts/build-windows.sh --target all
}

# -noreset: the server must not reset (and turn clients away) each time the last client leaves.
wine_tests() {
  MESA_SHADER_CACHE_DISABLE=true xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" bash -c '
    set -euo pipefail
    source scripts/windows/wine-session.sh
    trap wine_session_stop EXIT
    wine_session_start
    cd "$0"
    ctest --output-on-failure --timeout 900 -j2' "$WINDOWS_BUILD_DIR"
}

phase "windows build" windows_build
phase "wine tests" wine_tests
