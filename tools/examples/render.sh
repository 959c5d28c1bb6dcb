#!/bin/sh
# Renders the example stereo pairs into data/examples/.
#
#   tools/examples/render.sh [scene ...]     (default: every scene)
#
# Needs POV-Ray 3.7 (`povray`) and ImageMagick (`convert`). Each scene is rendered twice, from
# the left eye and from the right eye (Declare=Eye=-1 / 1, see stereocam.inc), then converted:
# the 8-bit pairs to JPEG, the 16-bit pair to 16-bit RGB TIFF. Rendering runs under nice.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
out=$(cd "$here/../.." && pwd)/data/examples
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT INT TERM

# render SCENE EYE WIDTH HEIGHT BITS -> $tmp/SCENE_EYE.png
render() {
    case $2 in left) sign=-1 ;; right) sign=1 ;; esac
    nice -n 19 povray +I"$here/$1.pov" +L"$here" +O"$tmp/$1_$2.png" +W"$3" +H"$4" \
        +FN"$5" +A0.05 +AM2 +R3 +J0.5 -D +WT2 Declare=Eye=$sign Declare=Radiosity=1 \
        2>"$tmp/$1_$2.log" || { cat "$tmp/$1_$2.log" >&2; exit 1; }
}

# pair_jpeg SCENE WIDTH HEIGHT: an 8-bit pair saved as SCENE_left.jpg / SCENE_right.jpg.
pair_jpeg() {
    for eye in left right; do
        render "$1" $eye "$2" "$3" 8
        convert "$tmp/$1_$eye.png" -strip -sampling-factor 1x1 -quality 90 "$out/$1_$eye.jpg"
    done
}

# pair_tiff SCENE WIDTH HEIGHT: a 16-bit pair saved as SCENE_left.tif / SCENE_right.tif.
pair_tiff() {
    for eye in left right; do
        render "$1" $eye "$2" "$3" 16
        convert "$tmp/$1_$eye.png" -strip -depth 16 -type TrueColor -compress Zip \
            -define tiff:predictor=2 "$out/$1_$eye.tif"
    done
}

mkdir -p "$out"
scenes=${*:-"stilllife courtyard chess"}
for scene in $scenes; do
    echo "rendering $scene" >&2
    case $scene in
        stilllife) pair_jpeg stilllife 1200 900 ;;
        courtyard) pair_jpeg courtyard 1200 900 ;;
        chess) pair_tiff chess 640 480 ;;
        *) echo "unknown scene: $scene" >&2; exit 2 ;;
    esac
done
