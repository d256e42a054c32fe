#!/usr/bin/python3
"""Makes the stand-in of the "Heo May 1.1" font family that draws the product's Vietnamese
texts: 8-bit text in the VISCII encoding, selected as an ANSI (code page 1252) font. The
glyphs are DejaVu Sans Condensed's, narrowed further (the family is a narrow face); its Unicode
table is rebuilt so that every byte, read as code page 1252 the way Windows reads ANSI text,
shows the VISCII letter of that byte.

    make_heomay.py OUT.ttf [SOURCE.ttf]
"""
import os
import subprocess
import sys

from fontTools.ttLib import TTFont
from fontTools.ttLib.tables import ttProgram
from fontTools.ttLib.tables._c_m_a_p import cmap_format_4

FAMILY = "Heo May 1.1"
DEJAVU = "/usr/share/fonts/truetype/dejavu/"


def viscii_letters():
    """Unicode letter of every VISCII byte 0-255 (glibc's iconv has the table)."""
    out = subprocess.run(["iconv", "-f", "VISCII", "-t", "UTF-32LE"], input=bytes(range(256)),
                         stdout=subprocess.PIPE, check=True).stdout
    return [int.from_bytes(out[i * 4:i * 4 + 4], "little") for i in range(256)]


def ansi_code_point(byte):
    """What Windows makes of a code page 1252 byte (its five holes map to themselves)."""
    try:
        return ord(bytes([byte]).decode("cp1252"))
    except UnicodeDecodeError:
        return byte


def narrow(font, factor):
    """Every glyph and its advance drawn narrower by factor (hinting dropped with it)."""
    glyf, hmtx = font["glyf"], font["hmtx"]
    for name in font.getGlyphOrder():
        glyph = glyf[name]
        if glyph.isComposite():
            for component in glyph.components:
                component.x = round(component.x * factor)
        elif glyph.numberOfContours > 0:
            glyph.coordinates.scale((factor, 1))
            glyph.coordinates.toInt()
        if hasattr(glyph, "program"):
            glyph.program = ttProgram.Program()
            glyph.program.fromBytecode(b"")
        advance, bearing = hmtx[name]
        hmtx[name] = (round(advance * factor), round(bearing * factor))
    for tag in ("fpgm", "prep", "cvt ", "hdmx", "LTSH", "VDMX"):
        if tag in font:
            del font[tag]
    font["OS/2"].xAvgCharWidth = round(font["OS/2"].xAvgCharWidth * factor)


def main(argv):
    out = argv[1]
    source = argv[2] if len(argv) > 2 else next(
        (f for f in (DEJAVU + "DejaVuSansCondensed.ttf", DEJAVU + "DejaVuSans.ttf") if os.path.exists(f)))
    font = TTFont(source)
    glyph_of = dict(font.getBestCmap())
    table = {cp: g for cp, g in glyph_of.items() if cp < 0x10000 and (cp < 0x80 or cp > 0x24FF)}
    letters = viscii_letters()
    for byte in range(256):
        letter = letters[byte]
        if letter in glyph_of and (byte >= 0x80 or letter != byte):
            table[ansi_code_point(byte)] = glyph_of[letter]
    subtables = []
    for platform, encoding in ((0, 3), (3, 1)):
        sub = cmap_format_4(4)
        sub.platformID, sub.platEncID, sub.language = platform, encoding, 0
        sub.cmap = dict(table)
        subtables.append(sub)
    font["cmap"].tables = subtables
    names = font["name"]
    names.names = [n for n in names.names if n.nameID not in (1, 2, 3, 4, 6, 16, 17)]
    for name_id, text in ((1, FAMILY), (2, "Regular"), (3, FAMILY + " Regular"), (4, FAMILY),
                          (6, "HeoMay1.1")):
        names.setName(text, name_id, 3, 1, 0x409)
        names.setName(text, name_id, 1, 0, 0)
    narrow(font, 0.88)
    for tag in ("GSUB", "GPOS", "kern"):  # lookups of letters that moved
        if tag in font:
            del font[tag]
    font.save(out)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
