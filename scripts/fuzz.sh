#!/usr/bin/env bash
# Builds the readers for libFuzzer (clang, AddressSanitizer, UndefinedBehaviorSanitizer) and runs
# one fuzzer, or all of them, for a given number of seconds each.
#   scripts/fuzz.sh [READER] [SECONDS]     READER: bmp, jpeg, gif, hdphoto, exif, png, webp, tiff, heif; default all, 60 s
# Crashing inputs land in fuzz/corpus-work/READER/; copy them to tests/crashers/READER/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
reader=${1:-}
seconds=${2:-60}
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DLUMIVEX_FUZZ=ON -DLUMIVEX_UI=OFF -DLUMIVEX_TESTS=OFF -DLUMIVEX_BENCH=OFF \
  -DLUMIVEX_SANITIZE="address,undefined,fuzzer-no-link" -DLUMIVEX_FUZZ_SECONDS="$seconds" >/dev/null
cmake --build build-fuzz --target "fuzz${reader:+-$reader}"
