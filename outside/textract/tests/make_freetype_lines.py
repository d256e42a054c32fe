#!/usr/bin/python3
"""Draws the text table test's lines outside Wine, with FreeType (PIL), as binary PPM files.

    make_freetype_lines.py OUTDIR

Each line is "Quick brown foxes hummed minimum" in one family and pixel size, grey
anti-aliased, dark on light, with a margin of 6 pixels around it; sizes at 100% (11, 14, 20 px)
and at 150% (17, 21, 30 px). The families: FreeSans (which the recogniser never learnt),
DejaVu Sans and Liberation Serif. OUTDIR/lines.tsv lists file, family and pixel size.
"""
import os
import sys

from PIL import Image, ImageDraw, ImageFont

TEXT = "Quick brown foxes hummed minimum"
FONTS = [
    ("FreeSans", "/usr/share/fonts/truetype/freefont/FreeSans.ttf"),
    ("DejaVu Sans", "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"),
    ("Liberation Serif", "/usr/share/fonts/truetype/liberation/LiberationSerif-Regular.ttf"),
]
SIZES = [11, 14, 20, 17, 21, 30]
MARGIN = 6


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    rows = []
    for name, path in FONTS:
        for px in SIZES:
            font = ImageFont.truetype(path, px)
            left, top, right, bottom = font.getbbox(TEXT)
            w, h = right - left + 2 * MARGIN, bottom - top + 2 * MARGIN
            img = Image.new("RGB", (w, h), (255, 255, 255))
            ImageDraw.Draw(img).text((MARGIN - left, MARGIN - top), TEXT, font=font,
                                     fill=(0, 0, 0))
            file = "%s-%d.ppm" % (name.replace(" ", ""), px)
            with open(os.path.join(out, file), "wb") as f:
                f.write(b"P6\n%d %d\n255\n" % (w, h) + img.tobytes())
            rows.append("%s\t%s\t%d\n" % (file, name, px))
    with open(os.path.join(out, "lines.tsv"), "w") as f:
        f.writelines(rows)


if __name__ == "__main__":
    main()
