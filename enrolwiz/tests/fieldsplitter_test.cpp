#include "fieldsplitter.h"
#include "lxtest.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<std::string> Fields(const CFieldSplitter& s)
{
    std::vector<std::string> v;
    for (unsigned i = 0; i < s.GetCount(); ++i)
        v.push_back(s.GetField(i));
    return v;
}

std::vector<std::string> SplitOnce(const std::string& text, const std::string& sep = "|")
{
    CFieldSplitter s;
    s.Split(text, sep);
    return Fields(s);
}

using V = std::vector<std::string>;

}  // namespace

TEST(FieldSplitter, SeparatorsBlanksAndEmptyFields)
{
    EXPECT_EQ(SplitOnce("a|b|"), (V{"a", "b"}));
    EXPECT_EQ(SplitOnce("a|b"), (V{"a", "b"}));
    EXPECT_EQ(SplitOnce(" a | b "), (V{"a", "b"}));
    EXPECT_EQ(SplitOnce("\t a\t|\r\nb \r\n"), (V{"a", "b"}));
    EXPECT_EQ(SplitOnce("|a"), (V{"", "a"}));
    EXPECT_EQ(SplitOnce("x|"), (V{"x"}));
    EXPECT_EQ(SplitOnce("|"), (V{""}));
    EXPECT_EQ(SplitOnce("a;b", ","), (V{"a;b"}));
    EXPECT_EQ(SplitOnce("a, b ,c", ","), (V{"a", "b", "c"}));

    CFieldSplitter s;
    EXPECT_TRUE(s.Split("a||b", "|"));
    EXPECT_EQ(Fields(s), (V{"a", "", "b"}));
    EXPECT_EQ(s.GetField(3), "");
    EXPECT_EQ(s.GetField(100000), "");
    EXPECT_EQ(s.GetNormalisedText(), "a||b|");

    CFieldSplitter blank;
    EXPECT_FALSE(blank.Split("", "|"));
    EXPECT_EQ(blank.GetCount(), 0u);
}

TEST(FieldSplitter, FirstFieldStatusRule)
{
    EXPECT_EQ(SplitOnce("200.05|x"), (V{"5", "x"}));
    EXPECT_EQ(SplitOnce("404.12|"), (V{"12"}));
    EXPECT_EQ(SplitOnce("100.00"), (V{"0"}));
    EXPECT_EQ(SplitOnce("150.123|a"), (V{"12", "a"}));  // at most two characters after the dot
    EXPECT_EQ(SplitOnce(" 200.7 |a"), (V{"7", "a"}));
    EXPECT_EQ(SplitOnce("99.5|x"), (V{"99.5", "x"}));
    EXPECT_EQ(SplitOnce("12.5"), (V{"12.5"}));
    EXPECT_EQ(SplitOnce("1.2.3|x"), (V{"1.2.3", "x"}));
    EXPECT_EQ(SplitOnce("200.1.3|x"), (V{"200.1.3", "x"}));
    EXPECT_EQ(SplitOnce("abc.12|x"), (V{"abc.12", "x"}));
    // Only the field at the very start of the text is concerned.
    EXPECT_EQ(SplitOnce("0|200.05|404.12"), (V{"0", "200.05", "404.12"}));
    EXPECT_EQ(SplitOnce("|200.05"), (V{"", "200.05"}));
    // Plain status codes pass as they are.
    EXPECT_EQ(SplitOnce("16|Jane|Doe"), (V{"16", "Jane", "Doe"}));
}

TEST(FieldSplitter, SplitsAppendToEarlierFields)
{
    CFieldSplitter s;
    EXPECT_TRUE(s.Split("a|b", "|"));
    EXPECT_TRUE(s.Split("200.05|c", "|"));  // the rule applies to each split's own first field
    EXPECT_EQ(Fields(s), (V{"a", "b", "5", "c"}));
    EXPECT_EQ(s.GetNormalisedText(), "200.05|c|");
    s.Clear();
    EXPECT_EQ(s.GetCount(), 0u);
    EXPECT_EQ(s.GetNormalisedText(), "");
}

TEST(FieldSplitter, LoadFileJoinsLines)
{
    const std::string dir = lxtest::FreshDir("fieldsplitter_load");
    const std::string file = dir + "\\server.lst";
    // Longer than one 999-byte read, lines joined without separators of their own.
    std::string text = " srv1.example|\r\nsrv2.example|\nsrv3.\r\nexample|";
    std::string pad(1500, 'p');
    text += pad + "|\r\n  \r\n";
    ASSERT_TRUE(lxtest::WriteFileBytes(file, text));
    CFieldSplitter s;
    s.LoadFile(file);
    EXPECT_EQ(Fields(s), (V{"srv1.example", "srv2.example", "srv3.example", pad}));
}

LXTEST_CHILD(load_missing_list)
{
    CFieldSplitter s;
    s.LoadFile(argv[0]);
    return 7;  // never reached: a missing list ends the process with 0
}

TEST(FieldSplitter, MissingListFileIsLoggedAndEndsTheProcessWithZero)
{
    // The child runs in the folder with its own logs\ErrorLog.log (the program-wide log).
    const std::string dir = lxtest::FreshDir("fieldsplitter_missing");
    ASSERT_TRUE(CreateDirectoryA((dir + "\\logs").c_str(), nullptr));
    const std::string log = dir + "\\logs\\ErrorLog.log";
    EXPECT_EQ(lxtest::RunChild("load_missing_list", ".\\data\\port.lst", 60000, dir), 0);
    const std::string text = lxtest::ReadFileBytes(log);
    EXPECT_NE(text.find(" -- CFieldSplitter::LoadFile() -- Cannot open the list file .\\data\\port.lst\r\n"),
              std::string::npos)
        << text;

    ASSERT_TRUE(CreateDirectoryA((dir + "\\data").c_str(), nullptr));
    ASSERT_TRUE(lxtest::WriteFileBytes(dir + "\\data\\port.lst", "80|8080"));
    EXPECT_EQ(lxtest::RunChild("load_missing_list", ".\\data\\port.lst", 60000, dir), 7);
    EXPECT_EQ(lxtest::ReadFileBytes(log), text) << "a list that opens is not logged";
}
