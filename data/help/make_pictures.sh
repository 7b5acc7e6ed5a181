#!/bin/sh
# Redraws the sample pictures of the help document with the headless renderer.
# Usage: data/help/make_pictures.sh <build folder>   (after building the render_frame target)
set -eu
build=${1:-build}
here=$(dirname "$0")
presets="$here/../presets"
render="$build/tools/render_frame/render_frame"

draw() { # name formula mirror [extra options]
    name=$1 formula=$2 mirror=$3
    shift 3
    "$render" --out "$here/$name.png" --preset "$presets/$name.vhp" --size 320x240 --sprites 3000 \
        --formula "$formula" --mirror "$mirror" "$@"
}

draw candy 0 1
draw spiral-galaxy 7 3
draw ruby-rings 5 1
draw saturn 0 0 --travel 0
