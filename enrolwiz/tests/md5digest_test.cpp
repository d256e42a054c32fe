#include "md5digest.h"

#include <gtest/gtest.h>

TEST(Md5Digest, Rfc1321TestSuite)
{
    EXPECT_EQ(Md5Digest(""), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(Md5Digest("a"), "0cc175b9c0f1b6a831c399e269772661");
    EXPECT_EQ(Md5Digest("abc"), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(Md5Digest("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
    EXPECT_EQ(Md5Digest("abcdefghijklmnopqrstuvwxyz"), "c3fcd3d76192e4007dfb496cca67e13b");
    EXPECT_EQ(Md5Digest("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"),
              "d174ab98d277d9f5a5611c2c9f419d9f");
    EXPECT_EQ(Md5Digest("1234567890123456789012345678901234567890123456789012345678901234567890"
                        "1234567890"),
              "57edf4a22be3c955ac49da2e2107b67a");
}

TEST(Md5Digest, BinaryInputAndLeadingZeroBytes)
{
    const std::string bytes("\0\xff\x80", 3);
    const std::string d = Md5Digest(bytes.data(), bytes.size());
    ASSERT_EQ(d.size(), 32u);
    EXPECT_EQ(d.find_first_not_of("0123456789abcdef"), std::string::npos);
    EXPECT_NE(d, Md5Digest(""));  // the NUL byte counts
    // A zero byte is written "00", never shortened.
    EXPECT_EQ(Md5Digest("lx745"), "00735a8156554a7427944a456e2a3891");
}
