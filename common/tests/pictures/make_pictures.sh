#!/bin/sh
# Makes the pictures the animated picture tests play (run by hand; the results are committed so
# the test build needs no ImageMagick). Needs ImageMagick's `convert` and python3.
set -e
cd "$(dirname "$0")"
C="convert -define gif:optimize=false"

# Four frames on a 32 x 16 screen: full red (10/100 s, kept), blue 8 x 8 at (4,4) (30/100 s,
# restore to background), green 8 x 8 at (20,4) (30/100 s, restore to previous), yellow 4 x 4
# at (0,0) (40/100 s, kept).
$C -size 32x16 xc:red -set page 32x16+0+0 -set delay 10 -set dispose None r.gif
$C -size 8x8 xc:blue -set page 32x16+4+4 -set delay 30 -set dispose Background b.gif
$C -size 8x8 xc:lime -set page 32x16+20+4 -set delay 30 -set dispose Previous g.gif
$C -size 4x4 xc:yellow -set page 32x16+0+0 -set delay 40 -set dispose None y.gif
$C r.gif b.gif g.gif y.gif -loop 0 walk.gif

# Two frames each: delay 3 (shown 100 ms) and delay 50 (shown 500 ms).
$C -size 16x16 xc:red -set delay 3 xc:blue -set delay 3 -loop 0 fast.gif
$C -size 16x16 xc:red -set delay 50 xc:blue -set delay 50 -loop 0 slow.gif

# One image (shown still) and a bitmap (not a GIF at all).
$C -size 24x12 xc:navy still.gif
$C -size 20x10 xc:orange BMP3:still.bmp

rm -f r.gif b.gif g.gif y.gif

# The two-frame fast GIF without any graphic control extension.
python3 - <<'PY'
data = open("fast.gif", "rb").read()
flags = data[10]
pos = 13 + (3 * 2 ** ((flags & 7) + 1) if flags & 0x80 else 0)
out = bytearray(data[:pos])
def subblocks(p):
    while data[p]:
        p += data[p] + 1
    return p + 1
while data[pos] != 0x3B:
    start = pos
    if data[pos] == 0x21:
        pos = subblocks(pos + 2)
        if data[start + 1] == 0xF9:
            continue
    elif data[pos] == 0x2C:
        f = data[pos + 9]
        pos += 10 + (3 * 2 ** ((f & 7) + 1) if f & 0x80 else 0) + 1
        pos = subblocks(pos)
    else:
        raise SystemExit("unexpected block")
    out += data[start:pos]
out += b";"
open("noext.gif", "wb").write(bytes(out))
PY
