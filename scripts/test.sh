#!/usr/bin/env bash
# The test command.
#
#   bash scripts/test.sh           everything: installs the dependencies, checks the formatting and
#                                  the layout of src/, builds, runs the short fuzz pass and every Linux
#                                  test (GL and end-to-end ones inside a virtual X server), then builds
#                                  the Windows Glimmerdale.scr and runs its tests under Wine
#   bash scripts/test.sh --quick   the formatting, the layout, the build of the unit tests and the unit
#                                  tests: no fuzzing, no GL, end-to-end or Wine tests
#
# Each phase prints its wall time when it ends, and all of them are listed at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
quick=false
case "${1:-}" in
  --quick) quick=true ;;
  "") ;;
  *)
    echo "usage: bash scripts/test.sh [--quick]" >&2
    exit 2
    ;;
esac
source scripts/phases.sh
export MESA_SHADER_CACHE_DISABLE=true
XDG_CACHE_HOME=$(mktemp -d)
export XDG_CACHE_HOME

# -noreset: the server must not reset (and turn clients away) each time the last client leaves.
linux_tests() {
  cd build
  xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" ctest --output-on-failure -j2 --timeout 900 "$@"
}

phase install bash scripts/install-deps.sh
phase format bash scripts/check-format.sh
phase layout bash scripts/check-layout.sh
if $quick; then
  phase build bash scripts/build.sh --target unit_tests
  phase "unit tests" bash -c 'cd build && ctest --output-on-failure -j2 --timeout 900 -L unit'
  exit 0
fi
phase build bash scripts/build.sh
phase fuzz bash scripts/fuzz.sh
phase "linux tests" linux_tests
bash scripts/test-windows.sh
