#!/usr/bin/env bash
# Sets up, builds and runs Lumivex on the bundled sample photos.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target lumivex corvale
build/bin/lumivex --info samples/photos/*/*.jpg
