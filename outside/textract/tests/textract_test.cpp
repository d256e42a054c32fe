// Tests of the text-extraction engine through its exports, on text drawn in real windows.
#include "textract.h"
#include "textwindow.h"

#include <gtest/gtest.h>
#include <lxtest.h>

#include <cstddef>
#include <string>
#include <vector>

using textract_test::TextRun;
using textract_test::TextWindow;

namespace {

// The item and result records are the vendor's 32-bit layout, byte for byte.
#ifndef _WIN64
static_assert(sizeof(TextractItem) == 26, "26-byte items");
static_assert(offsetof(TextractItem, x) == 4 && offsetof(TextractItem, y) == 6, "x, y");
static_assert(offsetof(TextractItem, pszFontName) == 10, "font name pointer");
static_assert(offsetof(TextractItem, chCode) == 14 && offsetof(TextractItem, nPitch) == 19,
              "code, pitch");
static_assert(sizeof(TextractResult) == 12 && offsetof(TextractResult, AreaSize) == 8,
              "result record");
#endif

std::string g_patternFile;

// Every test of this program uses a pattern base of its own in a scratch folder, built once.
class EngineEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        const std::string dir = lxtest::FreshDir("textract");
        g_patternFile = dir + "\\FontBase.tpb";
        SetEnvironmentVariableA("TEXTRACT_PATTERN_FILE", g_patternFile.c_str());
        ASSERT_EQ(EngineInit(), 0);
        ASSERT_EQ(EngineBuildPatterns(), 0);
    }
    void TearDown() override { EngineTerminate(); }
};
const auto* const g_env = ::testing::AddGlobalTestEnvironment(new EngineEnvironment);

struct Items {
    int status = 0;
    std::vector<TextractItem> items;
};

Items Recognize(const RECT& r, int flags = TEXTRACT_FLAGS_WORDS)
{
    TextractRequest req = {0, 0, r.left, r.top, r.right, r.bottom};
    TextractResult res = {0, nullptr, 0};
    Items out;
    out.status = EngineRecognizeArea(&req, &res, flags);
    const LONG n = res.AreaSize / TEXTRACT_ITEM_SIZE;
    for (LONG i = 0; i < n; ++i)
        out.items.push_back(res.pItems[i]);
    EngineFreeResult(&res);
    EXPECT_EQ(res.pItems, nullptr);
    return out;
}

// Text of the items: characters, spaces, "\n" at every end of line.
std::string TextOf(const std::vector<TextractItem>& items)
{
    std::string s;
    for (const TextractItem& it : items) {
        if (it.nKind == TEXTRACT_ITEM_CHAR || it.nKind == TEXTRACT_ITEM_SPACE)
            s += (char)it.chCode;
        else if (it.nKind == TEXTRACT_ITEM_LINE_END)
            s += '\n';
    }
    return s;
}

RECT Grow(RECT r, int by)
{
    r.left -= by;
    r.top -= by;
    r.right += by;
    r.bottom += by;
    return r;
}

class TextractTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_win.Create(40, 60, 900, 600, RGB(255, 255, 255)));
    }
    TextWindow m_win;
};

TEST_F(TextractTest, ReadsWordsInEveryFontSizeAndWeight)
{
    const char* faces[] = {"Tahoma", "Arial", "Times New Roman", "Courier New",
                           "Liberation Serif", "Liberation Mono"};
    const char* texts[] = {"Quick brown fox", "jumps over the lazy dog", "Pack my BOX with 5 jugs",
                           "Wizard of Help", "Edit View Tools"};
    int y = 4, n = 0;
    std::vector<size_t> runs;
    for (const char* face : faces) {
        for (int pitch = 8; pitch <= 14; pitch += 2) {
            for (int bold = 0; bold < 2; ++bold) {
                TextRun run;
                run.face = face;
                run.pitch = pitch;
                run.bold = bold != 0;
                run.x = 6 + (n % 2) * 440;
                run.y = y;
                run.text = texts[n % 5];
                runs.push_back(m_win.AddRun(run));
                if (n % 2)
                    y += 26;
                ++n;
            }
        }
    }
    m_win.Show();
    lxtest::SaveWindowPng(m_win.Hwnd(), "textract_fonts");
    for (size_t i : runs) {
        const TextRun& run = m_win.Run(i);
        const RECT r = m_win.RunScreenRect(i);
        const Items got = Recognize(Grow(r, 1));
        ASSERT_EQ(got.status, 0);
        SCOPED_TRACE(run.face + " " + std::to_string(run.pitch) + (run.bold ? " bold" : ""));
        EXPECT_EQ(TextOf(got.items), run.text + "\n");
        // Structure: line start, font change, characters and spaces, end of line.
        ASSERT_GE(got.items.size(), 3u);
        EXPECT_EQ(got.items.front().nKind, TEXTRACT_ITEM_LINE_START);
        EXPECT_EQ(got.items[1].nKind, TEXTRACT_ITEM_FONT_CHANGE);
        EXPECT_EQ(got.items.back().nKind, TEXTRACT_ITEM_LINE_END);
        size_t ci = 0;
        for (const TextractItem& it : got.items) {
            if (it.nKind == TEXTRACT_ITEM_SPACE)
                ++ci;
            if (it.nKind != TEXTRACT_ITEM_CHAR)
                continue;
            EXPECT_STREQ(TextractItemFontName(&it), m_win.RealFace(i).c_str());
            EXPECT_EQ(it.nPitch, run.pitch);
            EXPECT_EQ(it.bBold, run.bold ? 1 : 0);
            // Cells are where GDI drew the characters (some renderers lay a string out at
            // fractional advances, so a cell may sit a little left of the sum of the
            // characters' whole-pixel widths).
            if (ci < run.text.size()) {
                const int expected = m_win.CharScreenX(i, ci);
                EXPECT_LE(r.left - 1 + it.x, expected + 1) << (char)it.chCode;
                EXPECT_GE(r.left - 1 + it.x, expected - 1 - (int)ci / 4) << (char)it.chCode;
                EXPECT_EQ(r.top - 1 + it.y, r.top);
            }
            ++ci;
        }
    }
}
}  // namespace
