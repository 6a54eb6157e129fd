#!/usr/bin/env bash
# Installs the Debian packages Lumivex needs to build and test, when any is missing. Runs apt-get
# as root, or through sudo otherwise. Quick when everything is present.
#   scripts/setup.sh          build and test dependencies
#   scripts/setup.sh --bench  also the peers the benchmarks compare against
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev
  libjpeg62-turbo-dev libjxr-dev libjxr-tools qt6-base-dev fonts-liberation
  libgtest-dev libgmock-dev libbenchmark-dev
  libgif-dev liblcms2-dev colord-data libjpeg-turbo-progs libimage-exiftool-perl imagemagick patchelf strace
  desktop-file-utils appstream
  libspng-dev libwebp-dev libtiff-dev libheif-dev libavif-dev libjxl-dev zlib1g-dev
  webp libheif-examples libavif-bin libtiff-tools libjxl-tools
)
if [[ "${1:-}" == "--bench" ]]; then
  packages+=(libvips-tools)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
as_root=()
if [[ $(id -u) -ne 0 ]]; then as_root=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -q
"${as_root[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
