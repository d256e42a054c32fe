#include "transportcodec.h"

#include "fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <random>

using netcourier::TransportDecode;
using netcourier::TransportEncode;

namespace {

std::string Enc(const std::string& text)
{
    std::string out;
    EXPECT_TRUE(TransportEncode(text, out)) << text;
    return out;
}

// Packs a bit string ("0101...") the way the transport writes it: six bits a character,
// then the pending bits and their count.
std::string Pack(const std::string& bits)
{
    const char* alphabet = netcourier::kTransportAlphabet;
    std::string out;
    size_t i = 0;
    for (; i + 6 <= bits.size(); i += 6)
        out.push_back(alphabet[std::stoi(bits.substr(i, 6), nullptr, 2)]);
    std::string rest = bits.substr(i);
    const size_t pending = rest.size();
    rest.resize(6, '0');
    out.push_back(alphabet[std::stoi(rest, nullptr, 2)]);
    out.push_back(alphabet[pending]);
    return out;
}

std::string Bits8(unsigned v)
{
    std::string s;
    for (int i = 7; i >= 0; --i)
        s.push_back(((v >> i) & 1) ? '1' : '0');
    return s;
}

bool RoundTrips(const std::string& text, std::string* why)
{
    std::string enc, dec;
    if (!TransportEncode(text, enc)) {
        *why = "encode failed";
        return false;
    }
    for (unsigned char c : enc)
        if (!std::strchr(netcourier::kTransportAlphabet, c) || c == 0) {
            *why = "character outside the alphabet in " + enc;
            return false;
        }
    if (!TransportDecode(enc, dec)) {
        *why = "decode failed for " + enc;
        return false;
    }
    if (dec != text) {
        *why = "decoded text differs";
        return false;
    }
    return true;
}

}  // namespace

TEST(TransportCodec, WorkedExampleAndAlphabet)
{
    EXPECT_EQ(Enc("aab"), "wkWKe");
    std::string dec;
    ASSERT_TRUE(TransportDecode("wkWKe", dec));
    EXPECT_EQ(dec, "aab");
    EXPECT_STREQ(netcourier::kTransportAlphabet,
                 "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ1234567890-_");
    // Two equal counts: the earlier leaf is "first" and becomes child 0 (code 1).
    // Tree 0, leaf a, leaf b; data a=1, b=0.
    EXPECT_EQ(Enc("ab"), Pack("0" "1" + Bits8('a') + "1" + Bits8('b') + "10"));
    // Three leaves: b (1) and c (1) join first, in byte order; then a (3) and that node (2):
    // "first" is the node (lighter), so root child 0 = node, child 1 = a.
    EXPECT_EQ(Enc("aaabc"), Pack("0" "0" "1" + Bits8('b') + "1" + Bits8('c') + "1" + Bits8('a') +
                                 "0" "0" "0" "11" "10"));
}

TEST(TransportCodec, OneValueGetsAZeroCountPartner)
{
    // "zz": leaves z (2) and { (0); "first" is { (lighter) -> code 1, z -> code 0.
    EXPECT_EQ(Enc("zz"), Pack("0" "1" + Bits8('{') + "1" + Bits8('z') + "00"));
    // 255 alone takes 254 as its partner.
    EXPECT_EQ(Enc("\xff\xff\xff"), Pack("0" "1" + Bits8(254) + "1" + Bits8(255) + "000"));
    std::string dec;
    ASSERT_TRUE(TransportDecode(Enc("\xff"), dec));
    EXPECT_EQ(dec, "\xff");
    ASSERT_TRUE(TransportDecode(Enc(std::string(1000, 'q')), dec));
    EXPECT_EQ(dec, std::string(1000, 'q'));
}

TEST(TransportCodec, BitCountDivisibleBySixEndsInAa)
{
    // "aaaab": 19 tree bits and 5 data bits = 24 = 4 full characters, then "a" "a".
    const std::string e = Enc("aaaab");
    EXPECT_EQ(e.size(), 6u);
    EXPECT_EQ(e.substr(4), "aa");
    std::string dec;
    ASSERT_TRUE(TransportDecode(e, dec));
    EXPECT_EQ(dec, "aaaab");
    // And the count character follows the pending bits otherwise: 22 bits -> 4 pending.
    EXPECT_EQ(Enc("aab").back(), 'e');
}

TEST(TransportCodec, RoundTripEveryLengthAndByteMix)
{
    std::mt19937 rng(20261207);
    std::string why;
    // Every length 1..300 with bytes 1..255 at random.
    for (int n = 1; n <= 300; ++n) {
        std::string text;
        for (int i = 0; i < n; ++i)
            text.push_back(static_cast<char>(1 + rng() % 255));
        ASSERT_TRUE(RoundTrips(text, &why)) << "length " << n << ": " << why;
    }
    // Every mix of the byte values 1..m, m = 1..255, with skewed counts.
    for (int m = 1; m <= 255; ++m) {
        std::string text;
        for (int v = 1; v <= m; ++v)
            text.append(1 + rng() % (v % 7 + 1), static_cast<char>(v));
        std::shuffle(text.begin(), text.end(), rng);
        ASSERT_TRUE(RoundTrips(text, &why)) << "mix of " << m << ": " << why;
        // Each single byte value on its own, too.
        ASSERT_TRUE(RoundTrips(std::string(1 + m % 3, static_cast<char>(m)), &why))
            << "value " << m << ": " << why;
    }
    // Zero bytes inside the text survive as well (the codec itself has no terminator).
    ASSERT_TRUE(RoundTrips(std::string("a\0b\0\0c", 6), &why)) << why;
}

TEST(TransportCodec, CodesLongerThanThirtyTwoBits)
{
    // Fibonacci counts give the deepest tree: 34 values make codes of 33 bits.
    std::string text;
    uint64_t a = 1, b = 1;
    for (int v = 0; v < 34; ++v) {
        text.append(static_cast<size_t>(a), static_cast<char>('!' + v));
        const uint64_t c = a + b;
        a = b;
        b = c;
    }
    std::mt19937 rng(7);
    std::shuffle(text.begin(), text.begin() + 2000, rng);
    std::string why;
    EXPECT_TRUE(RoundTrips(text, &why)) << why;
}

TEST(TransportCodec, DecodeFailures)
{
    std::string out = "unchanged";
    EXPECT_FALSE(TransportDecode("", out));
    EXPECT_FALSE(TransportEncode("", out));
    EXPECT_EQ(out, "unchanged");

    const std::string good = Enc("LXK;2.0;15;3;104;|someone@example.org|en|");
    ASSERT_TRUE(TransportDecode(good, out));
    // A carrying character outside the alphabet: space, '+', '=', bytes from 128 upward.
    for (char bad : {' ', '+', '=', '\x80', '\xff', '.'}) {
        std::string e = good;
        e[3] = bad;
        EXPECT_FALSE(TransportDecode(e, out)) << static_cast<int>(bad);
    }
    // The count character outside the alphabet, or above six.
    EXPECT_FALSE(TransportDecode(good.substr(0, good.size() - 1) + "*", out));
    EXPECT_FALSE(TransportDecode(good.substr(0, good.size() - 1) + "z", out));
    // A leaf at the root: first bit 1 ("G" is 100000).
    EXPECT_FALSE(TransportDecode(Pack("1" + Bits8('x') + "0"), out));
    EXPECT_FALSE(TransportDecode("Gaa", out));
    // A tree cut off by the end of the data, at every point inside the tree of "aab".
    const std::string tree = "0" "1" + Bits8('b') + "1" + Bits8('a');
    for (size_t cut = 0; cut < tree.size(); ++cut)
        EXPECT_FALSE(TransportDecode(Pack(tree.substr(0, cut)), out)) << cut;
    // Only the count character: no bits at all.
    EXPECT_FALSE(TransportDecode("a", out));
    // The whole tree and no data decodes to the empty text (the worker then trims it).
    ASSERT_TRUE(TransportDecode(Pack(tree), out));
    EXPECT_EQ(out, "");
    // A code cut off at the end is dropped without error.
    const std::string threeLeaves = "0" "0" "1" + Bits8('b') + "1" + Bits8('c') + "1" + Bits8('a');
    ASSERT_TRUE(TransportDecode(Pack(threeLeaves + "0" "11" "1"), out));
    EXPECT_EQ(out, "ab");
}

TEST(TransportCodec, SharedVectorsWithTheAccountService)
{
    std::ifstream f(NC_CODEC_VECTORS);
    if (!f)
        GTEST_SKIP() << "no vector file " << NC_CODEC_VECTORS;
    std::string line;
    int count = 0;
    while (std::getline(f, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        const size_t tab = line.find('\t');
        ASSERT_NE(tab, std::string::npos) << line;
        const std::string input = nctest::FromHex(line.substr(0, tab));
        const std::string encoded = line.substr(tab + 1);
        std::string e, d;
        EXPECT_TRUE(TransportEncode(input, e));
        EXPECT_EQ(e, encoded) << "encode of " << line.substr(0, tab);
        EXPECT_TRUE(TransportDecode(encoded, d));
        EXPECT_EQ(d, input) << "decode of " << encoded;
        ++count;
    }
    EXPECT_GT(count, 0);
}
