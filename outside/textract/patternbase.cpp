// Rendering, indexing, saving and loading of the font pattern base.
#include "patternbase.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <mutex>
#include <set>

namespace textract {

namespace {

// Interface faces asked for by name; GDI substitutes missing ones (under Wine without the
// Windows fonts most of them become Liberation Sans), and each face it really uses is kept once.
const char* const kFaces[] = {
    "Tahoma",          "MS Sans Serif",    "Microsoft Sans Serif", "Segoe UI",
    "Arial",           "Verdana",          "Times New Roman",      "Courier New",
    "Liberation Sans", "Liberation Serif", "Liberation Mono",
};
// Families that draw no interface text: symbol and picture fonts, formula fonts.
const char* const kNotText[] = {"Symbol", "Marlett", "Wingdings", "Webdings", "Dingbat",
                                "Math", "Emoji", "Ornament"};
const char* const kVariants[] = {" Light", " Condensed", " Narrow", " Semibold", " Extrabold",
                                 " Condensed Light", " Thin", " Black", " Medium", " Heavy",
                                 " ExtraLight", " SemiBold", " ExtraBold"};
const int kPitches[] = {8, 9, 10, 11, 12, 13, 14, 16, 18, 20, 22, 24};

const char kMagic[4] = {'T', 'X', 'P', 'B'};
const uint32_t kVersion = 3;  // 3: sizes up to 24 pt

uint32_t Fnv1a(const unsigned char* p, size_t n)
{
    uint32_t h = 2166136261u;
    for (size_t i = 0; i < n; ++i) {
        h ^= p[i];
        h *= 16777619u;
    }
    return h;
}

struct Renderer {
    HDC dc = nullptr;
    HBITMAP bmp = nullptr;
    HGDIOBJ oldBmp = nullptr;
    uint32_t* bits = nullptr;
    static constexpr int kWidth = 160;
    static constexpr int kHeight = 80;
    static constexpr int kOriginX = 40;

    Renderer()
    {
        HDC screen = GetDC(nullptr);
        dc = CreateCompatibleDC(screen);
        ReleaseDC(nullptr, screen);
        BITMAPINFO bi = {};
        bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
        bi.bmiHeader.biWidth = kWidth;
        bi.bmiHeader.biHeight = -kHeight;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        void* p = nullptr;
        bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &p, nullptr, 0);
        bits = static_cast<uint32_t*>(p);
        if (bmp)
            oldBmp = SelectObject(dc, bmp);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(0, 0, 0));
        SetTextAlign(dc, TA_TOP | TA_LEFT | TA_NOUPDATECP);
    }
    ~Renderer()
    {
        if (oldBmp)
            SelectObject(dc, oldBmp);
        if (bmp)
            DeleteObject(bmp);
        if (dc)
            DeleteDC(dc);
    }
    bool Ok() const { return dc && bmp && bits; }

    void RenderGlyph(char ch, int cellHeight, bool inverse, Glyph& g)
    {
        std::fill(bits, bits + kWidth * kHeight, inverse ? 0u : 0x00FFFFFFu);
        SetTextColor(dc, inverse ? RGB(255, 255, 255) : RGB(0, 0, 0));
        GdiFlush();
        SIZE sz = {};
        GetTextExtentPoint32A(dc, &ch, 1, &sz);
        g.advance = sz.cx;
        TextOutA(dc, kOriginX, 0, &ch, 1);
        GdiFlush();
        int minX = kWidth, maxX = -1;
        std::vector<uint64_t> cols(kWidth, 0);
        const int rows = std::min(cellHeight, kMaxCellHeight);
        for (int y = 0; y < rows; ++y) {
            const uint32_t* row = bits + y * kWidth;
            for (int x = 0; x < kWidth; ++x) {
                const uint32_t c = row[x];
                const int lum = (int)((c >> 16) & 255) * 30 + (int)((c >> 8) & 255) * 59 +
                                (int)(c & 255) * 11;
                if ((lum < 128 * 100) != inverse) {
                    cols[x] |= uint64_t(1) << y;
                    minX = std::min(minX, x);
                    maxX = std::max(maxX, x);
                }
            }
        }
        g.cols.clear();
        g.inkPixels = 0;
        g.inkTop = kMaxCellHeight;
        g.inkBottom = -1;
        if (maxX < 0) {
            g.colStart = 0;
            g.inkTop = 0;
            return;
        }
        g.colStart = minX - kOriginX;
        uint64_t all = 0;
        for (int x = minX; x <= maxX; ++x) {
            g.cols.push_back(cols[x]);
            all |= cols[x];
            g.inkPixels += __builtin_popcountll(cols[x]);
        }
        g.inkTop = __builtin_ctzll(all);
        g.inkBottom = 63 - __builtin_clzll(all);
    }
};


// Face GDI really draws with for a requested name ("" when none).
std::string RealFace(HDC dc, const std::string& name, int dpi)
{
    HFONT f = CreateFontA(-MulDiv(9, dpi, 72), 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET,
                          OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                          DEFAULT_PITCH | FF_DONTCARE, name.c_str());
    if (!f)
        return std::string();
    HGDIOBJ old = SelectObject(dc, f);
    char real[LF_FACESIZE] = {};
    GetTextFaceA(dc, LF_FACESIZE, real);
    SelectObject(dc, old);
    DeleteObject(f);
    return real;
}

// Names separated by ';' in an environment variable (none when it is not set).
std::vector<std::string> NameList(const char* variable)
{
    std::vector<std::string> names;
    char list[4096] = {};
    const DWORD n = GetEnvironmentVariableA(variable, list, sizeof list);
    std::string rest = n < sizeof list ? std::string(list, n) : std::string();
    while (!rest.empty()) {
        const size_t semi = rest.find(';');
        if (semi > 0)
            names.push_back(rest.substr(0, semi));
        rest = semi == std::string::npos ? std::string() : rest.substr(semi + 1);
    }
    return names;
}

int CALLBACK CollectFamily(const LOGFONTA* lf, const TEXTMETRICA* tm, DWORD, LPARAM param)
{
    auto& names = *reinterpret_cast<std::vector<std::string>*>(param);
    const std::string name = lf->lfFaceName;
    if (name.empty() || name[0] == '@' || lf->lfCharSet == SYMBOL_CHARSET ||
        (tm->tmPitchAndFamily & 0xF0) == FF_DECORATIVE)
        return 1;
    for (const char* word : kNotText)
        if (name.find(word) != std::string::npos)
            return 1;
    // A family that is another width or weight of a typeface ("DejaVu Sans Condensed", "Open
    // Sans Light"): interface text uses the regular and bold of the typeface, which the base
    // learns, and the look-alike widths would only compete with them.
    for (const char* variant : kVariants)
        if (name.size() > std::strlen(variant) &&
            name.find(variant, name.size() - std::strlen(variant)) != std::string::npos)
            return 1;
    if (std::find(names.begin(), names.end(), name) == names.end())
        names.push_back(name);
    return 1;
}

}  // namespace

std::vector<std::string> InstalledTextFamilies(HDC dc)
{
    std::vector<std::string> names;
    LOGFONTA lf = {};
    lf.lfCharSet = ANSI_CHARSET;  // families that draw the Latin letters
    EnumFontFamiliesExA(dc, &lf, CollectFamily, reinterpret_cast<LPARAM>(&names), 0);
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> PatternFaces(HDC dc, int dpi)
{
    std::vector<std::string> asked = NameList("TEXTRACT_FONT_FAMILIES");
    if (asked.empty()) {
        asked.assign(std::begin(kFaces), std::end(kFaces));
        for (const std::string& family : InstalledTextFamilies(dc))
            asked.push_back(family);
    }
    const std::vector<std::string> left = NameList("TEXTRACT_FONT_EXCLUDE");
    std::vector<std::string> faces;
    for (const std::string& name : asked) {
        const std::string real = RealFace(dc, name, dpi);
        if (!real.empty() && std::find(faces.begin(), faces.end(), real) == faces.end() &&
            std::find(left.begin(), left.end(), real) == left.end())
            faces.push_back(real);
    }
    return faces;
}


const char* InternText(const std::string& text)
{
    static std::mutex lock;
    static std::deque<std::string> texts;
    std::lock_guard<std::mutex> guard(lock);
    for (const std::string& t : texts)
        if (t == text)
            return t.c_str();
    texts.push_back(text);
    return texts.back().c_str();
}

uint64_t InkHash(const uint64_t* cols, int count, int height)
{
    uint64_t h = 1469598103934665603ull ^ (uint64_t)count ^ ((uint64_t)height << 8);
    for (int i = 0; i < count; ++i) {
        h ^= cols[i];
        h *= 1099511628211ull;
        h ^= h >> 29;
    }
    return h;
}

void PatternBase::BuildIndex()
{
    exact.clear();
    for (size_t f = 0; f < fonts.size(); ++f) {
        fonts[f].facePtr = InternText(fonts[f].face);
        for (int code = kFirstCode; code <= kLastCode; ++code) {
            const Glyph& g = fonts[f].Of(code);
            if (!g.HasInk())
                continue;
            std::vector<uint64_t> shifted(g.cols.size());
            for (size_t i = 0; i < g.cols.size(); ++i)
                shifted[i] = g.cols[i] >> g.inkTop;
            const uint64_t key = InkHash(shifted.data(), (int)shifted.size(),
                                         g.inkBottom - g.inkTop + 1);
            exact.emplace(key, std::make_pair((int)f, code));
        }
    }
}

bool RenderPatternBase(PatternBase& base,
                       const std::function<bool(int, int, const std::string&)>& progress)
{
    base.fonts.clear();
    Renderer r;
    if (!r.Ok())
        return false;
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen)
        ReleaseDC(nullptr, screen);

    const std::vector<std::string> faces = PatternFaces(r.dc, dpi);
    const int total = (int)(faces.size() * (sizeof(kPitches) / sizeof(kPitches[0])) * 2);
    int done = 0;
    for (const std::string& face : faces) {
        for (int pitch : kPitches) {
            for (int bold = 0; bold < 2; ++bold) {
                const std::string label =
                    face + " " + std::to_string(pitch) + (bold ? " bold" : "");
                if (progress && !progress(done, total, label))
                    return false;
                ++done;
                FontPatterns fp;
                fp.face = face;
                fp.pitch = pitch;
                fp.bold = bold != 0;
                fp.pixelHeight = MulDiv(pitch, dpi, 72);
                HFONT f = CreateFontA(-fp.pixelHeight, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, 0, 0,
                                      0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                      CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                      DEFAULT_PITCH | FF_DONTCARE, face.c_str());
                if (!f)
                    continue;
                HGDIOBJ old = SelectObject(r.dc, f);
                TEXTMETRICA tm = {};
                GetTextMetricsA(r.dc, &tm);
                fp.ascent = tm.tmAscent;
                fp.cellHeight = tm.tmHeight;
                SIZE sz = {};
                GetTextExtentPoint32A(r.dc, " ", 1, &sz);
                fp.spaceAdvance = sz.cx;
                if (fp.cellHeight > 0 && fp.cellHeight <= kMaxCellHeight &&
                    fp.spaceAdvance > 0) {
                    FontPatterns inv = fp;
                    inv.inverse = true;
                    bool differs = false;
                    for (int code = kFirstCode; code <= kLastCode; ++code) {
                        Glyph& g = fp.glyphs[code - kFirstCode];
                        Glyph& gi = inv.glyphs[code - kFirstCode];
                        r.RenderGlyph((char)code, fp.cellHeight, false, g);
                        r.RenderGlyph((char)code, fp.cellHeight, true, gi);
                        differs = differs || g.colStart != gi.colStart || g.cols != gi.cols;
                    }
                    base.fonts.push_back(std::move(fp));
                    if (differs)
                        base.fonts.push_back(std::move(inv));
                }
                SelectObject(r.dc, old);
                DeleteObject(f);
            }
        }
    }
    if (progress)
        progress(total, total, std::string());
    base.BuildIndex();
    return !base.fonts.empty();
}

// File layout (little-endian): "TXPB", u32 version, u32 font count, fonts, u32 FNV-1a of all
// bytes before it. A font: u8 name length, name, u8 pitch, u8 style (1 bold, 2 light on dark),
// u8 pixel height, u8 ascent, u8 cell height, u8 space advance, then for '!'..'~': i8 first ink column,
// u8 column count, u8 advance, column masks (u64 each).
bool SavePatternBase(const PatternBase& base, const std::string& path)
{
    if (base.fonts.size() > kMaxBaseFonts)
        return false;
    std::string out(kMagic, 4);
    auto put8 = [&](int v) { out.push_back((char)(uint8_t)v); };
    auto put32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i)
            out.push_back((char)((v >> (8 * i)) & 255));
    };
    auto put64 = [&](uint64_t v) {
        for (int i = 0; i < 8; ++i)
            out.push_back((char)((v >> (8 * i)) & 255));
    };
    put32(kVersion);
    put32((uint32_t)base.fonts.size());
    for (const FontPatterns& fp : base.fonts) {
        put8((int)fp.face.size());
        out += fp.face.substr(0, 255);
        put8(fp.pitch);
        put8((fp.bold ? 1 : 0) | (fp.inverse ? 2 : 0));
        put8(fp.pixelHeight);
        put8(fp.ascent);
        put8(fp.cellHeight);
        put8(fp.spaceAdvance);
        for (const Glyph& g : fp.glyphs) {
            put8(g.colStart);
            put8((int)g.cols.size());
            put8(g.advance);
            for (uint64_t c : g.cols)
                put64(c);
        }
    }
    put32(Fnv1a(reinterpret_cast<const unsigned char*>(out.data()), out.size()));
    if (out.size() >= kMaxBaseBytes)
        return false;

    // Written beside the target and moved over it, so that a reader never sees half a file.
    const std::string tmp = path + ".new";
    HANDLE h = CreateFileA(tmp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const BOOL ok = WriteFile(h, out.data(), (DWORD)out.size(), &written, nullptr);
    CloseHandle(h);
    if (!ok || written != out.size() ||
        !MoveFileExA(tmp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileA(tmp.c_str());
        return false;
    }
    return true;
}

bool LoadPatternBase(PatternBase& base, const std::string& path)
{
    base.fonts.clear();
    base.exact.clear();
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size = {};
    std::string data;
    bool ok = GetFileSizeEx(h, &size) && size.QuadPart >= 16 && size.QuadPart < (LONGLONG)kMaxBaseBytes;
    if (ok) {
        data.resize((size_t)size.QuadPart);
        DWORD read = 0;
        ok = ReadFile(h, &data[0], (DWORD)data.size(), &read, nullptr) && read == data.size();
    }
    CloseHandle(h);
    if (!ok)
        return false;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(data.data());
    const size_t n = data.size() - 4;
    uint32_t sum = 0;
    for (int i = 0; i < 4; ++i)
        sum |= (uint32_t)p[n + i] << (8 * i);
    if (memcmp(p, kMagic, 4) != 0 || sum != Fnv1a(p, n))
        return false;

    size_t pos = 4;
    bool bad = false;
    auto get8 = [&]() -> int {
        if (pos + 1 > n) {
            bad = true;
            return 0;
        }
        return p[pos++];
    };
    auto get32 = [&]() -> uint32_t {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v |= (uint32_t)get8() << (8 * i);
        return v;
    };
    auto get64 = [&]() -> uint64_t {
        uint64_t v = 0;
        for (int i = 0; i < 8; ++i)
            v |= (uint64_t)get8() << (8 * i);
        return v;
    };
    if (get32() != kVersion)
        return false;
    const uint32_t count = get32();
    if (count > kMaxBaseFonts)
        return false;
    std::vector<FontPatterns> fonts(count);
    for (FontPatterns& fp : fonts) {
        const int len = get8();
        if (bad || pos + len > n)
            return false;
        fp.face.assign(reinterpret_cast<const char*>(p + pos), len);
        pos += len;
        fp.pitch = get8();
        const int style = get8();
        fp.bold = (style & 1) != 0;
        fp.inverse = (style & 2) != 0;
        fp.pixelHeight = get8();
        fp.ascent = get8();
        fp.cellHeight = get8();
        fp.spaceAdvance = get8();
        if (fp.cellHeight <= 0 || fp.cellHeight > kMaxCellHeight || fp.spaceAdvance <= 0)
            return false;
        for (Glyph& g : fp.glyphs) {
            g.colStart = (int8_t)get8();
            const int cols = get8();
            g.advance = get8();
            g.cols.resize(cols);
            uint64_t all = 0;
            g.inkPixels = 0;
            for (uint64_t& c : g.cols) {
                c = get64();
                all |= c;
                g.inkPixels += __builtin_popcountll(c);
            }
            g.inkTop = all ? __builtin_ctzll(all) : 0;
            g.inkBottom = all ? 63 - __builtin_clzll(all) : -1;
        }
        if (bad)
            return false;
    }
    if (pos != n)
        return false;
    base.fonts = std::move(fonts);
    base.BuildIndex();
    return true;
}

}  // namespace textract
