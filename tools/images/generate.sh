#!/usr/bin/env bash
# Regenerates every picture under resources/images: builds the painter program, runs it, and
# joins the icon sizes and animation frames with ImageMagick. Running it again gives the same
# files byte for byte (on the same Qt, fonts and ImageMagick).
# Needs: qt6-base-dev, cmake, g++, fonts-wqy-microhei, imagemagick.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
out="$root/resources/images"
build="$root/build-imagegen"
work=$(mktemp -d /tmp/echora-images.XXXXXX)
trap 'rm -rf "$work"' EXIT

command -v convert >/dev/null && convert -version | grep -q ImageMagick || {
  echo "ImageMagick is needed: apt-get install imagemagick" >&2
  exit 1
}
cmake -S "$root/tools/images" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)" >/dev/null

rm -f "$out"/*.png "$out"/*.ico "$out"/*.gif
QT_QPA_PLATFORM=offscreen "$build/echora_imagegen" "$out" "$work"

# A Windows icon holding every size; -strip keeps dates out of the embedded PNG.
convert "$work"/icon-*.png -strip "$out/Echora.ico"
# The loading animation: 12 frames, 80 ms each, looping for ever.
convert -delay 8 -loop 0 "$work"/loading-*.png -strip "$out/loadingmask.gif"

ls "$out" | wc -l | xargs echo "pictures written:"
