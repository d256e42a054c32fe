#include "transportcodec.h"

#include <array>
#include <cstdint>
#include <memory>
#include <new>
#include <vector>

namespace netcourier {

namespace {

constexpr char kAlphabet[65] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ1234567890-_";

// Reverse table: character -> index, -1 for every byte outside the alphabet.
struct ReverseTable {
    std::array<int8_t, 256> index{};
    constexpr ReverseTable()
    {
        for (auto& v : index)
            v = -1;
        for (int i = 0; i < 64; ++i)
            index[static_cast<unsigned char>(kAlphabet[i])] = static_cast<int8_t>(i);
    }
};
constexpr ReverseTable kReverse;

// Tree of the encoder: nodes live in one vector, children by index (-1 for a leaf).
struct Node {
    uint64_t weight;
    int child0;
    int child1;
    unsigned char value;
};

// A code as a bit path, first bit in the most significant position of words[0]. The depth of
// a tree of 256 leaves stays below 256, so four 64-bit words always hold it.
struct Code {
    std::array<uint64_t, 4> words{};
    unsigned length = 0;
};

// Appends bits to the output characters, six at a time.
class SixBitWriter {
public:
    explicit SixBitWriter(std::string& out) : m_out(out) {}

    // Appends the n (1..57) low bits of v, most significant first.
    void Put(uint64_t v, unsigned n)
    {
        m_acc = (m_acc << n) | (v & ((uint64_t{1} << n) - 1));
        m_count += n;
        while (m_count >= 6) {
            m_count -= 6;
            m_out.push_back(kAlphabet[(m_acc >> m_count) & 63u]);
        }
        m_acc &= (uint64_t{1} << m_count) - 1;
    }

    // The pending-bits character and the count character.
    void Finish()
    {
        const unsigned pending = static_cast<unsigned>((m_acc << (6 - m_count)) & 63u);
        m_out.push_back(kAlphabet[pending]);
        m_out.push_back(kAlphabet[m_count]);
        m_count = 0;
        m_acc = 0;
    }

private:
    std::string& m_out;
    uint64_t m_acc = 0;
    unsigned m_count = 0;
};

void PutCode(SixBitWriter& w, const Code& c)
{
    unsigned left = c.length;
    for (unsigned i = 0; left > 0; ++i) {
        // 32 bits at a time keeps Put's accumulator within 64 bits.
        const uint64_t word = c.words[i];
        const unsigned hiBits = left < 32 ? left : 32;
        w.Put(word >> (64 - hiBits), hiBits);
        left -= hiBits;
        if (left == 0)
            break;
        const unsigned loBits = left < 32 ? left : 32;
        w.Put((word >> (32 - loBits)) & 0xFFFFFFFFu, loBits);
        left -= loBits;
    }
}

int BuildTree(const std::array<uint64_t, 256>& counts, bool present[256], std::vector<Node>& nodes)
{
    std::vector<int> list;  // places of the list; -1 is an empty place
    for (int v = 0; v < 256; ++v) {
        if (present[v]) {
            nodes.push_back(Node{counts[v], -1, -1, static_cast<unsigned char>(v)});
            list.push_back(static_cast<int>(nodes.size()) - 1);
        }
    }
    int root = list.empty() ? -1 : list.front();
    for (;;) {
        int first = -1;   // places in the list
        int second = -1;
        for (int i = 0; i < static_cast<int>(list.size()); ++i) {
            if (list[i] < 0)
                continue;
            if (first < 0) {
                first = i;
                continue;
            }
            int candidate;
            if (nodes[list[i]].weight < nodes[list[first]].weight) {
                candidate = first;
                first = i;
            } else {
                candidate = i;
            }
            if (second < 0 || nodes[list[candidate]].weight < nodes[list[second]].weight)
                second = candidate;
        }
        if (first < 0 || second < 0)
            break;
        const int a = list[first];
        const int b = list[second];
        nodes.push_back(Node{nodes[a].weight + nodes[b].weight, a, b, 0});
        root = static_cast<int>(nodes.size()) - 1;
        list[first] = root;
        list[second] = -1;
    }
    return root;
}

}  // namespace

const char kTransportAlphabet[65] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ1234567890-_";

bool TransportEncode(std::string_view text, std::string& out)
{
    if (text.empty())
        return false;
    try {
        std::array<uint64_t, 256> counts{};
        for (unsigned char c : text)
            ++counts[c];
        bool present[256] = {};
        int distinct = 0;
        int only = 0;
        for (int v = 0; v < 256; ++v) {
            if (counts[v]) {
                present[v] = true;
                ++distinct;
                only = v;
            }
        }
        if (distinct == 1)
            present[only == 255 ? 254 : only + 1] = true;  // second leaf, count 0

        std::vector<Node> nodes;
        nodes.reserve(511);
        const int root = BuildTree(counts, present, nodes);

        // Codes from the root: child 0 appends a 1 bit, child 1 a 0 bit. Pre-order walk
        // with an explicit stack; the tree bits are counted on the way.
        std::array<Code, 256> codes{};
        uint64_t treeBits = 0;
        struct Item {
            int node;
            Code code;
        };
        std::vector<Item> stack;
        stack.push_back(Item{root, Code{}});
        while (!stack.empty()) {
            Item it = stack.back();
            stack.pop_back();
            const Node& n = nodes[it.node];
            if (n.child0 < 0) {
                codes[n.value] = it.code;
                treeBits += 9;
                continue;
            }
            treeBits += 1;
            Code c0 = it.code;
            Code c1 = it.code;
            const unsigned pos = it.code.length;  // below 255 in any tree of 256 leaves
            c0.words[pos / 64] |= uint64_t{1} << (63 - pos % 64);
            c0.length = c1.length = pos + 1;
            stack.push_back(Item{n.child1, c1});
            stack.push_back(Item{n.child0, c0});
        }

        // First pass: the size of the output.
        uint64_t bits = treeBits;
        for (int v = 0; v < 256; ++v)
            bits += counts[v] * codes[v].length;
        const uint64_t chars = bits / 6 + 2;
        if (chars > out.max_size())
            return false;

        // Second pass: the tree in pre-order, then the codes of the text.
        std::string result;
        result.reserve(static_cast<size_t>(chars) + 1);
        SixBitWriter w(result);
        std::vector<int> walk{root};
        while (!walk.empty()) {
            const Node& n = nodes[walk.back()];
            walk.pop_back();
            if (n.child0 < 0) {
                w.Put(0x100u | n.value, 9);
            } else {
                w.Put(0, 1);
                walk.push_back(n.child1);
                walk.push_back(n.child0);
            }
        }
        for (unsigned char c : text)
            PutCode(w, codes[c]);
        w.Finish();
        out.swap(result);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

namespace {

// Reads the bits of the carrying characters, most significant first.
class BitReader {
public:
    BitReader(const unsigned char* chars, size_t fullChars, unsigned lastBits)
        : m_chars(chars), m_total(fullChars * 6 + lastBits)
    {
    }

    size_t Left() const { return m_total - m_pos; }
    size_t Pos() const { return m_pos; }
    size_t Total() const { return m_total; }

    // Callers check Left() first.
    unsigned Bit()
    {
        const unsigned v = static_cast<unsigned>(kReverse.index[m_chars[m_pos / 6]]);
        const unsigned bit = (v >> (5 - m_pos % 6)) & 1u;
        ++m_pos;
        return bit;
    }

private:
    const unsigned char* m_chars;
    size_t m_total;
    size_t m_pos = 0;
};

// Decoder tree: node i has children child[i][0] (bit 1) and child[i][1] (bit 0), or is a leaf
// (child[i][0] < 0) with its byte in value[i].
struct DecodeTree {
    std::vector<std::array<int32_t, 2>> child;
    std::vector<unsigned char> value;
};

bool ReadTree(BitReader& r, DecodeTree& t)
{
    if (r.Left() == 0 || r.Bit() != 0)
        return false;  // the root is always an internal node
    t.child.push_back({-1, -1});
    t.value.push_back(0);
    // Pending child slots, deepest last: (node, which child).
    std::vector<std::pair<int32_t, int>> slots{{0, 1}, {0, 0}};
    while (!slots.empty()) {
        const auto [parent, which] = slots.back();
        slots.pop_back();
        if (r.Left() == 0)
            return false;
        const int32_t id = static_cast<int32_t>(t.child.size());
        t.child[parent][which] = id;
        if (r.Bit() == 0) {
            t.child.push_back({-1, -1});
            t.value.push_back(0);
            // Child 0 is read before child 1.
            slots.push_back({id, 1});
            slots.push_back({id, 0});
        } else {
            if (r.Left() < 8)
                return false;
            unsigned v = 0;
            for (int i = 0; i < 8; ++i)
                v = (v << 1) | r.Bit();
            t.child.push_back({-1, -1});
            t.value.push_back(static_cast<unsigned char>(v));
        }
    }
    return true;
}

}  // namespace

bool TransportDecode(std::string_view encoded, std::string& out)
{
    const size_t len = encoded.size();
    if (len == 0)
        return false;
    const auto* chars = reinterpret_cast<const unsigned char*>(encoded.data());
    const int k = kReverse.index[chars[len - 1]];
    if (k < 0 || k > 6)
        return false;
    for (size_t i = 0; i + 1 < len; ++i)
        if (kReverse.index[chars[i]] < 0)
            return false;
    if (len == 1)
        return false;  // no carrying character: no tree
    try {
        BitReader r(chars, len - 2, static_cast<unsigned>(k));
        DecodeTree t;
        if (!ReadTree(r, t))
            return false;
        // The data, a character at a time: a 1 bit goes to child 0, a 0 bit to child 1.
        std::string result;
        result.reserve(len);
        int32_t node = 0;
        const size_t total = r.Total();
        size_t pos = r.Pos();
        while (pos < total) {
            const unsigned v = static_cast<unsigned>(kReverse.index[chars[pos / 6]]);
            const unsigned offset = static_cast<unsigned>(pos % 6);
            const size_t left = total - pos;
            const unsigned count = left < 6 - offset ? static_cast<unsigned>(left) : 6 - offset;
            for (unsigned b = 0; b < count; ++b) {
                node = t.child[node][((v >> (5 - offset - b)) & 1u) ? 0 : 1];
                if (t.child[node][0] < 0) {
                    result.push_back(static_cast<char>(t.value[node]));
                    node = 0;
                }
            }
            pos += count;
        }
        out.swap(result);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

}  // namespace netcourier
