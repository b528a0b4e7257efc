#!/usr/bin/env bash
# Installs the dependencies, builds Glimmerdale.scr and runs it in Run mode from build/ (Log.txt lands there).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh --target Glimmerdale
cd build
./Glimmerdale.scr /s "$@"
echo "run: exit code $?, log in $(pwd)/Log.txt"
