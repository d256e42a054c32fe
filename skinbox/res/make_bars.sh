#!/bin/sh
# Makes the two waiting bars (105 x 20, five squares lit one after the other, 20/100 s a
# frame, looping): waitbar1025.gif with 7 frames, waitbar1026.gif with 8 frames.
# Needs ImageMagick. The GIFs are committed; run this only to change them.
set -e
cd "$(dirname "$0")"
frame() {  # $1: lit square (0-4) or -1 for none, $2 lit colour -> frame file $3
    args=""
    for i in 0 1 2 3 4; do
        x=$((5 + i * 20)); colour="#c8d0dc"
        [ "$i" -le "$1" ] && [ "$1" -ge 0 ] && colour="#a0b0c8"
        [ "$i" -eq "$1" ] && colour="$2"
        args="$args -fill \"$colour\" -draw \"rectangle $x,4 $((x + 14)),15\""
    done
    eval convert -size 105x20 xc:white $args "$3"
}
tmp=$(mktemp -d)
n=0; for s in 0 1 2 3 4 -1 -1; do frame "$s" "#1e5aa8" "$tmp/a$n.gif"; n=$((n + 1)); done
convert -delay 20 -loop 0 $(for i in 0 1 2 3 4 5 6; do echo "$tmp/a$i.gif"; done) waitbar1025.gif
n=0; for s in 0 1 2 3 4 3 2 1; do frame "$s" "#2e8b3a" "$tmp/b$n.gif"; n=$((n + 1)); done
convert -delay 20 -loop 0 $(for i in 0 1 2 3 4 5 6 7; do echo "$tmp/b$i.gif"; done) waitbar1026.gif
rm -rf "$tmp"
