#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build-fuzz/ and runs each one. Exits non-zero when a
# target finds a crash, a leak or undefined behaviour (every sanitizer report ends the run).
#
#   scripts/fuzz.sh                   every target for FUZZ_SECONDS (default 15): the test command's pass
#   FUZZ_RUNS=10000000 FUZZ_SECONDS=3600 scripts/fuzz.sh [TARGET...]
#                                     the long run: each target until it has run FUZZ_RUNS inputs or
#                                     FUZZ_SECONDS have passed, whichever comes first
#   FUZZ_MERGE=1                      afterwards, the inputs that add coverage are merged into
#                                     tests/fuzz/corpus/<name> (kept in the tree, small)
#
# Each target starts from tests/fuzz/seeds/<name>, tests/fuzz/corpus/<name> and what earlier runs
# left in build-fuzz/corpus/. The last lines say how many inputs each target ran.
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_EACH=${FUZZ_SECONDS:-15}
RUNS=${FUZZ_RUNS:-}
BUILD_DIR=${FUZZ_BUILD_DIR:-build-fuzz}
cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
      -DGLIMMERDALE_FUZZ=ON -DGLIMMERDALE_TESTS=OFF -DGLIMMERDALE_BENCH=OFF >/dev/null
if [ $# -gt 0 ]; then
  targets="$*"
else
  targets=$(ls tests/fuzz/fuzz_*.cpp 2>/dev/null | xargs -n1 basename 2>/dev/null | sed 's/\.cpp$//' || true)
fi
if [ -z "$targets" ]; then echo "fuzz: no targets"; exit 0; fi
cmake --build "$BUILD_DIR" -j"$(nproc)" --target $targets
mkdir -p "$BUILD_DIR/corpus"
summary=""
for t in $targets; do
  name=${t#fuzz_}
  corpus="$BUILD_DIR/corpus/$t"
  mkdir -p "$corpus"
  inputs=("$corpus")
  for folder in "tests/fuzz/seeds/$name" "tests/fuzz/corpus/$name"; do
    if [ -d "$folder" ]; then inputs+=("$folder"); fi
  done
  limits=(-max_total_time="$SECONDS_EACH")
  if [ -n "$RUNS" ]; then limits+=(-runs="$RUNS"); fi
  echo "fuzz: $t for ${SECONDS_EACH}s${RUNS:+ or $RUNS inputs}"
  log="$BUILD_DIR/$t.log"
  if ! "$BUILD_DIR/tests/fuzz/$t" "${limits[@]}" -rss_limit_mb=2048 -max_len=65536 -print_final_stats=1 \
      "${inputs[@]}" >"$log" 2>&1 || grep -q "runtime error:" "$log"; then
    echo "fuzz: $t FAILED"
    tail -40 "$log"
    exit 1
  fi
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  seconds=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$log" | tail -1)
  echo "fuzz: $t clean, ${executions:-?} inputs in ${seconds:-?} s"
  summary+="$t ${executions:-?} inputs, ${seconds:-?} s, no findings"$'\n'
  if [ "${FUZZ_MERGE:-}" = 1 ]; then
    mkdir -p "tests/fuzz/corpus/$name"
    "$BUILD_DIR/tests/fuzz/$t" -merge=1 -max_len=65536 "tests/fuzz/corpus/$name" "$corpus" \
      >"$BUILD_DIR/$t.merge.log" 2>&1
  fi
done
printf 'fuzz: summary\n%s' "$summary"
