#!/usr/bin/env python3
"""Writes codec_vectors.txt: one vector a line, "<input as lowercase hex>\t<encoded text>".

The vectors come from the service's own codec (../codec.py); other implementations of the
transport encoding read the file to check that they agree with it byte for byte.
Run: python3 make_vectors.py [output path]
"""
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.dirname(HERE))

import codec  # noqa: E402


def lcg_bytes(seed, length, low=1, high=255):
    """Deterministic pseudo-random bytes in [low, high], the same on every Python."""
    out = bytearray()
    state = seed & 0xFFFFFFFF
    span = high - low + 1
    for _ in range(length):
        state = (state * 1103515245 + 12345) & 0x7FFFFFFF
        out.append(low + (state >> 8) % span)
    return bytes(out)


def skewed_bytes(seed, length):
    """Bytes drawn mostly from a few values, so that the tree is deep and uneven."""
    raw = lcg_bytes(seed, length, 0, 255)
    pool = b"eeeeeeeetttttaaoinshr|;@.0123456789"
    return bytes(pool[b % len(pool)] if b < 230 else max(1, b) for b in raw)


def vectors():
    yield b"aab"                                   # the worked example: wkWKe
    for n in (1, 2, 3, 5, 6, 7, 64, 255, 300):
        yield lcg_bytes(1000 + n, n)
        yield skewed_bytes(2000 + n, n)
    for v in range(1, 256):
        yield bytes([v])
    for v in (1, 97, 254, 255):
        yield bytes([v]) * 5                        # one repeated value: tree with a zero-count leaf
    yield bytes(range(1, 256))
    yield bytes(range(255, 0, -1))
    yield b"abcdefghijklmnopqrstuvwxyz"
    yield b"0|"
    yield b"104.10|john@example.com|"
    yield b"0|john@example.com|Mr.|Mr.| |John|Smith| | |1 Main St| | |Springfield|IL| |62701|US|I| |"
    yield b"LXK;2.9;15;1;104;|john@example.com|English|"
    yield b"LXK;2.9;15;1;100;|john@example.com|482913|"
    yield b"LXK;2.9;15;1;102;|john@example.com| "
    yield b"LXK;2.9;15;1;108;|Mary.O'Neil@Example.ORG|Deutsch|"
    yield b"LXK;2.9;15;1;116;|john@example.com|US|+1 (555) 123-4567|"
    yield b"LXK;2.0;15;3;200;|E|x|"
    yield (b"LXK;2.9;15;1;112;|john@example.com|LXK|2.9|15| | | | |Mr.|Mr.| |John|Smith| |Smith| "
           b"|1 Main St| | |Springfield|IL| |62701|US| |WXP| |English|2026120701010101|I|1|1;2;|")
    yield "LXK;2.9;15;1;104;|jürgen@example.de|Deutsch|".encode("latin-1")
    # Bit counts that are a multiple of six end in "aa".
    found = 0
    for n in range(1, 400):
        text = lcg_bytes(5000 + n, 1 + n % 40)
        if codec.encode(text).endswith("aa"):
            yield text
            found += 1
            if found == 3:
                break


def main():
    out_path = sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "codec_vectors.txt")
    lines = []
    seen = set()
    for text in vectors():
        if text in seen:
            continue
        seen.add(text)
        encoded = codec.encode(text)
        assert codec.decode(encoded) == text
        lines.append("%s\t%s\n" % (text.hex(), encoded))
    with open(out_path, "w", newline="\n") as f:
        f.writelines(lines)
    print("%d vectors written to %s" % (len(lines), out_path))


if __name__ == "__main__":
    main()
