#!/usr/bin/env bash
# Stills of the room on a contact sheet: builds Glimmerdale.scr and the sheet tool, takes stills of
# every camera path (start, middle, end), a four-angle turntable of every model and close-ups of the
# effects in a virtual X server, and lays them out on one labelled contact sheet:
#   $BUILD_DIR/stills/contact-sheet.png   (the single stills stay in $BUILD_DIR/stills/shots/)
#
# Usage: scripts/stills.sh [cameras] [models] [effects]   (no argument: all three groups)
# Not part of the test command: it takes several minutes under a software renderer.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
bash scripts/build.sh --target Glimmerdale contact_sheet
root=$(pwd)
build=$(cd "$BUILD_DIR" && pwd)
out="$build/stills"
shots="$out/shots"
mkdir -p "$shots"

groups=("$@")
[ ${#groups[@]} -gt 0 ] || groups=(cameras models effects)
wants() { local g; for g in "${groups[@]}"; do [ "$g" = "$1" ] && return 0; done; return 1; }

# A renamed copy: a process called Glimmerdale.scr makes later copies stop at once.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$build/Glimmerdale.scr" "$work/gd-stills"
mkdir -p "$work/config"

help=$("$work/gd-stills" --help 2>&1 || true)
has_option() { grep -q -- "$1" <<<"$help"; }

# Every shot is one line: FILE<TAB>LABEL<TAB>ARGUMENTS...
plan="$work/plan.txt"
: >"$plan"
shot() { local file=$1 label=$2; shift 2; printf '%s\t%s\t%s\n' "$file" "$label" "$*" >>"$plan"; }

if wants cameras; then
  for camera in 0 1 2 3 4; do
    for place in start:0 middle:150 end:290; do
      name=${place%%:*} key=${place##*:}
      if has_option --camera-key; then
        # 75 frames: the start-up fade from black is over and the particles are alive; the camera
        # has moved on by about five keys.
        shot "camera${camera}_$name.png" "camera $camera $name (key $key)" \
          --camera "$camera" --camera-key "$key" --fixed-dt 1 --frames 75
      else
        # Without a key option: about one key per frame at a step of 14.
        shot "camera${camera}_$name.png" "camera $camera $name (key ~$key)" \
          --camera "$camera" --fixed-dt 14 --frames $((key + 1))
      fi
    done
  done
fi

if wants models; then
  # The turntable turns half a degree per frame unit: at a step of 6, a quarter turn every 30
  # frames, and the model's own emitters (flames, lights, steam) are running by the first picture.
  for file in "$build"/media/main/Models/*.BSM; do
    [ -e "$file" ] || continue
    model=$(basename "$file" .BSM)
    for quarter in 1 2 3 4; do
      shot "model_${model}_$quarter.png" "$model $((quarter * 90))°" \
        --view-model "$model" --fixed-dt 6 --frames $((quarter * 30))
    done
  done
fi

if wants effects; then
  # At least 70 frames at a step of 1, so the start-up fade from black is over.
  # Positions in the room: the tree at (210, 110, 0), the fire at (0, 266, 10), the mantel candles at
  # x ±92 / ±110, y 241, z 126, the sill candles at x 342, z 80, the snow outside the east window.
  if has_option --look-from; then
    shot "effect_tree_lights.png" "tree lights" --look-from 150,20,120 --look-at 210,110,110 --fov 50 --fixed-dt 1 --frames 90
    shot "effect_fire.png" "fire" --look-from 0,170,50 --look-at 0,266,25 --fov 50 --fixed-dt 1 --frames 90
    shot "effect_candle.png" "candle flame (sill)" --look-from 300,-150,100 --look-at 342,-150,95 --fov 30 --fixed-dt 1 --frames 90
    shot "effect_mantel_candle.png" "candle flame (mantel)" --look-from 92,190,150 --look-at 92,241,140 --fov 35 --fixed-dt 1 --frames 90
    shot "effect_steam.png" "train steam" --look-from 60,-20,60 --look-at 210,110,30 --fov 40 --fixed-dt 1 --frames 120
    shot "effect_snow.png" "snow behind the east window" --look-from 250,-150,150 --look-at 700,-150,180 --fov 60 --fixed-dt 1 --frames 120
  else
    # Without a fixed view: the camera paths that pass each effect.
    shot "effect_tree_lights.png" "tree lights (camera 0)" --camera 0 --fixed-dt 2 --frames 45
    shot "effect_fire.png" "fire and mantel (camera 1)" --camera 1 --fixed-dt 2 --frames 45
    shot "effect_steam.png" "train steam (camera 2)" --camera 2 --fixed-dt 2 --frames 45
    shot "effect_snow.png" "snow (camera 3)" --camera 3 --fixed-dt 2 --frames 45
  fi
fi

# All shots in one virtual X server; each run is the normal screensaver with a fixed clock.
export SDL_AUDIODRIVER=dummy GLIMMERDALE_MESSAGE_BOX=stderr MESA_SHADER_CACHE_DISABLE=true
count=$(wc -l <"$plan")
echo "stills: $count pictures into $shots"
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  exe=$1 plan=$2 shots=$3 config=$4
  cd "$(dirname "$exe")"
  n=0
  while IFS=$'"'"'\t'"'"' read -r file label arguments; do
    n=$((n + 1))
    rm -f "$shots/$file"
    # shellcheck disable=SC2086
    "$exe" --config-dir "$config" --time "2026-12-24 10:00:00" --windowed --size 1024x768 \
      --screenshot "$shots/$file" $arguments /s >"$shots/${file%.png}.log" 2>&1 || true
    if [ -f "$shots/$file" ]; then echo "stills: [$n] $label"; else echo "stills: [$n] $label: no picture (see ${file%.png}.log)"; fi
  done <"$plan"' _ "$work/gd-stills" "$plan" "$shots" "$work/config"

sheet_arguments=()
while IFS=$'\t' read -r file label _; do
  sheet_arguments+=("$shots/$file" "$label")
done <"$plan"
status=0
"$build/tools/contact_sheet/contact_sheet" --out "$out/contact-sheet.png" --columns 6 "${sheet_arguments[@]}" || status=$?
echo "stills: contact sheet $out/contact-sheet.png"
[ "$status" -eq 0 ] || echo "stills: some pictures are missing (marked red on the sheet)"
exit "$status"
