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
# LeakSanitizer leaves out what third-party libraries keep (tests/sanitizers/leaks.supp).
LSAN_OPTIONS="suppressions=$PWD/tests/sanitizers/leaks.supp ${LSAN_OPTIONS:-}" \
  ctest --test-dir build-asan --output-on-failure -j "$jobs"

# The engine's job slots run resamples on threads of their own, and every photo job runs on a
# thread of its own that hands its result back to the batch loop; their tests run under
# ThreadSanitizer too (batch_tests opens the engine library that this build folder builds).
echo "== ThreadSanitizer build: the engine's concurrent job slots and the batch's photo jobs"
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMIVEX_SANITIZE=thread -DLUMIVEX_UI=OFF \
  -DLUMIVEX_BENCH=OFF >/dev/null
cmake --build build-tsan -j "$jobs" --target engine_tests batch_tests corvale
TSAN_OPTIONS="halt_on_error=1 ${TSAN_OPTIONS:-}" build-tsan/bin/engine_tests --gtest_filter='Jobs*'
# The batch opens the engine with dlopen, and glibc allocates the engine's thread_local blocks
# with an internal malloc that ThreadSanitizer does not see; when a new thread reuses the cached
# stack of an ended one, freeing that block reads as a race (google/sanitizers issue 1409).
printf 'race:_dl_deallocate_tls\n' >build-tsan/dynamic_tls.supp
TSAN_OPTIONS="halt_on_error=1 suppressions=$PWD/build-tsan/dynamic_tls.supp ${TSAN_OPTIONS:-}" \
  build-tsan/bin/batch_tests --gtest_filter='BatchWorkers*:BatchDrops*'

# Every parser's fuzzer runs briefly from memory on its seeds and on every input that ever crashed
# it; a crash, a leak or a sanitizer report fails the run. HD Photo decodes in a forked child and
# is slow by design, so only its crashes count, not its speed; HEIF decodes in a child too.
echo "== Fuzzers: 12 seconds for each parser"
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DLUMIVEX_FUZZ=ON -DLUMIVEX_UI=OFF -DLUMIVEX_TESTS=OFF -DLUMIVEX_BENCH=OFF \
  -DLUMIVEX_SANITIZE="address,undefined,fuzzer-no-link" >/dev/null
cmake --build build-fuzz -j "$jobs" --target fuzz_bmp fuzz_gif fuzz_jpeg fuzz_hdphoto fuzz_exif \
  fuzz_png fuzz_webp fuzz_tiff fuzz_heif fuzz_jxl
for reader in bmp gif jpeg hdphoto exif png webp tiff heif jxl; do
  corpus=build-fuzz/ci-corpus/$reader artifacts=build-fuzz/ci-artifacts/$reader
  rm -rf "$corpus" "$artifacts" && mkdir -p "$corpus" "$artifacts"
  timeout=10
  [ "$reader" = hdphoto ] && timeout=300
  if ! build-fuzz/bin/fuzz_$reader -max_total_time=12 -timeout=$timeout -rss_limit_mb=4096 \
    -malloc_limit_mb=4096 -print_final_stats=1 -artifact_prefix="$artifacts/" "$corpus" \
    fuzz/seeds/$reader tests/crashers/$reader >"$artifacts/log" 2>&1; then
    tail -n 60 "$artifacts/log"
    echo "fuzz_$reader failed: add the input in $artifacts/ to tests/crashers/$reader/ once fixed" >&2
    exit 1
  fi
  grep -E "^stat::number_of_executed_units|^stat::average_exec_per_sec" "$artifacts/log" |
    sed "s/^/  $reader: /"
done
