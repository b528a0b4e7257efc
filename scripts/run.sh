#!/usr/bin/env bash
# Installs the dependencies, builds Glimmerdale.scr and runs it in Run mode from build/ (Log.txt lands
# there). Extra arguments go to the screensaver (for example --windowed).
#
# Without a display (no $DISPLAY, e.g. on a server or in CI) it runs inside a virtual X server for
# about ten seconds and keeps the last picture in build/run-screenshot.png.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
BUILD_DIR=${BUILD_DIR:-build} bash scripts/build.sh --target Glimmerdale
BUILD_DIR=${BUILD_DIR:-build}
cd "$BUILD_DIR"

status=0
if [ -n "${DISPLAY:-}" ]; then
  ./Glimmerdale.scr "$@" /s || status=$?
else
  shot="$(pwd)/run-screenshot.png"
  rm -f "$shot"
  export GLIMMERDALE_MESSAGE_BOX=stderr SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}
  export MESA_SHADER_CACHE_DISABLE=true
  echo "run: no display; running for about ten seconds in a virtual X server"
  # SIGTERM ends the frame loop through the normal shutdown, which writes the screenshot.
  xvfb-run -a -s "-screen 0 1280x720x24" bash -c '
    ./Glimmerdale.scr --windowed --size 1280x720 --screenshot "$0" "$@" /s &
    pid=$!
    for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -TERM "$pid" 2>/dev/null || true
    wait "$pid"' "$shot" "$@" || status=$?
  if [ -f "$shot" ]; then
    echo "run: screenshot written to $shot"
  else
    echo "run: no screenshot was written (see $(pwd)/Log.txt)"
  fi
fi
echo "run: exit code $status, log in $(pwd)/Log.txt"
