// The capture's own rules over engine items, without the screen or the engine.
#include "errorlog.h"
#include "lxtest.h"
#include "ocrcore.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using glyphread::Rect;

namespace {

TextractItem Item(BYTE kind, int x, int y, char ch = 0, int pitch = 10)
{
    TextractItem it{};
    it.nKind = kind;
    it.x = static_cast<SHORT>(x);
    it.y = static_cast<SHORT>(y);
    it.chCode = static_cast<BYTE>(ch);
    it.nPitch = static_cast<BYTE>(pitch);
    return it;
}

// One line of text as the engine reports it: characters 7 pixels apart from x0, a space item
// for ' ', line start and end of line around it.
std::vector<TextractItem> Line(const std::string& text, int x0, int y, bool lineEnd = true)
{
    std::vector<TextractItem> items;
    items.push_back(Item(TEXTRACT_ITEM_LINE_START, x0, y));
    int x = x0;
    for (char c : text) {
        items.push_back(c == ' ' ? Item(TEXTRACT_ITEM_SPACE, x, y, ' ')
                                 : Item(TEXTRACT_ITEM_CHAR, x, y, c));
        items.back().cx = 7;
        x += 7;
    }
    if (lineEnd)
        items.push_back(Item(TEXTRACT_ITEM_LINE_END, x, y));
    return items;
}

int XOf(const std::string& /*text*/, size_t index, int x0)
{
    return x0 + static_cast<int>(index) * 7;
}

struct Cut {
    std::string text;
    size_t target;  // index of the target character in text
    std::string word;
};

}  // namespace

TEST(Rules, LetterSetIsLatinLettersAndZeroOne)
{
    int members = 0;
    for (int c = 1; c < 256; ++c) {
        const char ch = static_cast<char>(c);
        const bool expected = (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || ch == '0' ||
                              ch == '1';
        EXPECT_EQ(glyphread::IsWordLetter(ch), expected) << c;
        members += glyphread::IsWordLetter(ch) ? 1 : 0;
    }
    EXPECT_EQ(members, 54);
    EXPECT_FALSE(glyphread::IsWordLetter('\0'));
}

TEST(Rules, ClampingAndStripHeight)
{
    const Rect c = glyphread::ClampToScreen(Rect{-12, -5, 1030, 800}, 1024, 768);
    EXPECT_EQ(c, (Rect{0, 0, 1023, 767}));
    // A left or top of 0 stays 0; edges inside the screen are kept.
    EXPECT_EQ(glyphread::ClampToScreen(Rect{0, 0, 24, 24}, 1024, 768), (Rect{0, 0, 24, 24}));
    EXPECT_EQ(glyphread::ClampToScreen(Rect{1, 1, 1022, 766}, 1024, 768),
              (Rect{1, 1, 1022, 766}));
    EXPECT_EQ(glyphread::ClampToScreen(Rect{5, 5, 1023, 767}, 1024, 768),
              (Rect{5, 5, 1023, 767}));

    EXPECT_EQ(glyphread::StripHeightForPitch(8), 20);
    EXPECT_EQ(glyphread::StripHeightForPitch(14), 20);
    EXPECT_EQ(glyphread::StripHeightForPitch(15), 30);
    EXPECT_EQ(glyphread::StripHeightForPitch(20), 30);
    EXPECT_EQ(glyphread::StripHeightForPitch(21), 40);
    EXPECT_EQ(glyphread::StripHeightForPitch(36), 40);
    EXPECT_EQ(glyphread::Distance(10, 10, 13, 6), 7);
}

TEST(Rules, NearestLetterByCityBlockDistance)
{
    const std::string dir = lxtest::FreshDir("glyphread_rules");
    CreateDirectoryA((dir + "\\Logs").c_str(), nullptr);
    CErrorLog log(dir + "\\Logs\\LxpOCR.log", 1000, 1);

    // Request at (100, 200). '2' and '-' are nearer than any letter but are not letters.
    std::vector<TextractItem> items = {
        Item(TEXTRACT_ITEM_LINE_START, 0, 0),
        Item(TEXTRACT_ITEM_FONT_CHANGE, 0, 0),
        Item(TEXTRACT_ITEM_CHAR, 0, 0, 'a', 9),
        Item(TEXTRACT_ITEM_CHAR, 8, 2, '2', 9),
        Item(TEXTRACT_ITEM_CHAR, 9, 3, '-', 9),
        Item(TEXTRACT_ITEM_SPACE, 10, 3, ' '),
        Item(TEXTRACT_ITEM_CHAR, 14, 0, 'b', 12),  // distance |114-110| + |200-203| = 7
        Item(TEXTRACT_ITEM_CHAR, 6, 6, 'c', 14),   // |106-110| + |206-203| = 7: a tie, later
        Item(TEXTRACT_ITEM_LINE_END, 20, 0),
    };
    glyphread::NearestChar n =
        glyphread::FindCharNearestToPoint(items.data(), items.size(), 100, 200, 110, 203, log);
    EXPECT_TRUE(n.found);
    EXPECT_EQ(n.ch, 'b');
    EXPECT_EQ(n.x, 114);
    EXPECT_EQ(n.y, 200);
    EXPECT_EQ(n.pitch, 12);
    EXPECT_EQ(n.distance, 7);

    // Only separators: nothing found, the character stays "?".
    std::vector<TextractItem> none = {Item(TEXTRACT_ITEM_CHAR, 1, 1, '7'),
                                      Item(TEXTRACT_ITEM_SPACE, 8, 1, ' '),
                                      Item(TEXTRACT_ITEM_CHAR, 12, 1, '\'')};
    n = glyphread::FindCharNearestToPoint(none.data(), none.size(), 0, 0, 5, 5, log);
    EXPECT_FALSE(n.found);
    EXPECT_EQ(n.ch, '?');
    n = glyphread::FindCharNearestToPoint(nullptr, 0, 0, 0, 5, 5, log);
    EXPECT_FALSE(n.found);

    const std::string text = lxtest::ReadFileBytes(dir + "\\Logs\\LxpOCR.log");
    size_t starts = 0, ends = 0;
    for (size_t at = 0; (at = text.find("FindCharNearestToPoint() --> start invoking\r\n", at)) !=
                        std::string::npos;
         ++at)
        ++starts;
    for (size_t at = 0; (at = text.find("FindCharNearestToPoint() --> end invoking\r\n", at)) !=
                        std::string::npos;
         ++at)
        ++ends;
    EXPECT_EQ(starts, 3u);
    EXPECT_EQ(ends, 3u);
}

TEST(Rules, WordCutAtSeparators)
{
    // Strip requested at (300, 50)-(500, 70); the same before clamping.
    const Rect strip{300, 50, 500, 70};
    const int x0 = 4;
    const std::vector<Cut> cuts = {
        {"say don't stop", 5, "don"},       // apostrophe ends the word
        {"say don't stop", 8, "t"},         // and starts another
        {"well-known fact", 1, "well"},     // hyphen
        {"well-known fact", 7, "known"},
        {"ab3cd x", 0, "ab"},               // digits 2 to 9 separate
        {"ab3cd x", 4, "cd"},
        {"ab9cd x", 3, "cd"},
        {"x10y1 z", 2, "x10y1"},            // 0 and 1 are letters
        {"A.B, c", 2, "B"},                 // punctuation separates
        {"Mixed CASE", 7, "CASE"},
    };
    for (const Cut& cut : cuts) {
        const auto items = Line(cut.text, x0, 0);
        const int tx = strip.left + XOf(cut.text, cut.target, x0);
        const glyphread::WordAtTarget w =
            glyphread::CutWordAtTarget(items.data(), items.size(), strip, strip, tx, strip.top);
        EXPECT_TRUE(w.hit) << cut.text << " @" << cut.target;
        EXPECT_EQ(w.word, cut.word) << cut.text << " @" << cut.target;
        // Left: first letter's x - 1; right: last letter's x + 8 (a separator followed).
        const size_t first = cut.text.find(cut.word);
        ASSERT_NE(first, std::string::npos);
        EXPECT_EQ(w.rect.left, strip.left + XOf(cut.text, first, x0) - 1) << cut.text;
        EXPECT_EQ(w.rect.right,
                  strip.left + XOf(cut.text, first + cut.word.size() - 1, x0) + 8)
            << cut.text;
        EXPECT_EQ(w.rect.top, 51);
        EXPECT_EQ(w.rect.bottom, 67);
    }
}

TEST(Rules, WordCutAtStripEndAndWithoutHit)
{
    // The word runs to the end of the items: the right edge stays the strip's.
    const Rect strip{-60, -4, 140, 16};
    const Rect clamped{0, 0, 140, 16};
    const auto items = Line("one two", 10, 2, /*lineEnd=*/false);
    glyphread::WordAtTarget w = glyphread::CutWordAtTarget(items.data(), items.size(), clamped,
                                                           strip, 10 + 5 * 7, 2);
    EXPECT_TRUE(w.hit);
    EXPECT_EQ(w.word, "two");
    EXPECT_EQ(w.rect.left, 10 + 4 * 7 - 1);
    EXPECT_EQ(w.rect.right, 140);
    EXPECT_EQ(w.rect.top, 1);      // clamped top + 1
    EXPECT_EQ(w.rect.bottom, 13);  // clamped bottom - 3

    // A letter within 3 pixels (city block) is the target; 4 pixels is not.
    w = glyphread::CutWordAtTarget(items.data(), items.size(), clamped, strip, 10 + 1 + 1, 2 + 1);
    EXPECT_TRUE(w.hit);
    EXPECT_EQ(w.word, "one");
    w = glyphread::CutWordAtTarget(items.data(), items.size(), clamped, strip, 10 + 3, 2 + 1);
    EXPECT_FALSE(w.hit);

    // Without a letter at the target the run left over ("two") is another word: nothing is
    // returned and the rectangle keeps the strip's left and right.
    EXPECT_EQ(w.word, "");
    EXPECT_EQ(w.rect.left, -60);
    EXPECT_EQ(w.rect.right, 140);

    // A non-letter at the target: no word either.
    const auto dash = Line("ab - cd", 0, 0);
    w = glyphread::CutWordAtTarget(dash.data(), dash.size(), clamped, clamped, 3 * 7, 0);
    EXPECT_FALSE(w.hit);
    EXPECT_EQ(w.word, "");
}

// A word that reaches to within one letter of the strip's left or right edge may go on beyond
// it and is read again in a wider strip; the screen's own edges end a word for good.
TEST(Rules, WordTouchingTheStripEdgeIsReadAgainWider)
{
    struct Case {
        const char* text;
        int x0;         // first cell, relative to the strip's left
        size_t target;  // index of the target letter
        Rect clamped;
        bool touches;
        const char* why;
    };
    const Case cases[] = {
        {"approxim", 2, 3, {300, 50, 500, 70}, true, "cut at the left edge"},
        {"ab approxim", 130, 6, {300, 50, 500, 70}, true, "runs to the right edge"},
        {"ab word cd", 60, 4, {300, 50, 500, 70}, false, "inside the strip"},
        {"ab word", 144, 4, {300, 50, 500, 70}, false, "a letter's width before the edge"},
        {"approxim", 2, 3, {0, 50, 200, 70}, false, "left edge of the screen"},
        {"ab approxim", 130, 6, {1000, 50, 1023, 70}, false, "right edge of the screen"},
    };
    for (const Case& k : cases) {
        const auto items = Line(k.text, k.x0, 0);
        const int tx = k.clamped.left + XOf(k.text, k.target, k.x0);
        const glyphread::WordAtTarget w = glyphread::CutWordAtTarget(
            items.data(), items.size(), k.clamped, k.clamped, tx, k.clamped.top);
        ASSERT_TRUE(w.hit) << k.why;
        EXPECT_EQ(glyphread::WordTouchesStripEdge(w, k.clamped, 1024), k.touches) << k.why;
    }
    // The wider strip reaches 100 pixels beyond the word's cells on both sides, same rows.
    const auto items = Line("ab approxim", 130, 0);
    const Rect strip{300, 50, 500, 70};
    const glyphread::WordAtTarget w = glyphread::CutWordAtTarget(
        items.data(), items.size(), strip, strip, 300 + XOf("", 6, 130), 50);
    ASSERT_EQ(w.word, "approxim");
    const Rect wider = glyphread::WiderStrip(w, strip);
    EXPECT_EQ(wider, (Rect{300 + 130 + 3 * 7 - 100, 50, 300 + 130 + 11 * 7 + 100, 70}));
    // No word at the target: nothing to read again.
    glyphread::WordAtTarget none;
    EXPECT_FALSE(glyphread::WordTouchesStripEdge(none, strip, 1024));
}

TEST(Rules, ItemCountTakesWholeItemsOnly)
{
    std::vector<TextractItem> items(3);
    TextractResult r{0, items.data(), 3 * TEXTRACT_ITEM_SIZE - 1};
    EXPECT_EQ(glyphread::ItemCount(r), 2u);
    r.AreaSize = 3 * TEXTRACT_ITEM_SIZE;
    EXPECT_EQ(glyphread::ItemCount(r), 3u);
    r.AreaSize = -26;
    EXPECT_EQ(glyphread::ItemCount(r), 0u);
    r.pItems = nullptr;
    r.AreaSize = 52;
    EXPECT_EQ(glyphread::ItemCount(r), 0u);
}
