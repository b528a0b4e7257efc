#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build-fuzz/ and runs each one. Exits non-zero when a
# target finds a crash, a leak or undefined behaviour (every sanitizer report ends the run).
#
#   scripts/fuzz.sh                   the test command's pass: every target runs every input of its
#                                     corpus, then fuzzes on for FUZZ_SECONDS (default 5), as many
#                                     targets at a time as there are processors (FUZZ_JOBS)
#   FUZZ_RUNS=10000000 FUZZ_SECONDS=3600 FUZZ_JOBS=1 scripts/fuzz.sh [TARGET...]
#                                     the long run: each target until it has run FUZZ_RUNS inputs or
#                                     FUZZ_SECONDS have passed, whichever comes first
#   FUZZ_MERGE=1                      afterwards, the inputs that add coverage are merged into
#                                     tests/fuzz/corpus/<name> (kept in the tree, small)
#
# Each target starts from tests/fuzz/seeds/<name>, tests/fuzz/corpus/<name> and what earlier runs
# left in build-fuzz/corpus/; libFuzzer runs all of those before it fuzzes, however short the time.
# The last lines say how many inputs each target ran.
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_EACH=${FUZZ_SECONDS:-5}
RUNS=${FUZZ_RUNS:-}
JOBS=${FUZZ_JOBS:-$(nproc)}
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

# One target: its log in $BUILD_DIR/<target>.log, its line of the summary in <target>.summary.
fuzz_target() {
  local t=$1 name=${1#fuzz_}
  local corpus="$BUILD_DIR/corpus/$t" log="$BUILD_DIR/$t.log"
  mkdir -p "$corpus"
  local inputs=("$corpus") folder
  for folder in "tests/fuzz/seeds/$name" "tests/fuzz/corpus/$name"; do
    if [ -d "$folder" ]; then inputs+=("$folder"); fi
  done
  local limits=(-max_total_time="$SECONDS_EACH")
  if [ -n "$RUNS" ]; then limits+=(-runs="$RUNS"); fi
  rm -f "$BUILD_DIR/$t.summary"
  if ! "$BUILD_DIR/tests/fuzz/$t" "${limits[@]}" -rss_limit_mb=2048 -max_len=65536 -print_final_stats=1 \
      "${inputs[@]}" >"$log" 2>&1 || grep -q "runtime error:" "$log"; then
    return 1
  fi
  local corpusInputs executions seconds
  corpusInputs=$(sed -n 's/^INFO: seed corpus: files: \([0-9]*\).*/\1/p' "$log" | tail -1)
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  seconds=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$log" | tail -1)
  echo "$t ${executions:-?} inputs (${corpusInputs:-?} of them the corpus), ${seconds:-?} s, no findings" \
    >"$BUILD_DIR/$t.summary"
  if [ "${FUZZ_MERGE:-}" = 1 ]; then
    mkdir -p "tests/fuzz/corpus/$name"
    "$BUILD_DIR/tests/fuzz/$t" -merge=1 -max_len=65536 "tests/fuzz/corpus/$name" "$corpus" \
      >"$BUILD_DIR/$t.merge.log" 2>&1
  fi
}

echo "fuzz: every target over its corpus, then for ${SECONDS_EACH}s${RUNS:+ or $RUNS inputs}, $JOBS at a time"
declare -A running=()
failed=()
finish_one() {
  local pid
  wait -n -p pid "${!running[@]}" || true
  local t=${running[$pid]}
  unset "running[$pid]"
  if [ -f "$BUILD_DIR/$t.summary" ]; then
    echo "fuzz: $t clean"
  else
    echo "fuzz: $t FAILED"
    tail -40 "$BUILD_DIR/$t.log"
    failed+=("$t")
  fi
}
for t in $targets; do
  while [ "${#running[@]}" -ge "$JOBS" ]; do finish_one; done
  fuzz_target "$t" &
  running[$!]=$t
done
while [ "${#running[@]}" -gt 0 ]; do finish_one; done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz: ${failed[*]} FAILED"
  exit 1
fi
echo "fuzz: summary"
for t in $targets; do cat "$BUILD_DIR/$t.summary"; done
