import os
import random
import subprocess
import sys
import tempfile
import unittest

import codec

HERE = os.path.dirname(os.path.abspath(__file__))


def pack(bits):
    """Independent packer: six bits a character, then pending bits and their count."""
    a = codec.ALPHABET.decode()
    full = len(bits) // 6
    out = "".join(a[int(bits[i * 6:i * 6 + 6], 2)] for i in range(full))
    rest = bits[full * 6:]
    return out + a[int(rest.ljust(6, "0"), 2)] + a[len(rest)]


def leaf(v):
    return "1" + format(v, "08b")


class CodecTest(unittest.TestCase):
    def test_worked_example_and_hand_built_trees(self):
        self.assertEqual(codec.encode(b"aab"), "wkWKe")
        self.assertEqual(codec.decode("wkWKe"), b"aab")
        self.assertEqual(codec.encode("aab"), "wkWKe")          # str input is latin-1 text
        # One value only: a zero-count leaf for v + 1 joins it; it sorts first and is the
        # lighter node, so it becomes child 0 (code 1) and the real value gets code 0.
        self.assertEqual(codec.encode(b"zzz"), pack("0" + leaf(0x7b) + leaf(0x7a) + "000"))
        # 255 alone takes 254 as its partner.
        self.assertEqual(codec.encode(b"\xff"), pack("0" + leaf(254) + leaf(255) + "0"))
        self.assertEqual(codec.encode(b"\xff"), "F8_Gc")
        # Ties: the earliest node wins "first", the next earliest "second"; the merged node
        # takes first's place.  abc: a+b merge first (at a's place), then c (weight 1)
        # is lighter than ab (2), so c is child 0 of the root.
        tree = "0" + leaf(ord("c")) + "0" + leaf(ord("a")) + leaf(ord("b"))
        self.assertEqual(codec.encode(b"abc"), pack(tree + "01" + "00" + "1"))
        # A lighter node later in the list pushes the old first to second.
        # counts x=3, y=1, z=2: first=y, second=z -> (y,z) at y's place weight 3;
        # then x(3) first (earliest of equal weights), second = yz.
        tree = "0" + leaf(ord("x")) + "0" + leaf(ord("y")) + leaf(ord("z"))
        self.assertEqual(codec.encode(b"xxxyzz"),
                         pack(tree + "1" * 3 + "01" + "00" * 2))

    def test_round_trips(self):
        rng = random.Random(4711)
        for n in range(1, 301):
            mixed = bytes(rng.randint(1, 255) for _ in range(n))
            few = bytes(rng.choice(b"ab|;") for _ in range(n))
            for text in (mixed, few, bytes([n % 255 + 1]) * n):
                self.assertEqual(codec.decode(codec.encode(text)), text, (n, text))
        for v in range(1, 256):
            self.assertEqual(codec.decode(codec.encode(bytes([v]))), bytes([v]))
        everything = bytes(range(1, 256)) * 3
        self.assertEqual(codec.decode(codec.encode(everything)), everything)
        # Skewed counts give a deep tree; it still fits the client's 32-bit code word.
        fib = [1, 1]
        while len(fib) < 20:
            fib.append(fib[-1] + fib[-2])
        skewed = b"".join(bytes([65 + i]) * c for i, c in enumerate(fib))
        self.assertEqual(codec.decode(codec.encode(skewed)), skewed)

    def test_encoded_text_shape(self):
        rng = random.Random(99)
        seen_aa = 0
        for n in range(1, 200):
            text = bytes(rng.randint(1, 255) for _ in range(n))
            enc = codec.encode(text)
            self.assertTrue(set(enc.encode()) <= set(codec.ALPHABET))
            k = codec.ALPHABET.index(enc[-1].encode())
            self.assertLessEqual(k, 5)
            if k == 0:
                self.assertTrue(enc.endswith("aa"), enc)
                seen_aa += 1
                # A count of six takes every bit of the character before it, as the client
                # reads it: the same bits without the empty pending character.
                self.assertEqual(codec.decode(enc[:-2] + "g"), text)
        self.assertGreater(seen_aa, 0)

    def test_failures(self):
        self.assertRaises(codec.CodecError, codec.encode, b"")
        good = codec.encode(b"LXK;2.9;15;1;104;|john@example.com|English|")
        for bad in ("", "a", "aa",                     # nothing to carry a tree
                    good[:3] + " " + good[4:],         # blank inside
                    good[:3] + "\x80" + good[4:],      # byte from 128 upward
                    good[:-1] + "h",                   # count above six
                    good[:-1] + "*",                   # count character outside the alphabet
                    pack("1" + "0" * 20),              # leaf at the root
                    pack("0" + leaf(65)),              # tree cut off
                    pack("0" + "1010")):               # cut inside a leaf value
            with self.assertRaises(codec.CodecError, msg=repr(bad)):
                codec.decode(bad)
        # A changed character inside the alphabet may decode, but not to the original.
        changed = good[:10] + ("b" if good[10] != "b" else "c") + good[11:]
        try:
            self.assertNotEqual(codec.decode(changed), b"LXK;2.9;15;1;104;|john@example.com|English|")
        except codec.CodecError:
            pass
        # A code cut off by the end of the bits is dropped without error.
        self.assertEqual(codec.decode(pack("0" + leaf(97) + "0" + leaf(98) + leaf(99) + "1" + "0")), b"a")

    def test_shared_vector_file_matches_codec(self):
        path = os.path.join(HERE, "codec_vectors.txt")
        with open(path) as f:
            lines = f.read().splitlines()
        self.assertGreater(len(lines), 280)
        for line in lines:
            hexed, enc = line.split("\t")
            self.assertEqual(codec.encode(bytes.fromhex(hexed)), enc)
            self.assertEqual(codec.decode(enc), bytes.fromhex(hexed))
        self.assertIn("616162\twkWKe", lines)
        with tempfile.TemporaryDirectory() as tmp:
            out = os.path.join(tmp, "v.txt")
            subprocess.run([sys.executable, os.path.join(HERE, "make_vectors.py"), out],
                           check=True, stdout=subprocess.DEVNULL)
            with open(out) as f:
                self.assertEqual(f.read().splitlines(), lines,
                                 "codec_vectors.txt is stale: run make_vectors.py")


if __name__ == "__main__":
    unittest.main()
