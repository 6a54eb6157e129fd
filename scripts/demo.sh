#!/usr/bin/env bash
# Sets up, builds and runs Lumivex headless on the bundled sample photos, plus a GIF, a BMP and an
# HD Photo made from one of them. Everything it writes lands outside the source tree, in
# $LUMIVEX_DEMO_DIR (default: /tmp/lumivex-demo), which is emptied first.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target lumivex corvale

demo="${LUMIVEX_DEMO_DIR:-${TMPDIR:-/tmp}/lumivex-demo}"
rm -rf "$demo"
mkdir -p "$demo/photos/formats" "$demo/config"
cp -r samples/photos/cameras samples/photos/orientation "$demo/photos/"

# The other formats the program reads, made from one sample photo (named apart, since each gives a
# .jpg output).
sample=samples/photos/cameras/canon-ixus.jpg
formats="$demo/photos/formats"
convert "$sample" "$formats/canon-ixus-gif.gif"
convert "$sample" -type TrueColor "BMP3:$formats/canon-ixus-bmp.bmp"
JxrEncApp -i "$formats/canon-ixus-bmp.bmp" -o "$formats/canon-ixus-hdphoto.wdp" -q 0.9 >/dev/null

# A configuration folder of its own, so that the demo neither reads nor changes the user's
# lumivex.cfg: default settings, with the options below for this run.
echo "Resizing every photo below $demo/photos to fit 800x600, turned upright by its Exif orientation:"
status=0
LUMIVEX_CONFIG_DIR="$demo/config" build/bin/lumivex --batch --size 800x600 --rotate exif \
  --subfolder resized --subfolders "$demo/photos" </dev/null || status=$?
echo
echo "The resized copies are in $demo/photos/resized/ (the tree below $demo/photos, mirrored)."
exit "$status"
