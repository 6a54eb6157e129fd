#!/usr/bin/env bash
# Peer benchmark of the whole batch: the same folder of large camera and phone photos (baseline and
# progressive JPEG) resized to fit 800x600 at JPEG quality 88 by
#   - lumivex --batch (its workers, one per processor up to eight),
#   - vipsthumbnail -s 800x600 (libvips),
#   - ImageMagick mogrify -resize 800x600,
# and decoded in full by libjpeg-turbo's djpeg, one photo after another: the floor, since every
# resizer has to decode every photo once. Prints the seconds per photo of each (best of
# $BENCH_RUNS runs, default 3) and its ratio to Lumivex.
#   bench/peer_batch.sh [WORK_FOLDER]      default: /tmp/lumivex-peer-bench
# $LUMIVEX_BUILD_DIR names the build folder to use (default: build, configured RelWithDebInfo).
# Targets: Lumivex at most 1.3 times the full-decode floor, and faster than ImageMagick.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh --bench
build="${LUMIVEX_BUILD_DIR:-build}"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target lumivex corvale >/dev/null

work="${1:-${TMPDIR:-/tmp}/lumivex-peer-bench}"
runs="${BENCH_RUNS:-3}"
photos="$work/photos"
samples=samples/photos/cameras

make_photos() {
  rm -rf "$photos"
  mkdir -p "$photos"
  # A 12 MP camera photo and a 12 MP phone photo, baseline and progressive, made from the
  # largest samples; the samples themselves as they came from the cameras.
  convert "$samples/jolla.jpg" -resize '4000x3000!' -quality 92 "$photos/camera-4000x3000.jpg"
  convert "$samples/jolla.jpg" -resize '4000x3000!' -quality 92 -interlace Plane "$photos/camera-4000x3000-progressive.jpg"
  convert "$samples/canon_hdr_YES.jpg" -resize '4032x3024!' -quality 90 "$photos/phone-4032x3024.jpg"
  djpeg "$samples/canon_hdr_YES.jpg" | cjpeg -quality 90 -progressive -optimize >"$photos/phone-2048x1536-progressive.jpg"
  convert "$samples/jolla.jpg" -rotate 90 -resize '3000x4000!' -quality 90 -interlace Plane "$photos/phone-3000x4000-progressive.jpg"
  cp "$samples/jolla.jpg" "$photos/jolla-3264x2448.jpg"
  cp "$samples/canon_hdr_YES.jpg" "$photos/canon-2048x1536.jpg"
  cp "$samples/fujifilm-dx10.jpg" "$photos/fujifilm-1024x768.jpg"
}

# Best wall-clock seconds of $runs runs of a command (after one untimed run that warms the caches).
best_seconds() {
  "$@" >/dev/null 2>&1
  local best=""
  for ((i = 0; i < runs; i++)); do
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s.%N)
    best=$(awk -v s="$start" -v e="$end" -v b="$best" 'BEGIN { t = e - s; if (b == "" || t < b) b = t; printf "%.4f", b }')
  done
  echo "$best"
}

run_lumivex() {
  rm -rf "$work/out/lumivex"
  LUMIVEX_CONFIG_DIR="$work/config" "$build/bin/lumivex" --batch --size 800x600 --quality 88 \
    --fixed-folder "$work/out/lumivex" --overwrite always --no-subfolders "$photos" </dev/null
}
run_vips() {
  rm -rf "$work/out/vips" && mkdir -p "$work/out/vips"
  vipsthumbnail -s 800x600 -o "$work/out/vips/%s.jpg[Q=88]" "$photos"/*.jpg
}
run_magick() {
  rm -rf "$work/out/magick" && mkdir -p "$work/out/magick"
  mogrify -path "$work/out/magick" -resize 800x600 -quality 88 "$photos"/*.jpg
}
run_djpeg() {
  for photo in "$photos"/*.jpg; do djpeg -outfile /dev/null "$photo"; done
}

mkdir -p "$work/config"
make_photos
count=$(ls "$photos"/*.jpg | wc -l)
echo "$count photos in $photos, $(nproc) processors, best of $runs runs each"

lumivex=$(best_seconds run_lumivex)
vips=$(best_seconds run_vips)
magick=$(best_seconds run_magick)
floor=$(best_seconds run_djpeg)
written=$(ls "$work/out/lumivex" | wc -l)
if [[ "$written" -ne "$count" ]]; then
  echo "lumivex wrote $written of $count photos; see: $build/bin/lumivex --batch ... $photos" >&2
  exit 1
fi

awk -v n="$count" -v l="$lumivex" -v v="$vips" -v m="$magick" -v f="$floor" 'BEGIN {
  printf "%-34s %12s %18s\n", "", "s per photo", "time / Lumivex"
  printf "%-34s %12.4f %18.2f\n", "lumivex --batch", l / n, 1
  printf "%-34s %12.4f %18.2f\n", "vipsthumbnail -s 800x600", v / n, v / l
  printf "%-34s %12.4f %18.2f\n", "mogrify -resize 800x600", m / n, m / l
  printf "%-34s %12.4f %18.2f\n", "djpeg, full decode (floor)", f / n, f / l
  printf "\nLumivex / full-decode floor: %.2f (target at most 1.3): %s\n", l / f, (l / f <= 1.3 ? "met" : "NOT met")
  printf "Lumivex / ImageMagick: %.2f (target below 1): %s\n", l / m, (l < m ? "met" : "NOT met")
}'
