#!/usr/bin/env bash
# Installs the dependencies, checks the formatting and the layout of src/, builds everything, runs the
# short fuzz runs and then every test (GL and end-to-end tests inside a virtual X server); then
# builds the Windows Glimmerdale.scr and runs its tests under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/check-format.sh
bash scripts/check-layout.sh
export MESA_SHADER_CACHE_DISABLE=true
export XDG_CACHE_HOME=$(mktemp -d)
bash scripts/build.sh
bash scripts/fuzz.sh
# -noreset: the server must not reset (and turn clients away) each time the last client leaves.
(cd build && xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" ctest --output-on-failure -j2 --timeout 900)
bash scripts/test-windows.sh
