#!/usr/bin/python3
"""Learns the engine's glyph classifier and writes outside/textract/learnt_weights.inc.

The classifier sees one character's ink, cropped to its ink box and scaled into a 16 x 16 grey
image (aspect kept), plus where that box lies against its line (baseline, x-height). It is learnt
from many font families of Debian packages, drawn by FreeType as hinted monochrome, grey
anti-aliased and colour-fringed sub-pixel (ClearType-like) text at 10-48 pixels (8-24 pt at 96 dpi
and at 150% / 200% scaling), with jitter of weight, blur and line metrics. An extra class, "no
character", learns what two touching characters or a sliver of one look like, so that the
engine's segmentation can score its cuts with it.

Held out from learning in every form: the GNU FreeFont family FreeSans (fonts-freefont-ttf), so
that tests and the benchmark can measure a family the recogniser never saw.

Run from the repository root:  /usr/bin/python3 outside/textract/learn/make_weights.py
It needs the Debian packages named in tools/packages/ocrlearn.txt; the same packages give the
same file (fixed seeds, one thread).
"""
import os
import sys

os.environ.setdefault("OMP_NUM_THREADS", "1")
os.environ.setdefault("OPENBLAS_NUM_THREADS", "1")

import glob
import multiprocessing
import numpy as np
from PIL import Image, ImageDraw, ImageFont, ImageFilter

N = 16                      # side of the normalised glyph image
GEOM = 6                    # geometric features
CLASSES = 95                # '!'..'~' and "no character"
HIDDEN = 128
INK_T = 0.3                 # ink threshold that makes the crop box (the engine uses the same)
HELD_OUT = ("FreeSans",)    # family names never used for learning

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))))
OUT = os.path.join(ROOT, "outside", "textract", "learnt_weights.inc")

FONT_GLOBS = [
    "/usr/share/fonts/truetype/dejavu/DejaVu*.ttf",
    "/usr/share/fonts/truetype/liberation/Liberation*.ttf",
    "/usr/share/fonts/truetype/open-sans/OpenSans-*.ttf",
    "/usr/share/fonts/truetype/freefont/Free*.ttf",
    "/usr/share/fonts/truetype/crosextra/*.ttf",
    "/usr/share/fonts/truetype/noto/NotoSans-*.ttf",
    "/usr/share/fonts/truetype/noto/NotoSerif-*.ttf",
    "/usr/share/fonts/truetype/noto/NotoSansMono-*.ttf",
    "/usr/share/fonts/opentype/urw-base35/*.otf",
    "/usr/share/wine/fonts/tahoma*.ttf",
    "/opt/lexipop-wine/usr/share/wine/fonts/tahoma*.ttf",
]
NOT_TEXT = ("D050000L", "StandardSymbols", "Z003", "Math", "Cond", "Semibold")
# Slanted faces learnt: a few families only (they cost time and interface text is upright).
SLANTED_KEPT = ("LiberationSans-Italic", "LiberationSerif-Italic", "DejaVuSans-Oblique", "NotoSans-Italic", "NotoSerif-Italic")
SIZES = [10, 11, 12, 13, 15, 17, 20, 24, 29, 36, 44]
CHARS = [chr(c) for c in range(33, 127)]


def font_files():
    seen, out = set(), []
    for pattern in FONT_GLOBS:
        for path in sorted(glob.glob(pattern)):
            name = os.path.basename(path)
            if name in seen or any(n in name for n in NOT_TEXT):
                continue
            if any(name.startswith(h) for h in HELD_OUT):
                continue
            # Condensed and extra-light faces of the large families add little but time.
            if any(s in name for s in ("Condensed", "ExtraLight", "Thin", "Black", "Light", "Medium", "SemiBold", "ExtraBold")):
                if "URWBookman-Light" not in name:
                    continue
            if ("Italic" in name or "Oblique" in name or "Ita." in name) and not name.startswith(SLANTED_KEPT):
                continue
            seen.add(name)
            out.append(path)
    return out


def features(ink, baseline, xh):
    """ink: 2-D float array (rows, cols) of one character, 0..1; baseline: index of the row just
    below the base-sitting ink (the baseline row + 1) in the same rows; xh: x-height in pixels.
    Returns the feature vector, or None for no ink. Mirrors GlyphFeatures() in the engine."""
    mask = ink >= INK_T
    if not mask.any():
        return None
    rows = np.nonzero(mask.any(axis=1))[0]
    cols = np.nonzero(mask.any(axis=0))[0]
    t, b = rows[0], rows[-1]
    l, r = cols[0], cols[-1]
    crop = ink[t:b + 1, l:r + 1]
    h, w = crop.shape
    img = resample(crop)
    geom = np.array([
        (baseline - t) / xh - 1.0,
        (baseline - (b + 1)) / xh,
        w / xh - 0.6,
        h / xh - 1.0,
        np.log(w / h),
        crop.mean() * 2 - 1,
    ], dtype=np.float32)
    return np.concatenate([img.ravel() * 2 - 1, geom])


def resample(crop):
    """Area-sampled scaling of the crop into N x N, aspect kept, centred."""
    h, w = crop.shape
    scale = (N) / max(h, w)
    ow = max(1, int(round(w * scale)))
    oh = max(1, int(round(h * scale)))
    out = np.zeros((N, N), dtype=np.float32)
    ox, oy = (N - ow) // 2, (N - oh) // 2
    # Each output pixel averages the input area it covers (box filter).
    ys = np.linspace(0, h, oh + 1)
    xs = np.linspace(0, w, ow + 1)
    wy = overlap_matrix(ys, h)  # (oh, h)
    wx = overlap_matrix(xs, w)  # (ow, w)
    res = wy @ crop @ wx.T
    res /= (wy.sum(axis=1)[:, None] * wx.sum(axis=1)[None, :])
    out[oy:oy + oh, ox:ox + ow] = res
    return out


_OVERLAP = {}


def overlap_matrix(edges, n):
    key = (len(edges), n)
    if key not in _OVERLAP:
        _OVERLAP[key] = make_overlap(edges, n)
    return _OVERLAP[key]


def make_overlap(edges, n):
    m = np.zeros((len(edges) - 1, n), dtype=np.float32)
    for i in range(len(edges) - 1):
        a, b = edges[i], edges[i + 1]
        for j in range(int(np.floor(a)), min(n, int(np.ceil(b)))):
            m[i, j] = max(0.0, min(b, j + 1) - max(a, j))
    return m


def render(font, text, mode, rng):
    """Draws text on a line; returns (ink image, baseline row + 1, x-height)."""
    size = font.size
    W = int(size * (len(text) + 2) * 1.2) + 20
    H = int(size * 2.2) + 10
    base = int(size * 1.4) + 4
    img = Image.new("L", (W, H), 0)
    d = ImageDraw.Draw(img)
    if mode == "mono":
        d.fontmode = "1"
    d.text((10, base), text, font=font, fill=255, anchor="ls")
    if mode == "blur":
        img = img.filter(ImageFilter.GaussianBlur(0.45))
    a = np.asarray(img, dtype=np.float32) / 255.0
    if mode != "mono":
        # Grey levels of other gammas and weights.
        g = rng.uniform(0.6, 1.6)
        a = np.clip(a, 0, 1) ** g
        if a.max() > 0:
            a = a / a.max()
    return a, base, font.xh


def load_font(path, size):
    f = ImageFont.truetype(path, size)
    # x-height of this font at this size, from its "x" as FreeType draws it.
    img = Image.new("L", (size * 3, size * 3), 0)
    ImageDraw.Draw(img).text((size, size * 2), "x", font=f, fill=255, anchor="ls")
    a = np.asarray(img) > 76
    rows = np.nonzero(a.any(axis=1))[0]
    if len(rows) == 0:
        return None
    f.xh = float(size * 2 - rows[0])
    return f


def samples_for(path, rng):
    X, Y = [], []
    for size in SIZES:
        try:
            f = load_font(path, size)
        except Exception:
            continue
        if f is None or f.xh < 3:
            continue
        try:
            fs = ImageFont.truetype(path, size * 3)
        except Exception:
            fs = None
        modes = ["mono", "aa", "sub" if fs is not None else "aa"]
        if size >= 14:
            modes.append("blur")
        for mode in modes:
            for ch in CHARS:
                if mode == "sub":
                    a, base, xh = render_sub(fs, ch, f.xh)
                else:
                    a, base, xh = render(f, ch, mode, rng)
                xj = xh * rng.uniform(0.92, 1.08)
                v = features(a, base + rng.integers(-1, 2) * (rng.random() < 0.25), xj)
                if v is None:
                    continue
                X.append(v)
                Y.append(ord(ch) - 33)
                # "No character": the parts of a wide glyph that the engine's cuts make.
                for part in cut_parts(a, xh):
                    v = features(part, base, xj)
                    if v is not None:
                        X.append(v)
                        Y.append(94)
            # Characters between neighbours: at small sizes letters touch, and the engine cuts
            # them apart at a column that may hold a neighbour's ink.
            if mode != "sub":
                for ch in CONTEXT_CHARS:
                    a = in_context(f, ch, mode, rng)
                    if a is None:
                        continue
                    v = features(a[0], a[1], f.xh * rng.uniform(0.92, 1.08))
                    if v is not None:
                        X.append(v)
                        Y.append(ord(ch) - 33)
            # "No character": two characters that touch, read as one piece.
            for _ in range(20):
                pair = CHARS[rng.integers(0, 94)] + CHARS[rng.integers(0, 94)]
                if mode == "sub":
                    continue
                a, base, xh = render(f, pair, mode, rng)
                a = squeeze_pair(a, f, pair, mode, rng)
                if a is None:
                    continue
                v = features(a, base, xh * rng.uniform(0.92, 1.08))
                if v is not None:
                    X.append(v)
                    Y.append(94)
    return X, Y


CONTEXT_CHARS = [c for c in CHARS if c.isalnum()]
NEIGHBOURS = "aceimnorsuvwlhtbdkfjgpqyxz"


def in_context(f, ch, mode, rng):
    """The character drawn between two letters, cut to its own ink columns (give or take
    one), with whatever of the neighbours' ink lies in them."""
    left = NEIGHBOURS[rng.integers(0, len(NEIGHBOURS))]
    right = NEIGHBOURS[rng.integers(0, len(NEIGHBOURS))]
    a, base, _ = render(f, left + ch + right, mode, rng)
    pen = 10 + f.getlength(left)
    size = f.size
    W = a.shape[1]
    img = Image.new("L", (W, a.shape[0]), 0)
    d = ImageDraw.Draw(img)
    if mode == "mono":
        d.fontmode = "1"
    d.text((pen, base), ch, font=f, fill=255, anchor="ls")
    alone = np.asarray(img) >= 128
    cols = np.nonzero(alone.any(axis=0))[0]
    if len(cols) == 0 or size <= 0:
        return None
    l = cols[0] - int(rng.integers(0, 2))
    r = cols[-1] + int(rng.integers(0, 2))
    out = a.copy()
    out[:, :max(0, l)] = 0
    out[:, r + 1:] = 0
    return out, base


def cut_parts(a, xh):
    """Left and right parts of a glyph cut where the engine may cut a wide piece: at columns
    of little ink that are local minima (the engine's Pieces())."""
    mask = a >= 0.5
    cols = np.nonzero(mask.any(axis=0))[0]
    if len(cols) == 0:
        return []
    l, r = cols[0], cols[-1]
    width = r - l + 1
    if width <= xh * 0.8 or width < 5:
        return []
    ink = mask[:, l:r + 1].sum(axis=0)
    cuts = []
    for i in range(2, width - 2):
        if ink[i] <= ink[i - 1] and ink[i] <= ink[i + 1] and ink[i] <= max(2.0, xh * 0.3):
            cuts.append((ink[i], i))
    cuts.sort()
    chosen = []
    for _, i in cuts:
        if all(abs(i - c) >= 2 for c in chosen):
            chosen.append(i)
        if len(chosen) >= 2:
            break
    parts = []
    for i in chosen:
        left = a.copy()
        left[:, l + i:] = 0
        right = a.copy()
        right[:, :l + i] = 0
        parts += [left, right]
    return parts


def squeeze_pair(a, f, pair, mode, rng):
    """Draws the pair's second character closer, so that the two inks touch."""
    first = render(f, pair[0], mode, rng)[0]
    second = render(f, pair[1], mode, rng)[0]
    c1 = np.nonzero((first >= INK_T).any(axis=0))[0]
    c2 = np.nonzero((second >= INK_T).any(axis=0))[0]
    if len(c1) == 0 or len(c2) == 0:
        return None
    shift = c1[-1] - c2[0] + int(rng.integers(0, 2))
    out = first.copy()
    w = out.shape[1]
    s = np.zeros_like(second)
    if shift >= 0:
        s[:, shift:] = second[:, :w - shift]
    else:
        s[:, :w + shift] = second[:, -shift:]
    return np.maximum(out, s)


def subpixel_filter(a):
    """The colour filter over sub-pixels: 1 2 3 2 1 / 9 along each row."""
    p = np.pad(a, ((0, 0), (2, 2)))
    return (p[:, :-4] + 2 * p[:, 1:-3] + 3 * p[:, 2:-2] + 2 * p[:, 3:-1] + p[:, 4:]) / 9.0


def render_sub(fs, ch, xh):
    H = int(fs.size * 2.2 / 3) + 10
    base3 = (int(fs.size / 3 * 1.4) + 4) * 3
    W3 = fs.size * 3 + 60
    big = Image.new("L", (W3, H * 3), 0)
    ImageDraw.Draw(big).text((30, base3), ch, font=fs, fill=255, anchor="ls")
    a = np.asarray(big, dtype=np.float32) / 255.0
    a = a.reshape(H, 3, W3).mean(axis=1)
    a = subpixel_filter(a)
    a = a[:, :(W3 // 3) * 3].reshape(H, -1, 3).max(axis=2)
    if a.max() > 0:
        a = a / a.max()
    return a, base3 // 3, xh


def train(X, Y, rng):
    n, d = X.shape
    W1 = (rng.standard_normal((d, HIDDEN)) * np.sqrt(2.0 / d)).astype(np.float32)
    b1 = np.zeros(HIDDEN, np.float32)
    W2 = (rng.standard_normal((HIDDEN, CLASSES)) * np.sqrt(1.0 / HIDDEN)).astype(np.float32)
    b2 = np.zeros(CLASSES, np.float32)
    params = [W1, b1, W2, b2]
    m = [np.zeros_like(p) for p in params]
    v = [np.zeros_like(p) for p in params]
    lr, beta1, beta2, eps = 2e-3, 0.9, 0.999, 1e-8
    step = 0
    batch = 256
    epochs = 10
    for ep in range(epochs):
        order = rng.permutation(n)
        if ep >= epochs - 4:
            lr *= 0.5
        loss_sum = 0.0
        correct = 0
        for s in range(0, n, batch):
            idx = order[s:s + batch]
            x = X[idx]
            # Stroke weight and noise jitter on the image part.
            x = x.copy()
            x[:, :N * N] += rng.normal(0, 0.05, (len(idx), N * N)).astype(np.float32)
            y = Y[idx]
            h = x @ W1 + b1
            hr = np.maximum(h, 0)
            z = hr @ W2 + b2
            z -= z.max(axis=1, keepdims=True)
            p = np.exp(z)
            p /= p.sum(axis=1, keepdims=True)
            loss_sum += -np.log(p[np.arange(len(idx)), y] + 1e-9).sum()
            correct += (p.argmax(axis=1) == y).sum()
            g = p
            g[np.arange(len(idx)), y] -= 1
            g /= len(idx)
            gW2 = hr.T @ g
            gb2 = g.sum(axis=0)
            gh = (g @ W2.T) * (h > 0)
            gW1 = x.T @ gh
            gb1 = gh.sum(axis=0)
            grads = [gW1 + 1e-5 * W1, gb1, gW2 + 1e-5 * W2, gb2]
            step += 1
            for i, (pa, gr) in enumerate(zip(params, grads)):
                m[i] = beta1 * m[i] + (1 - beta1) * gr
                v[i] = beta2 * v[i] + (1 - beta2) * gr * gr
                mh = m[i] / (1 - beta1 ** step)
                vh = v[i] / (1 - beta2 ** step)
                pa -= (lr * mh / (np.sqrt(vh) + eps)).astype(np.float32)
        print("epoch %d loss %.4f acc %.4f" % (ep, loss_sum / n, correct / n), flush=True)
    return params


def write_inc(params, path, nfonts, nsamples):
    W1, b1, W2, b2 = params

    def arr(name, a):
        flat = a.astype(np.float32).ravel()
        lines = []
        for i in range(0, len(flat), 8):
            lines.append("    " + ", ".join("%.6gf" % x for x in flat[i:i + 8]) + ",")
        return "const float %s[%d] = {\n%s\n};\n" % (name, len(flat), "\n".join(lines))

    with open(path, "w") as f:
        f.write("// Learnt glyph classifier weights, written by outside/textract/learn/make_weights.py\n")
        f.write("// (%d font files, %d samples; family held out from learning: FreeSans). Do not edit.\n" % (nfonts, nsamples))
        f.write("constexpr int kNetInputs = %d;\n" % W1.shape[0])
        f.write("constexpr int kNetHidden = %d;\n" % W1.shape[1])
        f.write("constexpr int kNetClasses = %d;\n" % W2.shape[1])
        # Hidden weights stored hidden-major (one row of inputs per hidden unit).
        f.write(arr("kNetW1", W1.T))
        f.write(arr("kNetB1", b1))
        f.write(arr("kNetW2", W2.T))
        f.write(arr("kNetB2", b2))


def font_samples(job):
    i, path = job
    return samples_for(path, np.random.default_rng(1000 + i))


def main():
    rng = np.random.default_rng(20261208)
    files = font_files()
    print("%d font files" % len(files), flush=True)
    X, Y = [], []
    # Two worker processes; every font has a seed of its own, so the order of work does not
    # change the samples.
    with multiprocessing.Pool(2) as pool:
        for path, (x, y) in zip(files, pool.imap(font_samples, enumerate(files))):
            X += x
            Y += y
            print("  %s: %d" % (os.path.basename(path), len(x)), flush=True)
    X = np.array(X, dtype=np.float32)
    Y = np.array(Y, dtype=np.int64)
    print("%d samples" % len(Y), flush=True)
    if "--samples" in sys.argv:  # keep the samples for experiments with the learning
        np.savez(sys.argv[sys.argv.index("--samples") + 1], X=X, Y=Y)
    params = train(X, Y, rng)
    write_inc(params, OUT, len(files), len(Y))
    print("wrote", OUT)


if __name__ == "__main__":
    main()
