#!/usr/bin/env bash
# Installs what building and running need (the tests' packages come with scripts/test.sh), builds
# Glimmerdale.scr and runs it in Run mode from build/ (Log.txt lands there). Extra arguments go to
# the screensaver (for example --windowed).
#
# Without a display (no $DISPLAY, e.g. on a server or in CI) it runs inside a virtual X server for a
# fixed number of frames after loading, at a fixed frame step and camera order, and keeps the last
# picture in build/run-screenshot.png: the same picture however fast or busy the machine is.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh --build
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
  # 150 frames of 1/55 s each: the fade from black (about 70 frames) is over and the fire, the
  # candles and the snow are running.
  frames=150
  echo "run: no display; running $frames frames in a virtual X server"
  timeout 900 xvfb-run -a -s "-screen 0 1280x720x24" \
    ./Glimmerdale.scr --windowed --size 1280x720 --frames "$frames" --fixed-dt 1 --seed 1 \
    --screenshot "$shot" "$@" /s || status=$?
  if [ -f "$shot" ]; then
    echo "run: screenshot written to $shot"
  else
    echo "run: no screenshot was written (see $(pwd)/Log.txt)"
  fi
fi
echo "run: exit code $status, log in $(pwd)/Log.txt"
# 1 is the program's normal end, 0 a stand-down for a copy already running; anything else failed.
case "$status" in
  0 | 1) ;;
  *) exit "$status" ;;
esac
