#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build-fuzz/ and runs each for FUZZ_SECONDS (default 15).
# Exits non-zero if any target finds a crash, a leak or undefined behaviour.
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_EACH=${FUZZ_SECONDS:-15}
BUILD_DIR=${FUZZ_BUILD_DIR:-build-fuzz}
cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
      -DGLIMMERDALE_FUZZ=ON -DGLIMMERDALE_TESTS=OFF -DGLIMMERDALE_BENCH=OFF >/dev/null
targets=$(ls tests/fuzz/fuzz_*.cpp 2>/dev/null | xargs -n1 basename 2>/dev/null | sed 's/\.cpp$//' || true)
if [ -z "$targets" ]; then echo "fuzz: no targets"; exit 0; fi
cmake --build "$BUILD_DIR" -j"$(nproc)" --target $targets
mkdir -p "$BUILD_DIR/corpus"
for t in $targets; do
  corpus="$BUILD_DIR/corpus/$t"
  mkdir -p "$corpus"
  seeds=""
  if [ -d "tests/fuzz/seeds/${t#fuzz_}" ]; then seeds="tests/fuzz/seeds/${t#fuzz_}"; fi
  echo "fuzz: $t for ${SECONDS_EACH}s"
  "$BUILD_DIR/tests/fuzz/$t" -max_total_time="$SECONDS_EACH" -rss_limit_mb=2048 -max_len=65536 \
      -print_final_stats=0 "$corpus" $seeds > "$BUILD_DIR/$t.log" 2>&1 || {
    echo "fuzz: $t FAILED"; tail -40 "$BUILD_DIR/$t.log"; exit 1; }
  echo "fuzz: $t clean ($(grep -c '' "$BUILD_DIR/$t.log") log lines)"
done
