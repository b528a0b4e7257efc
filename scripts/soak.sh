#!/usr/bin/env bash
# The endurance run: Run mode for SOAK_FRAMES frames (default 200000) at 320 x 240 with a fixed step in
# a virtual X server, the camera cutting from path to path, the particles running and the music
# looping on the dummy audio driver. Every 1000 frames the screensaver logs its resident memory, its
# heap, particle count and GL errors (--soak-report). The memory is logged twice: as the frame left it,
# which moves with what the last frames showed, and settled, after the renderer let go of its recent
# frames' working memory and freed heap pages went back to the system. At the end this reports both at
# frame 1000 and at the last report, the largest unsettled figure, the heap, the most particles one frame
# drew and every GL error, and fails when the settled memory grew by more than 1 MB after frame 1000 or
# any GL error was seen.
#
# Usage: scripts/soak.sh   (SOAK_FRAMES=N for another length; the log stays in $BUILD_DIR/soak/)
# Not part of the test command: at a few dozen frames a second it runs for about an hour.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
FRAMES=${SOAK_FRAMES:-200000}
bash scripts/build.sh --target Glimmerdale >/dev/null
build=$(cd "$BUILD_DIR" && pwd)
out="$build/soak"
rm -rf "$out"
mkdir -p "$out/config"
# A renamed copy: a process called Glimmerdale.scr makes later copies stop at once.
cp "$build/Glimmerdale.scr" "$out/gd-soak"
cat >"$out/config/settings.reg" <<'SETTINGS'
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\Software\Vantorel\Glimmerdale]
"Resolution:"=dword:00000001
"Gamma:"=dword:00000003
"Fps:"=dword:00000000
"Clock:"=dword:00000001
"ExitMM:"=dword:00000000
"Enable sound:"=dword:00000001
"Enable music:"=dword:00000001
"Music volume:"=dword:00000028
"Sound volume:"=dword:00000028
"Usemon:"=dword:00000001
"Style24h:"=dword:00000000
SETTINGS

echo "soak: $FRAMES frames at 320x240 (log in $out/Log.txt)"
start=$(date +%s)
status=0
(cd "$out" && GLIMMERDALE_MESSAGE_BOX=stderr SDL_AUDIODRIVER=dummy MESA_SHADER_CACHE_DISABLE=true \
  xvfb-run -a -s "-screen 0 640x480x24" ./gd-soak --config-dir "$out/config" --windowed --size 320x240 \
  --no-vsync --max-fps 0 --fixed-dt 1 --seed 1 --frames "$FRAMES" --soak-report /s >"$out/output.txt" 2>&1) ||
  status=$?
seconds=$(($(date +%s) - start))
log="$out/Log.txt"
# 1 is the program's normal end.
if [ "$status" != 1 ]; then
  echo "soak: the screensaver ended with exit code $status after ${seconds}s"
  tail -5 "$log" 2>/dev/null || true
  exit 1
fi
first=$(grep -m1 '^Soak: frame 1000,' "$log" || true)
last=$(grep '^Soak: frame ' "$log" | tail -1 || true)
if [ -z "$first" ] || [ -z "$last" ]; then
  echo "soak: no report at frame 1000 in $log"
  exit 1
fi
resident() { sed -n 's/.*resident \([0-9]*\) kB.*/\1/p' <<<"$1"; }
settled() { sed -n 's/.*settled \([0-9]*\) kB.*/\1/p' <<<"$1"; }
early=$(settled "$first")
late=$(settled "$last")
largest=$(grep '^Soak: frame ' "$log" | sed -n 's/.*resident \([0-9]*\) kB.*/\1/p' | sort -n | tail -1)
most=$(grep '^Soak: frame ' "$log" | sed -n 's/.*most particles \([0-9]*\),.*/\1/p' | sort -n | tail -1)
errors=$(grep '^Soak: frame ' "$log" | grep -v 'GL errors: none' || true)
echo "soak: ${seconds}s, $(grep -c '^Soak: frame ' "$log") reports"
echo "soak: resident at frame 1000: $(resident "$first") kB; at the last report ($(sed -n 's/^Soak: frame \([0-9]*\),.*/\1/p' <<<"$last")): $(resident "$last") kB; largest $largest kB"
echo "soak: settled at frame 1000: $early kB; at the last report: $late kB; growth $((late - early)) kB"
heap() { sed -n 's/.*heap in use \([0-9]*\) kB of \([0-9]*\) kB.*/\1 kB in use of \2 kB held/p' <<<"$1"; }
echo "soak: heap at frame 1000: $(heap "$first"); at the last report: $(heap "$last")"
echo "soak: most particles in one frame: $most"
if [ -n "$errors" ]; then
  echo "soak: GL errors:"
  echo "$errors"
  status=1
else
  echo "soak: no GL errors"
  status=0
fi
if [ $((late - early)) -gt 1024 ]; then
  echo "soak: FAILED, the settled memory grew by more than 1 MB after frame 1000"
  status=1
fi
exit $status
