#!/usr/bin/env bash
# Screenshots of the options dialog as the Windows build shows it under Wine and as the Linux build
# shows it with GTK, each with the settings of a first start, and the two side by side:
#
#   build-windows/dialogs/options-windows.png
#   build-windows/dialogs/options-gtk.png
#   build-windows/dialogs/options-side-by-side.png
#
# Needs both builds (scripts/build.sh, scripts/build-windows.sh). Runs inside its own virtual X
# server and a temporary Wine prefix, so the user's settings are neither read nor changed.
set -euo pipefail
cd "$(dirname "$0")/../.."
NATIVE_BUILD_DIR=${NATIVE_BUILD_DIR:-build}
WINDOWS_BUILD_DIR=${WINDOWS_BUILD_DIR:-build-windows}
for program in "$NATIVE_BUILD_DIR/Glimmerdale.scr" "$WINDOWS_BUILD_DIR/Glimmerdale.scr"; do
  [ -x "$program" ] || { echo "dialog-screenshots: $program is missing: build it first" >&2; exit 1; }
done
out="$(pwd)/$WINDOWS_BUILD_DIR/dialogs"
mkdir -p "$out"
export MESA_SHADER_CACHE_DISABLE=true

xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" bash -c '
  set -euo pipefail
  native=$(realpath "$1") windows=$(realpath "$2") out=$3
  work=$(mktemp -d "${TMPDIR:-/tmp}/glimmerdale-dialogs.XXXXXX")
  source scripts/windows/wine-session.sh
  program=
  finish() {
    [ -n "$program" ] && kill "$program" 2>/dev/null || true
    wine_session_stop
    rm -rf "$work"
  }
  trap finish EXIT

  # Starts a program that shows the dialog, photographs the dialog window, ends the program.
  photograph() {
    local picture=$1 window=
    shift
    (cd "$work" && exec "$@" >"$work/output.log" 2>&1) &
    program=$!
    for _ in $(seq 1 300); do
      window=$(xdotool search --name "^ Options\$" 2>/dev/null | head -n 1) || true
      [ -n "$window" ] && break
      sleep 0.1
    done
    [ -n "$window" ] || { echo "dialog-screenshots: no dialog from $*" >&2; cat "$work/output.log" >&2; exit 1; }
    sleep 1  # drawn
    import -window "$window" "$picture"
    kill "$program" 2>/dev/null || true
    wait "$program" 2>/dev/null || true
    program=
    echo "dialog-screenshots: $picture"
  }

  # Under names of their own: a copy of Glimmerdale.scr already running elsewhere would make these
  # end at once.
  ln -s "$native" "$work/dialog-linux.scr"
  ln -s "$windows" "$work/dialog-windows.scr"
  photograph "$out/options-gtk.png" "$work/dialog-linux.scr" --config-dir "$work/settings" /c
  wine_session_start
  photograph "$out/options-windows.png" wine "$work/dialog-windows.scr" /c
  convert "$out/options-windows.png" "$out/options-gtk.png" -background white -gravity north -splice 0x0 \
    +append "$out/options-side-by-side.png"
  echo "dialog-screenshots: $out/options-side-by-side.png"
' _ "$NATIVE_BUILD_DIR/Glimmerdale.scr" "$WINDOWS_BUILD_DIR/Glimmerdale.scr" "$out"
