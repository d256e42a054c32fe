#include "benchimage.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

namespace benchimage {

bool ParsePpm(const std::string& bytes, Image& image)
{
    size_t pos = 0;
    auto field = [&]() {
        while (pos < bytes.size() && std::isspace(static_cast<unsigned char>(bytes[pos])))
            ++pos;
        const size_t start = pos;
        while (pos < bytes.size() && !std::isspace(static_cast<unsigned char>(bytes[pos])))
            ++pos;
        return bytes.substr(start, pos - start);
    };
    if (field() != "P6")
        return false;
    image.width = std::atoi(field().c_str());
    image.height = std::atoi(field().c_str());
    if (field() != "255" || image.width <= 0 || image.height <= 0)
        return false;
    ++pos;
    const size_t n = static_cast<size_t>(image.width) * static_cast<size_t>(image.height);
    if (bytes.size() < pos + n * 3)
        return false;
    image.px.resize(n);
    for (size_t i = 0; i < n; ++i) {
        const auto at = [&](size_t k) {
            return static_cast<DWORD>(static_cast<unsigned char>(bytes[pos + i * 3 + k]));
        };
        image.px[i] = (at(0) << 16) | (at(1) << 8) | at(2);
    }
    return true;
}

Ink InkOf(const Image& image)
{
    Ink ink;
    if (image.px.empty())
        return ink;
    const DWORD bg = image.px[0];
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const DWORD p = image.At(x, y);
            int diff = 0;
            for (int s = 0; s < 24; s += 8)
                diff = std::max(diff, std::abs(static_cast<int>((p >> s) & 255) -
                                               static_cast<int>((bg >> s) & 255)));
            if (diff <= 48)
                continue;
            ink.left = ink.left < 0 ? x : std::min(ink.left, x);
            ink.right = std::max(ink.right, x);
            if (ink.top < 0)
                ink.top = y;
            ink.bottom = y;
        }
    return ink;
}

bool SubpixelText(const std::string& face, int emPixels, bool bold, COLORREF text,
                  COLORREF background, const std::string& word, Image& image)
{
    const int weight = bold ? FW_BOLD : FW_NORMAL;
    HDC dc = CreateCompatibleDC(nullptr);
    HFONT probe = CreateFontA(-emPixels, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                              OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY,
                              DEFAULT_PITCH, face.c_str());
    HGDIOBJ oldFont = SelectObject(dc, probe);
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    SelectObject(dc, oldFont);
    DeleteObject(probe);
    HFONT wide = CreateFontA(-emPixels, tm.tmAveCharWidth * 3, 0, 0, weight, FALSE, FALSE, FALSE,
                             DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                             NONANTIALIASED_QUALITY, DEFAULT_PITCH, face.c_str());
    oldFont = SelectObject(dc, wide);
    SIZE ext{};
    GetTextExtentPoint32A(dc, word.c_str(), static_cast<int>(word.size()), &ext);
    const int w = (ext.cx + 2) / 3 + 12, h = static_cast<int>(tm.tmHeight) + 6;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w * 3;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    const bool drawn = bmp && bits;
    if (drawn) {
        HGDIOBJ oldBmp = SelectObject(dc, bmp);
        std::memset(bits, 0, static_cast<size_t>(w) * 3 * static_cast<size_t>(h) * 4);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(255, 255, 255));
        TextOutA(dc, 18, 3, word.c_str(), static_cast<int>(word.size()));
        GdiFlush();
        const DWORD* stripes = static_cast<const DWORD*>(bits);
        const auto inked = [&](int sx, int y) {
            return sx >= 0 && sx < w * 3 &&
                   (stripes[static_cast<size_t>(y) * static_cast<size_t>(w) * 3 +
                            static_cast<size_t>(sx)] &
                    0xFF) != 0;
        };
        const int weights[5] = {1, 2, 3, 2, 1};
        const int fg[3] = {GetRValue(text), GetGValue(text), GetBValue(text)};
        const int bg[3] = {GetRValue(background), GetGValue(background), GetBValue(background)};
        image.width = w;
        image.height = h;
        image.px.assign(static_cast<size_t>(w) * static_cast<size_t>(h), 0);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                DWORD out = 0;
                for (int c = 0; c < 3; ++c) {
                    int cover = 0;
                    for (int k = -2; k <= 2; ++k)
                        cover += inked(x * 3 + c + k, y) ? weights[k + 2] : 0;
                    const int v = bg[c] + (fg[c] - bg[c]) * cover / 9;
                    out |= static_cast<DWORD>(v) << (16 - 8 * c);
                }
                image.px[static_cast<size_t>(y) * static_cast<size_t>(w) +
                         static_cast<size_t>(x)] = out;
            }
        SelectObject(dc, oldBmp);
    }
    if (bmp)
        DeleteObject(bmp);
    SelectObject(dc, oldFont);
    DeleteObject(wide);
    DeleteDC(dc);
    return drawn;
}

}  // namespace benchimage
