#!/usr/bin/env bash
# Peer benchmark of the whole batch, on two photo sets, each resized to fit 800x600 at JPEG
# quality 88 by
#   - lumivex --batch (its workers, one per processor up to eight),
#   - vipsthumbnail -s 800x600 (libvips),
# and decoded in full by libjpeg-turbo's djpeg, one photo after another on one thread: the floor,
# since every resizer has to decode every photo once. Each set is timed on every processor and on
# one (taskset -c 0); ImageMagick's mogrify joins with BENCH_MAGICK=1. Prints the seconds per
# photo (best of $BENCH_RUNS runs, default 3), the ratios the targets name and Lumivex's peak
# resident memory.
#   bench/peer_batch.sh [WORK_FOLDER]      default: /tmp/lumivex-peer-bench
# $LUMIVEX_BUILD_DIR names the build folder to use (default: build, configured RelWithDebInfo).
# The large photos are real 4-15 megapixel photos and renderings, baseline and progressive, from
# Debian's KDE wallpaper package; it is fetched once into $LUMIVEX_BENCH_CACHE (default
# ~/.cache/lumivex-bench) and never kept in the repository.
# Targets: phone photos at most 0.60 x vipsthumbnail and 0.75 x djpeg; large photos at most 0.45 x
# vipsthumbnail and 0.55 x djpeg (beside them what in-order hand-out alone costs); peak
# memory at most (workers + 1) x one picture + 100 MB.
# Then one 36-megapixel photo (8000x4500) alone, at most 1.3 x its own decode and 80 MB, and four of
# them in one batch, at most 160 MB: a reduced JPEG is never held at full size. With
# $LUMIVEX_BASELINE_BUILD naming a build of commit 2b61e69, the large set pinned to one processor
# is also timed with it: Lumivex at most 1.0 x that build. Last, the phone set written as WebP and
# as AVIF at quality 75 by both, on every processor: Lumivex at most 0.8 x vipsthumbnail.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh --bench
build="${LUMIVEX_BUILD_DIR:-build}"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target lumivex corvale >/dev/null

work="${1:-${TMPDIR:-/tmp}/lumivex-peer-bench}"
cache="${LUMIVEX_BENCH_CACHE:-$HOME/.cache/lumivex-bench}"
runs="${BENCH_RUNS:-3}"
samples=samples/photos/cameras
wallpaper_package=plasma-workspace-wallpapers

# Ten 3-12 MP camera and phone photos, baseline, as phones write them: the largest samples
# re-encoded at a phone's size and quality, and the samples themselves as they came from the
# cameras.
make_phone_photos() {
  local photos="$1"
  rm -rf "$photos" && mkdir -p "$photos"
  convert "$samples/jolla.jpg" -resize '4000x3000!' -quality 92 "$photos/camera-4000x3000.jpg"
  convert "$samples/canon_hdr_YES.jpg" -resize '4032x3024!' -quality 90 "$photos/phone-4032x3024.jpg"
  convert "$samples/jolla.jpg" -rotate 90 -resize '3000x4000!' -quality 90 "$photos/phone-3000x4000.jpg"
  convert "$samples/canon_hdr_YES.jpg" -resize '3264x2448!' -quality 88 "$photos/phone-3264x2448.jpg"
  convert "$samples/jolla.jpg" -resize '2592x1944!' -quality 90 "$photos/phone-2592x1944.jpg"
  convert "$samples/canon_hdr_YES.jpg" -rotate 90 -resize '2448x3264!' -quality 92 "$photos/phone-2448x3264.jpg"
  convert "$samples/jolla.jpg" -resize '4608x2592!' -quality 90 "$photos/phone-4608x2592.jpg"
  cp "$samples/jolla.jpg" "$photos/jolla-3264x2448.jpg"
  cp "$samples/canon_hdr_YES.jpg" "$photos/canon-2048x1536.jpg"
  convert "$samples/canon_hdr_YES.jpg" -resize '2048x1536!' -quality 95 "$photos/canon-2048x1536-q95.jpg"
}

# The wallpaper package's largest photos: 5120x2880 (baseline and progressive) and 2560x1600.
fetch_large_photos() {
  local photos="$1"
  if [[ ! -d "$cache/$wallpaper_package" ]]; then
    mkdir -p "$cache/debs"
    (cd "$cache/debs" && apt-get download "$wallpaper_package" >/dev/null 2>&1)
    dpkg -x "$cache"/debs/"$wallpaper_package"_*.deb "$cache/$wallpaper_package"
  fi
  rm -rf "$photos" && mkdir -p "$photos"
  local images="$cache/$wallpaper_package/usr/share/wallpapers"
  for name in Volna Flow SafeLanding Shell Honeywave; do
    cp "$images/$name/contents/images/5120x2880.jpg" "$photos/$name-5120x2880.jpg"
  done
  for name in Autumn ColorfulCups Path OneStandsOut; do
    cp "$images/$name/contents/images/2560x1600.jpg" "$photos/$name-2560x1600.jpg"
  done
}

# One photo of 8000x4500 (36 MP), baseline, blown up from the largest sample; with a count, that
# many copies of it.
make_big_photos() {
  local photos="$1" count="$2"
  rm -rf "$photos" && mkdir -p "$photos"
  convert "$samples/jolla.jpg" -resize '8000x4500!' -quality 90 "$photos/big-8000x4500.jpg"
  for ((i = 2; i <= count; i++)); do cp "$photos/big-8000x4500.jpg" "$photos/big-8000x4500-$i.jpg"; done
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
  LUMIVEX_CONFIG_DIR="$work/config" $pin "$build/bin/lumivex" --batch --size 800x600 --quality 88 \
    --fixed-folder "$work/out/lumivex" --overwrite always --no-subfolders "$photos" </dev/null
}
run_vips() {
  rm -rf "$work/out/vips" && mkdir -p "$work/out/vips"
  $pin vipsthumbnail -s 800x600 -o "$work/out/vips/%s.jpg[Q=88]" "$photos"/*.jpg
}
run_magick() {
  rm -rf "$work/out/magick" && mkdir -p "$work/out/magick"
  $pin mogrify -path "$work/out/magick" -resize 800x600 -quality 88 "$photos"/*.jpg
}
# The phone set as $format at quality 75, by each.
run_lumivex_format() {
  rm -rf "$work/out/lumivex"
  LUMIVEX_CONFIG_DIR="$work/config" "$build/bin/lumivex" --batch --size 800x600 --quality 75 --format "$format" \
    --fixed-folder "$work/out/lumivex" --overwrite always --no-subfolders "$photos" </dev/null
}
run_vips_format() {
  rm -rf "$work/out/vips" && mkdir -p "$work/out/vips"
  vipsthumbnail -s 800x600 -o "$work/out/vips/%s.$format[Q=75]" "$photos"/*.jpg
}
run_djpeg() {
  for photo in "$photos"/*.jpg; do $pin djpeg -outfile /dev/null "$photo"; done
}

# What the photos' order alone costs: djpeg's time for each photo, handed out in queue order (the
# folder walk's, by name) to whichever of $1 workers is free first, as the batch hands them out;
# such a run ends when the last of them does. Prints that time and its ratio to djpeg's total.
in_order_floor() {
  local workers="$1" photo times=""
  for photo in $(LC_ALL=C ls "$photos"/*.jpg); do
    times+="$(best_seconds djpeg -outfile /dev/null "$photo") "
  done
  awk -v w="$workers" -v t="$times" 'BEGIN {
    n = split(t, each, " ")
    for (k = 1; k <= w; ++k) free[k] = 0
    for (i = 1; i <= n; ++i) {
      first = 1
      for (k = 2; k <= w; ++k) if (free[k] < free[first]) first = k
      free[first] += each[i]
      total += each[i]
    }
    end = 0
    for (k = 1; k <= w; ++k) if (free[k] > end) end = free[k]
    printf "%.4f %.2f\n", end, end / total
  }'
}

# The workers the batch starts: 8, 4, 2 or 1 by the processors.
workers_for() {
  local n="$1"
  if ((n >= 8)); then echo 8; elif ((n >= 4)); then echo 4; elif ((n >= 2)); then echo 2; else echo 1; fi
}

# Peak resident memory of one Lumivex run, in kilobytes.
lumivex_peak_kb() {
  local report="$work/time.txt"
  /usr/bin/time -o "$report" -f '%M' bash -c "$(declare -f run_lumivex); work='$work' build='$build' \
    photos='$photos' pin='$pin' run_lumivex" >/dev/null 2>&1
  tail -1 "$report"
}

# The largest picture of the set, in bytes (four bytes a pixel).
largest_picture_bytes() {
  identify -format '%w %h\n' "$photos"/*.jpg | awk '{ b = $1 * $2 * 4; if (b > m) m = b } END { print m }'
}

bench_set() {
  local title="$1" vips_target="$2" djpeg_target="$3"
  local count
  count=$(ls "$photos"/*.jpg | wc -l)
  for cores in all one; do
    # Pinned to one processor the batch still starts the workers of every processor it sees.
    pin="" where="$(nproc) processors"
    if [[ "$cores" == one ]]; then pin="taskset -c 0" where="pinned to one processor"; fi
    local lumivex vips floor magick=""
    lumivex=$(best_seconds run_lumivex)
    vips=$(best_seconds run_vips)
    floor=$(best_seconds run_djpeg)
    [[ "${BENCH_MAGICK:-0}" == 1 ]] && magick=$(best_seconds run_magick)
    local written
    written=$(ls "$work/out/lumivex" | wc -l)
    if [[ "$written" -ne "$count" ]]; then
      echo "lumivex wrote $written of $count photos; see: $build/bin/lumivex --batch ... $photos" >&2
      exit 1
    fi
    local peak_kb picture workers
    peak_kb=$(lumivex_peak_kb)
    picture=$(largest_picture_bytes)
    workers=$(workers_for "$(nproc)")
    echo
    echo "== $title: $count photos, $where ($workers workers), best of $runs runs"
    awk -v n="$count" -v l="$lumivex" -v v="$vips" -v f="$floor" -v m="$magick" -v vt="$vips_target" \
      -v ft="$djpeg_target" -v peak="$peak_kb" -v pic="$picture" -v w="$workers" -v one="$cores" 'BEGIN {
      printf "%-34s %12s %18s\n", "", "s per photo", "Lumivex / this"
      printf "%-34s %12.4f %18.2f\n", "lumivex --batch", l / n, 1
      printf "%-34s %12.4f %18.2f\n", "vipsthumbnail -s 800x600", v / n, l / v
      printf "%-34s %12.4f %18.2f\n", "djpeg, full decode, one thread", f / n, l / f
      if (m != "") printf "%-34s %12.4f %18.2f\n", "mogrify -resize 800x600", m / n, l / m
      if (one == "all") {
        printf "Lumivex / vipsthumbnail: %.2f (target at most %.2f): %s\n", l / v, vt, (l / v <= vt ? "met" : "NOT met")
        printf "Lumivex / djpeg: %.2f (target at most %.2f): %s\n", l / f, ft, (l / f <= ft ? "met" : "NOT met")
      }
      limit = (w + 1) * pic / 1048576 + 100
      printf "Lumivex peak memory: %.0f MB (target at most %.0f MB): %s\n", peak / 1024, limit, (peak / 1024 <= limit ? "met" : "NOT met")
    }'
    if [[ "$cores" == all ]]; then
      local floor_line
      floor_line=$(in_order_floor "$workers")
      echo "Every photo at djpeg's own time for it, in queue order on $workers workers: ${floor_line% *} s, ${floor_line#* } x djpeg"
    fi
  done
}

# The 36 MP rows: seconds against vipsthumbnail and djpeg, and Lumivex's peak memory.
bench_big() {
  local title="$1" djpeg_target="$2" memory_target_mb="$3"
  pin=""
  local lumivex vips floor peak_kb
  lumivex=$(best_seconds run_lumivex)
  vips=$(best_seconds run_vips)
  floor=$(best_seconds run_djpeg)
  peak_kb=$(lumivex_peak_kb)
  echo
  echo "== $title, $(nproc) processors, best of $runs runs"
  awk -v l="$lumivex" -v v="$vips" -v f="$floor" -v ft="$djpeg_target" -v peak="$peak_kb" \
    -v mt="$memory_target_mb" 'BEGIN {
    printf "%-34s %12s %18s\n", "", "s", "Lumivex / this"
    printf "%-34s %12.4f %18.2f\n", "lumivex --batch", l, 1
    printf "%-34s %12.4f %18.2f\n", "vipsthumbnail -s 800x600", v, l / v
    printf "%-34s %12.4f %18.2f\n", "djpeg, full decode, one thread", f, l / f
    if (ft != "") printf "Lumivex / djpeg: %.2f (target at most %.2f): %s\n", l / f, ft, (l / f <= ft ? "met" : "NOT met")
    printf "Lumivex peak memory: %.0f MB (target at most %d MB): %s\n", peak / 1024, mt, (peak / 1024 <= mt ? "met" : "NOT met")
  }'
}

# The large set on one processor, this build against the baseline build.
bench_baseline() {
  local baseline="$1" current mine
  pin="taskset -c 0"
  current=$(best_seconds run_lumivex)
  mine="$build"
  build="$baseline"
  local old
  old=$(best_seconds run_lumivex)
  build="$mine"
  echo
  echo "== Large photos pinned to one processor: this build against $baseline, best of $runs runs"
  awk -v c="$current" -v o="$old" 'BEGIN {
    printf "this build %.4f s, baseline %.4f s: %.2f x (target at most 1.00): %s\n", c, o, c / o, (c / o <= 1.0 ? "met" : "NOT met")
  }'
}

# Writing the other formats: Lumivex against vipsthumbnail writing the same format.
bench_formats() {
  local count
  count=$(ls "$photos"/*.jpg | wc -l)
  echo
  echo "== Phone and camera photos written as WebP and AVIF at quality 75, $(nproc) processors, best of $runs runs"
  printf "%-34s %12s %12s %18s\n" "" "Lumivex s" "vips s" "Lumivex / vips"
  for format in webp avif; do
    local lumivex vips
    lumivex=$(best_seconds run_lumivex_format)
    vips=$(best_seconds run_vips_format)
    awk -v f="$format" -v n="$count" -v l="$lumivex" -v v="$vips" 'BEGIN {
      printf "%-34s %12.4f %12.4f %18.2f\n", "--format " f " (per photo)", l / n, v / n, l / v
      printf "Lumivex / vipsthumbnail as %s: %.2f (target at most 0.80): %s\n", f, l / v, (l / v <= 0.8 ? "met" : "NOT met")
    }'
  done
}

mkdir -p "$work/config"
echo "load average before the run: $(cut -d' ' -f1-3 /proc/loadavg)"
photos="$work/phone"
make_phone_photos "$photos"
bench_set "Phone and camera photos, 3-12 MP, baseline" 0.60 0.75
bench_formats
photos="$work/large"
fetch_large_photos "$photos"
bench_set "Large photos, 4-15 MP, baseline and progressive" 0.45 0.55
if [[ -n "${LUMIVEX_BASELINE_BUILD:-}" ]]; then bench_baseline "$LUMIVEX_BASELINE_BUILD"; fi
photos="$work/big-one"
make_big_photos "$photos" 1
bench_big "One 36 MP photo (8000x4500)" 1.3 80
photos="$work/big-four"
make_big_photos "$photos" 4
bench_big "Four 36 MP photos in one batch" "" 160
echo
echo "load average after the run: $(cut -d' ' -f1-3 /proc/loadavg)"
