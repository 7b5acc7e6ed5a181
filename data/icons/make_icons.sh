#!/usr/bin/env bash
# Makes the program's icon from the "candy" sample preset: the renderer draws it headless
# (tools/render_frame), ImageMagick cuts the figure out of its black ground and scales it to
# the sizes the desktop asks for. The PNGs are committed, so building needs no ImageMagick.
#   data/icons/make_icons.sh [build folder]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
cmake --build "$build" --target render_frame >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/tools/render_frame/render_frame" --out "$work/frame.png" --preset data/presets/candy.vhp \
  --formula 0 --mirror 0 --travel 0 --size 512x512 --sprites 1500
# Only pure black is ground: the shading inside the figure keeps its darkest pixels.
convert "$work/frame.png" -transparent black -trim +repage -background none -gravity center \
  -extent "%[fx:max(w,h)]x%[fx:max(w,h)]" "$work/square.png" 2>/dev/null \
  || convert "$work/frame.png" -transparent black -trim +repage "$work/square.png"
for size in 48 128 256; do
  convert "$work/square.png" -resize "${size}x${size}" -background none -gravity center \
    -extent "${size}x${size}" -strip "data/icons/opal-revel-$size.png"
done
