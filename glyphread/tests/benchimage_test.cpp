// The OCR benchmark's word images: PPM files read back, the extent of their ink, and
// colour-fringed subpixel text.
#include "benchimage.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

using benchimage::Image;

TEST(BenchImage, PpmReadBackOrRefused)
{
    const std::string pixels("\x10\x20\x30\xff\x00\x80", 6);
    struct Case {
        std::string bytes;
        bool ok;
        const char* why;
    };
    const Case cases[] = {
        {"P6\n2 1\n255\n" + pixels, true, "two pixels"},
        {"P6 2 1 255 " + pixels, true, "blanks for line ends"},
        {"P5\n2 1\n255\n" + pixels, false, "a grey file"},
        {"P6\n2 1\n65535\n" + pixels, false, "two bytes a channel"},
        {"P6\n2 1\n255\n" + pixels.substr(0, 5), false, "cut short"},
        {"P6\n0 1\n255\n", false, "no columns"},
    };
    for (const Case& k : cases) {
        Image image;
        ASSERT_EQ(benchimage::ParsePpm(k.bytes, image), k.ok) << k.why;
        if (!k.ok)
            continue;
        ASSERT_EQ(image.width, 2) << k.why;
        ASSERT_EQ(image.height, 1) << k.why;
        EXPECT_EQ(image.At(0, 0), 0x102030u) << k.why;
        EXPECT_EQ(image.At(1, 0), 0xff0080u) << k.why;
    }
}

TEST(BenchImage, InkIsWhatDiffersFromTheCornerByMoreThan48)
{
    Image image;
    image.width = 10;
    image.height = 6;
    image.px.assign(60, 0x000080);  // navy
    image.px[2 * 10 + 3] = 0x300080;  // 48 more red: still background
    image.px[1 * 10 + 7] = 0x0000B1;  // 49 more blue: ink
    image.px[4 * 10 + 2] = 0xFFFFFF;
    const benchimage::Ink ink = benchimage::InkOf(image);
    EXPECT_EQ(ink.left, 2);
    EXPECT_EQ(ink.right, 7);
    EXPECT_EQ(ink.top, 1);
    EXPECT_EQ(ink.bottom, 4);
    image.px.assign(60, 0x000080);
    EXPECT_EQ(benchimage::InkOf(image).left, -1);
}

// ClearType's look: the background at the edges, colour fringes beside the stems (red and
// blue apart where black text on white has neither), the margins free, bold wider.
TEST(BenchImage, SubpixelTextHasColourFringesInsideItsMargins)
{
    struct Case {
        COLORREF text, background;
    };
    const Case cases[] = {{RGB(0, 0, 0), RGB(255, 255, 255)}, {RGB(255, 255, 255), RGB(0, 0, 128)}};
    for (const Case& k : cases) {
        int widths[2] = {};
        for (int bold = 0; bold < 2; ++bold) {
            Image image;
            ASSERT_TRUE(benchimage::SubpixelText("Liberation Sans", 16, bold != 0, k.text,
                                                 k.background, "Illinois", image));
            const DWORD bg = (static_cast<DWORD>(GetRValue(k.background)) << 16) |
                             (static_cast<DWORD>(GetGValue(k.background)) << 8) |
                             GetBValue(k.background);
            EXPECT_EQ(image.At(0, 0), bg);
            EXPECT_EQ(image.At(image.width - 1, image.height - 1), bg);
            int fringes = 0;
            for (DWORD p : image.px) {
                const int r = static_cast<int>(p >> 16), b = static_cast<int>(p & 255);
                const int rb = static_cast<int>(GetRValue(k.background)) -
                               static_cast<int>(GetBValue(k.background));
                fringes += std::abs((r - b) - rb) > 40;
            }
            EXPECT_GT(fringes, 8) << "bold " << bold;
            const benchimage::Ink ink = benchimage::InkOf(image);
            EXPECT_GE(ink.left, 4) << "bold " << bold;
            EXPECT_LE(ink.right, image.width - 5) << "bold " << bold;
            EXPECT_GE(ink.top, 3) << "bold " << bold;
            EXPECT_GE(image.height, 16) << "bold " << bold;
            widths[bold] = ink.right - ink.left;
        }
        EXPECT_GT(widths[1], widths[0]);
        EXPECT_GT(widths[0], 30);
    }
}
