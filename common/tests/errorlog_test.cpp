#include "errorlog.h"
#include "lxtest.h"

#include <gtest/gtest.h>

#include <regex>

namespace {

const std::regex kOneText(R"(\d\d/\d\d/\d\d \d\d:\d\d:\d\d  (.*)\r\n)");
const std::regex kTwoText(R"(\d\d/\d\d/\d\d \d\d:\d\d:\d\d -- (.*) -- (.*)\r\n)");

std::string LogsDir(const std::string& test)
{
    const std::string dir = lxtest::FreshDir(test);
    CreateDirectoryA((dir + "\\logs").c_str(), nullptr);
    return dir;
}

}  // namespace

TEST(ErrorLog, LinesByteForByte)
{
    const std::string dir = LogsDir("errorlog_lines");
    lxtest::CurrentDir cd(dir);
    {
        CErrorLog log(".\\logs\\ErrorLog.log", 1000, 1);
        ASSERT_TRUE(log.IsOpen());
        log.Write("CConnectionCheck::ConnectToServer(): No Internet Connection.");
        log.Write("CCommClientWrapper::CCommClientWrapper()", "<Invoke>");
        log.Write("", "<End>");  // empty first text: nothing
        log.Write("");
        log.Write("x", "");
    }
    const std::string text = lxtest::ReadFileBytes(dir + "\\logs\\ErrorLog.log");
    std::smatch m;
    const size_t first = text.find("\r\n") + 2;
    const std::string l1 = text.substr(0, first);
    ASSERT_TRUE(std::regex_match(l1, m, kOneText)) << l1;
    EXPECT_EQ(m[1], "CConnectionCheck::ConnectToServer(): No Internet Connection.");
    const size_t second = text.find("\r\n", first) + 2;
    const std::string l2 = text.substr(first, second - first);
    ASSERT_TRUE(std::regex_match(l2, m, kTwoText)) << l2;
    EXPECT_EQ(m[1], "CCommClientWrapper::CCommClientWrapper()");
    EXPECT_EQ(m[2], "<Invoke>");
    const std::string l3 = text.substr(second);
    ASSERT_TRUE(std::regex_match(l3, m, kTwoText)) << l3;
    EXPECT_EQ(m[1], "x");
    EXPECT_EQ(m[2], "");

    // The stamp is the local time of the write, in "%m/%d/%y %H:%M:%S".
    SYSTEMTIME t;
    GetLocalTime(&t);
    char day[16];
    snprintf(day, sizeof day, "%02u/%02u/%02u ", t.wMonth, t.wDay, t.wYear % 100u);
    EXPECT_EQ(text.substr(0, 9), day);
}

TEST(ErrorLog, SizeRuleEmptiesOnceThenAppendsWithoutLimit)
{
    const std::string dir = LogsDir("errorlog_size");
    const std::string path = dir + "\\logs\\ErrorLog.log";
    ASSERT_TRUE(lxtest::WriteFileBytes(path, std::string(1023990, 'x')));
    {
        CErrorLog log(path, 0, 1);  // 0 means 1000 KB
        EXPECT_EQ(log.SizeLimit(), 1024000UL);
        log.Write("a");  // 17 + 2 + 1 + 2 = 22 bytes: 1,024,012 > limit -> emptied
        EXPECT_EQ(lxtest::ReadFileBytes(path).size(), 0u);
        log.Write("b");  // starts at offset 0
        const std::string after = lxtest::ReadFileBytes(path);
        EXPECT_EQ(after.size(), 22u);
        EXPECT_EQ(after.substr(17), "  b\r\n");
    }
    // Exactly at the limit is not past it; disarmed objects never empty the file again.
    ASSERT_TRUE(lxtest::WriteFileBytes(path, std::string(1024 * 2 - 22, 'x')));
    {
        CErrorLog log(path, 2, 1);
        log.Write("c");
        EXPECT_EQ(lxtest::ReadFileBytes(path).size(), 2048u);
        log.Write("d");
        EXPECT_EQ(lxtest::ReadFileBytes(path).size(), 0u);
        for (int i = 0; i < 200; ++i)
            log.Write("grows without limit now");
        EXPECT_GT(lxtest::ReadFileBytes(path).size(), 2048u);
    }
    // The file emptied is the one the object writes, even after a change of directory: a
    // file of the same relative name elsewhere is left alone.
    const std::string other = LogsDir("errorlog_size_other");
    const std::string otherPath = other + "\\logs\\ErrorLog.log";
    ASSERT_TRUE(lxtest::WriteFileBytes(otherPath, "someone else's log"));
    ASSERT_TRUE(lxtest::WriteFileBytes(path, std::string(1024, 'x')));
    {
        lxtest::CurrentDir inLog(dir);
        CErrorLog log(".\\logs\\ErrorLog.log", 1, 1);
        lxtest::CurrentDir elsewhere(other);
        log.Write("f");
        EXPECT_EQ(lxtest::ReadFileBytes(path).size(), 0u);
        EXPECT_EQ(lxtest::ReadFileBytes(otherPath), "someone else's log");
        for (int i = 0; i < 60; ++i)
            log.Write("g");  // disarmed
        EXPECT_EQ(lxtest::ReadFileBytes(path).size(), 60u * 22u);
    }
    {
        CErrorLog unarmed(path, 1, 0);
        const size_t before = lxtest::ReadFileBytes(path).size();
        unarmed.Write("e");
        EXPECT_EQ(lxtest::ReadFileBytes(path).size(), before + 22);
    }
}

TEST(ErrorLog, SeveralObjectsAppendWithoutOverwriting)
{
    const std::string dir = LogsDir("errorlog_shared");
    lxtest::CurrentDir cd(dir);
    {
        CErrorLog a(".\\logs\\ErrorLog.log", 1000, 1);
        CErrorLog b(".\\Logs\\ErrorLog.log", 1000, 1);  // same file, other spelling
        ASSERT_TRUE(a.IsOpen());
        ASSERT_TRUE(b.IsOpen());
        for (int i = 0; i < 50; ++i) {
            a.Write("A", std::to_string(i));
            b.Write("B", std::to_string(i));
        }
    }
    // A child process appends to the same file too.
    EXPECT_EQ(lxtest::RunChild("errorlog_writer", "", 20000, dir), 0);
    const std::string text = lxtest::ReadFileBytes(dir + "\\logs\\ErrorLog.log");
    size_t lines = 0, pos = 0;
    std::smatch m;
    while (pos < text.size()) {
        const size_t end = text.find("\r\n", pos);
        ASSERT_NE(end, std::string::npos);
        const std::string line = text.substr(pos, end + 2 - pos);
        EXPECT_TRUE(std::regex_match(line, kTwoText)) << line;
        ++lines;
        pos = end + 2;
    }
    EXPECT_EQ(lines, 110u);
}

LXTEST_CHILD(errorlog_writer)
{
    CErrorLog c(".\\logs\\ErrorLog.log", 1000, 1);
    for (int i = 0; i < 10; ++i)
        c.Write("C", std::to_string(i));
    return c.IsOpen() ? 0 : 1;
}

TEST(ErrorLog, NoLogsDirectoryMeansNoFileAndNoFailure)
{
    const std::string dir = lxtest::FreshDir("errorlog_nodir");
    lxtest::CurrentDir cd(dir);
    CErrorLog log(".\\logs\\ErrorLog.log", 1000, 1);
    EXPECT_FALSE(log.IsOpen());
    log.Write("nothing");
    log.Write("nothing", "<Invoke>");
    EXPECT_FALSE(lxtest::FileExists(dir + "\\logs"));
    CErrorLog empty("", 1000, 1);
    EXPECT_FALSE(empty.IsOpen());
    empty.Write("nothing");
}
