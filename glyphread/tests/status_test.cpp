// Engine status texts and the status check of the library, with file names of the test's own
// standing in for the engine's file-name queries.
#include "enginestatus.h"
#include "errorlog.h"
#include "lxtest.h"
#include "textract.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

extern "C" {
const char* WINAPI EnginePatternFileName(void) { return "C:\\base\\patterns.tpb"; }
const char* WINAPI EngineBitmapFileName(void) { return "shot.bmp"; }
const char* WINAPI EngineFileNameA(void) { return "first-a.dat"; }
const char* WINAPI EngineFileNameB(void) { return "second-b.dat"; }
}

namespace {

// Lines of a log file without their time stamps ("mm/dd/yy HH:MM:SS  ").
std::vector<std::string> LogLines(const std::string& path)
{
    const std::string text = lxtest::ReadFileBytes(path);
    std::vector<std::string> lines;
    size_t at = 0;
    for (size_t end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2) {
        std::string line = text.substr(at, end - at);
        lines.push_back(line.size() >= 19 ? line.substr(19) : line);
    }
    return lines;
}

}  // namespace

TEST(Status, EveryCodeHasItsText)
{
    EXPECT_EQ(EngineStatusText(-1000), "User rejected the operation");
    EXPECT_EQ(EngineStatusText(-999), "Incorrect argument");
    EXPECT_EQ(EngineStatusText(-998),
              "Incorrect BMP file\nOnly 1, 4, 8, 16, 24, 32 bpp Windows BMP files are supported");
    EXPECT_EQ(EngineStatusText(-997), "Rectangle is out of window");
    EXPECT_EQ(EngineStatusText(-996), "File first-a.dat not found");
    EXPECT_EQ(EngineStatusText(-995),
              "Font pattern base file C:\\base\\patterns.tpb not found\n\nClick \"Build font "
              "pattern database...\" button for building it");
    EXPECT_EQ(EngineStatusText(-994), "Bitmap file shot.bmp not found");
    EXPECT_EQ(EngineStatusText(-993), "File second-b.dat not found");
    EXPECT_EQ(EngineStatusText(-992), "Initialization failed");
    EXPECT_EQ(EngineStatusText(-991), "Termination failed");
    EXPECT_EQ(EngineStatusText(-986), "Internal error");
    for (int unknown : {-990, -989, -988, -987, -985, -1001, -5, -1})
        EXPECT_EQ(EngineStatusText(unknown), "<unknown>") << unknown;
    EXPECT_EQ(EngineErrorMessage(-992, "Initialization failed"),
              "Textract error -992:\n\nInitialization failed\n");
}

TEST(Status, CheckWritesTwoLinesAndThreeForMissingPatterns)
{
    const std::string dir = lxtest::FreshDir("glyphread_status");
    CreateDirectoryA((dir + "\\Logs").c_str(), nullptr);
    const std::string path = dir + "\\Logs\\LxpOCR.log";
    CErrorLog log(path, 1000, 1);

    EXPECT_TRUE(CheckEngineStatus(0, log));
    EXPECT_TRUE(CheckEngineStatus(7, log));
    EXPECT_TRUE(LogLines(path).empty());

    EXPECT_FALSE(CheckEngineStatus(-995, log));
    std::vector<std::string> lines = LogLines(path);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "No Existing pattern for OCR.");
    const std::string text = EngineStatusText(-995);
    EXPECT_EQ(lines[1], "AErrorIf code message returned: " + text + "\n");
    EXPECT_EQ(lines[2], "Textract error -995:\n\n" + text + "\n");

    for (int status : {-1000, -996, -993, -986, -990, -5}) {
        const size_t before = LogLines(path).size();
        EXPECT_FALSE(CheckEngineStatus(status, log));
        lines = LogLines(path);
        ASSERT_EQ(lines.size(), before + 2) << status;
        EXPECT_EQ(lines[before],
                  "AErrorIf code message returned: " + EngineStatusText(status) + "\n");
        EXPECT_EQ(lines[before + 1], EngineErrorMessage(status, EngineStatusText(status)));
    }
    EXPECT_EQ(lines.back(), "Textract error -5:\n\n<unknown>\n");
}
