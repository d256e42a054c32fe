"""Transport encoding of the account service.

A request or reply line is compressed with a Huffman code whose tree travels
with the message; the bits are written as characters of a URL-safe alphabet of
64 characters.  Both directions work on bytes: the service never interprets
the 8-bit text beyond the ASCII field separators.
"""

ALPHABET = b"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ1234567890-_"
_REVERSE = {c: i for i, c in enumerate(ALPHABET)}
_MASK32 = 0xFFFFFFFF
# A code longer than this does not fit the 32-bit code word the client keeps.
MAX_CODE_BITS = 32


class CodecError(ValueError):
    """The text cannot be encoded or decoded."""


class _Node:
    __slots__ = ("value", "weight", "child0", "child1")

    def __init__(self, weight, value=None, child0=None, child1=None):
        self.weight = weight
        self.value = value
        self.child0 = child0
        self.child1 = child1

    @property
    def is_leaf(self):
        return self.child0 is None


def _to_bytes(text):
    if isinstance(text, str):
        return text.encode("latin-1")
    return bytes(text)


def _build_tree(data):
    counts = [0] * 256
    for b in data:
        counts[b] += 1
    present = [v for v in range(256) if counts[v]]
    if len(present) == 1:
        v = present[0]
        extra = 254 if v == 255 else v + 1
        present = sorted([v, extra])
    places = [_Node(counts[v], value=v) for v in present]
    root = None
    while True:
        first = second = None
        for i, node in enumerate(places):
            if node is None:
                continue
            if first is None:
                first = i
                continue
            if node.weight < places[first].weight:
                candidate, first = first, i
            else:
                candidate = i
            if second is None or places[candidate].weight < places[second].weight:
                second = candidate
        if first is None or second is None:
            break
        a, b = places[first], places[second]
        root = _Node((a.weight + b.weight) & _MASK32, child0=a, child1=b)
        places[first] = root
        places[second] = None
    return root


def _assign_codes(root):
    codes = {}
    stack = [(root, "")]
    while stack:
        node, path = stack.pop()
        if node.is_leaf:
            codes[node.value] = path
        else:
            stack.append((node.child0, path + "1"))
            stack.append((node.child1, path + "0"))
    return codes


def _tree_bits(root, out):
    stack = [root]
    while stack:
        node = stack.pop()
        if node.is_leaf:
            out.append("1")
            out.append(format(node.value, "08b"))
        else:
            out.append("0")
            stack.append(node.child1)
            stack.append(node.child0)


def encode(text):
    """Encode a non-empty text (bytes or latin-1 str); returns the encoded str."""
    data = _to_bytes(text)
    if not data:
        raise CodecError("empty text")
    root = _build_tree(data)
    codes = _assign_codes(root)
    if any(len(c) > MAX_CODE_BITS for c in codes.values()):
        raise CodecError("code longer than 32 bits")
    parts = []
    _tree_bits(root, parts)
    parts.extend(codes[b] for b in data)
    bits = "".join(parts)
    full = len(bits) // 6
    out = bytearray(ALPHABET[int(bits[i * 6:i * 6 + 6], 2)] for i in range(full))
    pending = bits[full * 6:]
    out.append(ALPHABET[int(pending.ljust(6, "0"), 2)])
    out.append(ALPHABET[len(pending)])
    return out.decode("ascii")


def decode(encoded):
    """Decode an encoded text (str or bytes); returns the decoded bytes."""
    try:
        raw = encoded.encode("latin-1") if isinstance(encoded, str) else bytes(encoded)
    except UnicodeEncodeError:
        raise CodecError("character outside the alphabet") from None
    if not raw:
        raise CodecError("empty text")
    # The encoder writes 0 to 5; 6 (every bit of the last character) is read as the client
    # reads it.
    k = _REVERSE.get(raw[-1])
    if k is None or k > 6:
        raise CodecError("bad trailing count character")
    carrying = raw[:-1]
    groups = []
    for c in carrying:
        idx = _REVERSE.get(c)
        if idx is None:
            raise CodecError("character outside the alphabet")
        groups.append(format(idx, "06b"))
    if groups:
        groups[-1] = groups[-1][:k]
    bits = "".join(groups)
    n = len(bits)
    pos = 0

    # Tree, pre-order; an explicit stack keeps deep trees from recursing.
    if n == 0 or bits[0] != "0":
        raise CodecError("tree must start with an internal node")
    root = _Node(0)
    pos = 1
    pending = [(root, 0)]  # (internal node, which child to fill next)
    while pending:
        node, which = pending[-1]
        if which == 2:
            pending.pop()
            continue
        pending[-1] = (node, which + 1)
        if pos >= n:
            raise CodecError("tree cut off")
        bit = bits[pos]
        pos += 1
        if bit == "1":
            if pos + 8 > n:
                raise CodecError("tree cut off")
            child = _Node(0, value=int(bits[pos:pos + 8], 2))
            pos += 8
        else:
            child = _Node(0)
            pending.append((child, 0))
        if which == 0:
            node.child0 = child
        else:
            node.child1 = child

    out = bytearray()
    node = root
    for bit in bits[pos:]:
        node = node.child0 if bit == "1" else node.child1
        if node.is_leaf:
            out.append(node.value)
            node = root
    return bytes(out)
