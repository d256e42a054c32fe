#include "glyphreadlib.h"

#include "glyphread.h"

#include <cstring>

namespace glyphtest {

namespace {

std::string StageDirectory()
{
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string dir(exe);
    dir.resize(dir.find_last_of('\\'));
    // Test programs sit in build/<arch>/glyphread, benchmarks in build/<arch>/bench.
    dir.resize(dir.find_last_of('\\'));
    return dir + "\\stage";
}

template <typename F>
void Bind(HMODULE module, const char* name, F& fn)
{
    fn = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

GlyphreadLib::GlyphreadLib()
{
    const std::string path = StageDirectory() + "\\glyphread.dll";
    m_module = LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!m_module)
        return;
    Bind(m_module, "OCR2Text", OCR2Text);
    Bind(m_module, "OCRHighlightRect", OCRHighlightRect);
    Bind(m_module, "OCRMakePattern", OCRMakePattern);
    Bind(m_module, "OCRPatternRecovery", OCRPatternRecovery);
    Bind(m_module, "OCRSetVerboseLevel", OCRSetVerboseLevel);
    Bind(m_module, "OCRUninit", OCRUninit);
    Bind(m_module, "OCRCleanUp", OCRCleanUp);
}

GlyphreadLib::~GlyphreadLib()
{
    if (m_module)
        FreeLibrary(m_module);
}

bool GlyphreadLib::Loaded() const
{
    return m_module && OCR2Text && OCRHighlightRect && OCRMakePattern && OCRPatternRecovery &&
           OCRSetVerboseLevel && OCRUninit && OCRCleanUp;
}

Capture CaptureAt(GlyphreadLib& lib, int x, int y)
{
    char text[GLYPHREAD_WORD_BUFFER];
    std::memset(text, '#', sizeof text);
    text[sizeof text - 1] = '\0';
    Capture c;
    int l = 77, t = 77, r = 77, b = 77;
    c.result = lib.OCR2Text(x, y, text, &l, &t, &r, &b);
    c.word = text;
    c.rect = RECT{l, t, r, b};
    return c;
}

}  // namespace glyphtest
