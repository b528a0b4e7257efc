#!/usr/bin/env bash
# Whether two builds (or one build with and without --layered-drawing) draw the same pictures: every
# camera path at its start, middle and end, at 1024 x 768 with a fixed step, seed and clock, each
# pair compared by picture_compare. The overlay along the bottom and the mantel clock follow the
# wall clock, so the overlay's strip is left out; a clock hand still shows as a small box of pixels
# over the limit in the line of the frame that holds it.
#
# Usage: scripts/same-pictures.sh [REFERENCE.scr] [CANDIDATE.scr]
#   no argument:   build/Glimmerdale.scr with --layered-drawing against itself without it
#   one argument:  REFERENCE.scr (an earlier build) against build/Glimmerdale.scr
#   two arguments: REFERENCE.scr against CANDIDATE.scr
# The shots stay in $BUILD_DIR/same-pictures/. Not part of the test command: it takes minutes under
# a software renderer.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
bash scripts/build.sh --target Glimmerdale picture_compare >/dev/null
build=$(cd "$BUILD_DIR" && pwd)
out="$build/same-pictures"
mkdir -p "$out"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Renamed copies: a process called Glimmerdale.scr makes later copies stop at once.
reference_args=()
if [ $# -eq 0 ]; then
  cp "$build/Glimmerdale.scr" "$work/gd-reference"
  reference_args=(--layered-drawing)
else
  cp "$1" "$work/gd-reference"
fi
cp "${2:-$build/Glimmerdale.scr}" "$work/gd-candidate"

export GLIMMERDALE_MESSAGE_BOX=stderr SDL_AUDIODRIVER=dummy MESA_SHADER_CACHE_DISABLE=true
shoot() {  # shoot PROGRAM FILE ARGUMENTS...
  local program=$1 file=$2 attempt
  shift 2
  rm -f "$file"
  # A run that meets another copy under the same name stops at once; it is tried again.
  for attempt in 1 2 3; do
    rm -rf "$work/run" && mkdir -p "$work/run/config"
    (cd "$work/run" && "$program" --config-dir "$work/run/config" --windowed --size 1024x768 --no-vsync \
      --fixed-dt 1 --seed 1 --time "2026-12-24 18:00:00" --screenshot "$file" "$@" /s >/dev/null 2>&1) || true
    [ -f "$file" ] && return 0
    sleep 2
  done
  echo "same-pictures: no picture from $program $* (log: $(tail -n 3 "$work/run/Log.txt" 2>/dev/null | tr '\n' ' '))" >&2
  return 1
}

status=0
for camera in 0 1 2 3 4; do
  for place in start:0 middle:150 end:290; do
    name=camera${camera}_${place%%:*}
    # 75 frames: the fade from black is over and the particles are alive.
    args=(--camera "$camera" --camera-key "${place##*:}" --frames 75)
    if ! shoot "$work/gd-reference" "$out/${name}_reference.png" "${args[@]}" "${reference_args[@]}" ||
      ! shoot "$work/gd-candidate" "$out/${name}_candidate.png" "${args[@]}"; then
      status=1
      continue
    fi
    printf '%-16s ' "$name"
    "$build/tools/picture_compare/picture_compare" "$out/${name}_reference.png" "$out/${name}_candidate.png" \
      --ignore 0,608,1024,160 || status=1
  done
done
exit $status
