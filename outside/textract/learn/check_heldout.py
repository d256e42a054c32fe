#!/usr/bin/python3
"""Measures the committed classifier (learnt_weights.inc) on single glyphs of the held-out
family FreeSans, drawn the ways the learning draws its families, and prints the share of
glyphs read right per rendering (look-alikes that no glyph image tells apart, such as l/I/|
and O/0 in a sans face, are counted as right when either is given).

Run from the repository root:  /usr/bin/python3 outside/textract/learn/check_heldout.py
"""
import os
import re
import sys

import numpy as np

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import make_weights as mw  # noqa: E402

LOOK_ALIKES = ["lI|1", "O0o", "'`", ",.", "-_", "xX", "cC", "sS", "vV", "wW", "zZ", "uU", "oO"]


def load_weights(path):
    text = open(path).read()
    arrays = {}
    for name, body in re.findall(r"const float (\w+)\[\d+\] = \{(.*?)\};", text, re.S):
        arrays[name] = np.array([float(v.rstrip("f")) for v in re.findall(r"[-0-9.e+]+f", body)],
                                dtype=np.float32)
    n_in = int(re.search(r"kNetInputs = (\d+)", text).group(1))
    n_hid = int(re.search(r"kNetHidden = (\d+)", text).group(1))
    n_cls = int(re.search(r"kNetClasses = (\d+)", text).group(1))
    return (arrays["kNetW1"].reshape(n_hid, n_in), arrays["kNetB1"],
            arrays["kNetW2"].reshape(n_cls, n_hid), arrays["kNetB2"])


def alike(a, b):
    return a == b or any(a in g and b in g for g in LOOK_ALIKES)


def main():
    W1, b1, W2, b2 = load_weights(mw.OUT)
    rng = np.random.default_rng(7)
    path = "/usr/share/fonts/truetype/freefont/FreeSans.ttf"
    for mode in ("mono", "aa", "sub"):
        right = exact = total = 0
        for size in mw.SIZES:
            f = mw.load_font(path, size)
            fs = mw.ImageFont.truetype(path, size * 3)
            for ch in mw.CHARS:
                if mode == "sub":
                    a, base, xh = mw.render_sub(fs, ch, f.xh)
                else:
                    a, base, xh = mw.render(f, ch, mode, rng)
                v = mw.features(a, base, xh)
                if v is None:
                    continue
                h = np.maximum(W1 @ v + b1, 0)
                z = W2 @ h + b2
                got = chr(int(np.argmax(z[:94])) + 33)
                total += 1
                exact += got == ch
                right += alike(got, ch)
        print("FreeSans %-4s glyphs: %5.1f%% exact, %5.1f%% up to look-alikes (%d)" %
              (mode, 100.0 * exact / total, 100.0 * right / total, total))


if __name__ == "__main__":
    main()
