#!/usr/bin/env bash
# Measures the resampler: the engine's table-driven loops against the direct formulas (Google
# Benchmark, bench/bench_resample.cpp, which ends with a table of speed-ups), then libvips's
# Lanczos3 resize on the same 5120x2880 -> 1024x768 reduction, in the same run.
# Arguments are passed to the benchmark (e.g. --benchmark_filter=fast/).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh --bench
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMIVEX_UI=OFF >/dev/null
cmake --build build-bench -j "$(nproc)" --target bench_resample

echo "== Lumivex resampler (one thread per job)"
build-bench/bin/bench_resample "$@"

echo
echo "== libvips $(vips --version | cut -d- -f2) resize, Lanczos3, 5120x2880 -> 1024x768"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A photo-like source: three bands of smooth noise, kept in vips's own uncompressed format so that
# the timing is the resize and not a codec. The PNG beside it is what a user would hand over.
vips gaussnoise "$work/noise.v" 5120 2880 --mean 128 --sigma 40
vips bandjoin "$work/noise.v $work/noise.v $work/noise.v" "$work/bands.v"
vips cast "$work/bands.v" "$work/source.v" uchar
vips copy "$work/source.v" "$work/source.png"

# Best of five wall-clock times of one command, in milliseconds.
best_of_five() {
  local best="" start end ms
  for _ in 1 2 3 4 5; do
    start=$(date +%s%N)
    "$@" >/dev/null
    end=$(date +%s%N)
    ms=$(((end - start) / 1000000))
    if [[ -z "$best" || "$ms" -lt "$best" ]]; then best=$ms; fi
  done
  echo "$best"
}

resize=(vips resize "$work/source.v" "$work/out.v" 0.2 --vscale 0.26666667 --kernel lanczos3)
echo "all threads ($(nproc)):        $(best_of_five "${resize[@]}") ms"
echo "one thread:                $(VIPS_CONCURRENCY=1 best_of_five "${resize[@]}") ms"
echo "one thread, from PNG:      $(VIPS_CONCURRENCY=1 best_of_five vips resize "$work/source.png" "$work/out.v" 0.2 \
  --vscale 0.26666667 --kernel lanczos3) ms"
vips copy "$work/out.v" "$work/out.png"
echo "output size: $(vipsheader "$work/out.png" | cut -d: -f2)"
