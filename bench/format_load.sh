#!/usr/bin/env bash
# Loading a 12 MP photo in each new format: Lumivex's reader (cpic_load, bench_load) beside the
# format's own command-line decoder writing a PNG or PAM file, as a user would convert the photo
# before resizing it. Target: Lumivex at most 1.2 x the decoder. Best of $BENCH_RUNS runs (default 3).
#   bench/format_load.sh [WORK_FOLDER]      default: /tmp/lumivex-format-load
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh --bench
build="${LUMIVEX_BUILD_DIR:-build}"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target bench_load >/dev/null

work="${1:-${TMPDIR:-/tmp}/lumivex-format-load}"
runs="${BENCH_RUNS:-3}"
rm -rf "$work" && mkdir -p "$work/photos" "$work/out"
photos="$work/photos"

# One 4000x3000 photo from a bundled camera photo, written by each format's own encoder.
convert samples/photos/cameras/jolla.jpg -resize '4000x3000!' "$work/source.png"
cp "$work/source.png" "$photos/photo.png"
cwebp -quiet -q 90 "$work/source.png" -o "$photos/photo.webp"
heif-enc -q 90 -o "$photos/photo.heic" "$work/source.png" >/dev/null
avifenc --min 10 --max 30 -s 8 "$work/source.png" "$photos/photo.avif" >/dev/null
convert "$work/source.png" -compress zip "$photos/photo.tif"

best_seconds() {
  local best=""
  for _ in $(seq "$runs"); do
    local start end seconds
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s.%N)
    seconds=$(echo "$end - $start" | bc -l)
    if [[ -z "$best" ]] || (($(echo "$seconds < $best" | bc -l))); then best=$seconds; fi
  done
  printf '%.4f' "$best"
}

declare -A decoder=(
  [png]="convert $photos/photo.png $work/out/png.pam"
  [webp]="dwebp -pam $photos/photo.webp -o $work/out/webp.pam"
  [heic]="heif-convert $photos/photo.heic $work/out/heic.png"
  [avif]="avifdec $photos/photo.avif $work/out/avif.png"
  [tif]="tiffcp -c none $photos/photo.tif $work/out/tif.tif"
)

lumivex_times=$(LUMIVEX_LOAD_PHOTOS="$photos" "$build/bin/bench_load" --benchmark_repetitions="$runs" \
  --benchmark_format=csv 2>/dev/null)

printf '%-6s %12s %14s %8s  %s\n' format "lumivex s" "decoder s" ratio decoder
for format in png webp heic avif tif; do
  ours=$(echo "$lumivex_times" | grep "^\"photo.$format/real_time\"," | awk -F, '{print $3 / 1000}' | sort -g | head -1)
  theirs=$(best_seconds ${decoder[$format]})
  ratio=$(echo "$ours / $theirs" | bc -l)
  printf '%-6s %12.4f %14.4f %8.2f  %s\n' "$format" "$ours" "$theirs" "$ratio" "${decoder[$format]%% *}"
done
echo "target: lumivex at most 1.2 x the format's own decoder"
