#!/bin/sh
# Quick red/cyan anaglyph of a stereo pair, for checking the depth of a rendered pair:
# the left image in grey goes to the red channel, the right one to green and blue.
#
#   tools/examples/anaglyph.sh LEFT RIGHT OUT [WIDTH]
set -eu
[ $# -ge 3 ] || { echo "usage: $0 LEFT RIGHT OUT [WIDTH]" >&2; exit 2; }
size=${4:-}
resize=""
[ -n "$size" ] && resize="-resize ${size}x"
# shellcheck disable=SC2086
convert \( "$1" -colorspace gray $resize \) \
        \( "$2" -colorspace gray $resize \) \
        \( "$2" -colorspace gray $resize \) \
        -set colorspace sRGB -combine -depth 8 "$3"
