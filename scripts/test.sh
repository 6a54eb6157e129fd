#!/usr/bin/env bash
# Sets up, builds and runs every test: once in a normal build, once under AddressSanitizer and
# UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

jobs=$(nproc)

echo "== Normal build"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

echo "== AddressSanitizer and UndefinedBehaviorSanitizer build"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMIVEX_SANITIZE=address,undefined \
  -DLUMIVEX_BENCH=OFF >/dev/null
cmake --build build-asan -j "$jobs"
ctest --test-dir build-asan --output-on-failure -j "$jobs"

# The engine's job slots run resamples on threads of their own; their tests run under
# ThreadSanitizer too.
echo "== ThreadSanitizer build: the engine's concurrent job slots"
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMIVEX_SANITIZE=thread -DLUMIVEX_UI=OFF \
  -DLUMIVEX_BENCH=OFF >/dev/null
cmake --build build-tsan -j "$jobs" --target engine_tests
TSAN_OPTIONS="halt_on_error=1 ${TSAN_OPTIONS:-}" build-tsan/bin/engine_tests --gtest_filter='Jobs*'
