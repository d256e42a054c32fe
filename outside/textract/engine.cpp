// Exported operations of Textract.dll and the engine's state.
#include "engine.h"
#include "progresswindow.h"

#include "recognizer.h"
#include "textract.h"

#include <shlobj.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>

namespace textract {

namespace {

// Half the width of the word capture's strip around a character.
constexpr int kStripHalfWidth = 100;

std::mutex g_lock;  // guards everything below
PatternBase g_base;
bool g_loaded = false;
std::set<std::string> g_names;  // every file name answered so far

// The pattern base is a per-user cache of how this machine draws its fonts: it lives in the
// user's local (not roaming) application data, which every user can write, unlike the
// installation directory. TEXTRACT_PATTERN_FILE names another file (used by tests and by
// installations that keep their data elsewhere).
std::string DataFolder()
{
    char path[MAX_PATH] = {};
    if (SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path) != S_OK)
        GetTempPathA(MAX_PATH, path);
    std::string dir = path;
    if (!dir.empty() && dir.back() != '\\')
        dir += '\\';
    return dir + "Textract";
}

std::string PatternPath()
{
    char buf[MAX_PATH] = {};
    const DWORD n = GetEnvironmentVariableA("TEXTRACT_PATTERN_FILE", buf, MAX_PATH);
    if (n > 0 && n < MAX_PATH)
        return buf;
    return DataFolder() + "\\FontBase.tpb";
}

std::string FolderOf(const std::string& file)
{
    const size_t slash = file.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".") : file.substr(0, slash);
}

// Loads the pattern file when nothing is loaded yet; the caller holds g_lock.
bool EnsureLoaded()
{
    if (!g_loaded)
        g_loaded = LoadPatternBase(g_base, PatternPath());
    return g_loaded;
}

// File names handed out by the name queries. A caller keeps the pointer (the status texts
// format it later, maybe on another thread), so an answer is never changed or freed: each
// distinct name is stored once, for the life of the process, and the pointer is taken while
// the lock is held.
const char* Remember(const std::function<std::string()>& text)
{
    static const std::string kNone;
    try {
        const std::string value = text();
        std::lock_guard<std::mutex> guard(g_lock);
        return g_names.insert(value).first->c_str();
    } catch (...) {
        return kNone.c_str();  // out of memory
    }
}

// Runs an operation so that nothing it throws leaves the engine: a failure of the engine
// must never end the host process.
template <typename F>
int Guarded(F&& op)
{
    try {
        return op();
    } catch (...) {
        return TEXTRACT_E_INTERNAL;
    }
}

}  // namespace

int BuildAndStore(const std::function<bool(int, int, const std::string&)>& progress)
{
    PatternBase fresh;
    bool cancelled = false;
    auto step = [&](int done, int total, const std::string& label) {
        if (progress && !progress(done, total, label))
            cancelled = true;
        return !cancelled;
    };
    if (!RenderPatternBase(fresh, step))
        return cancelled ? TEXTRACT_E_USER_REJECTED : TEXTRACT_E_INTERNAL;
    const std::string path = PatternPath();
    SHCreateDirectoryExA(nullptr, FolderOf(path).c_str(), nullptr);
    if (!SavePatternBase(fresh, path))
        return TEXTRACT_E_INTERNAL;
    std::lock_guard<std::mutex> guard(g_lock);
    g_base = std::move(fresh);
    g_loaded = true;
    return TEXTRACT_OK;
}

}  // namespace textract

using namespace textract;

extern "C" {

int WINAPI EngineInit(void)
{
    try {
        std::lock_guard<std::mutex> guard(g_lock);
        EnsureLoaded();  // a missing base is reported by the operations that need it
        return TEXTRACT_OK;
    } catch (...) {
        return TEXTRACT_E_INIT;
    }
}

int WINAPI EngineTerminate(void)
{
    try {
        std::lock_guard<std::mutex> guard(g_lock);
        g_base = PatternBase();
        g_loaded = false;
        return TEXTRACT_OK;
    } catch (...) {
        return TEXTRACT_E_TERMINATE;
    }
}

int WINAPI EngineBuildPatterns(void)
{
    return Guarded([] { return BuildAndStore(nullptr); });
}

int WINAPI EngineBuildPatternsWithDialog(void)
{
    return Guarded([] { return RunWithProgressWindow(BuildAndStore); });
}

namespace {

int RecognizeArea(const TextractRequest* request, TextractResult* result, int flags)
{
    if (!request || request->right < request->left || request->bottom < request->top ||
        request->right - request->left >= 4096 || request->bottom - request->top >= 4096)
        return TEXTRACT_E_ARGUMENT;
    const int sx = GetSystemMetrics(SM_XVIRTUALSCREEN), sy = GetSystemMetrics(SM_YVIRTUALSCREEN);
    const int sw = GetSystemMetrics(SM_CXVIRTUALSCREEN), sh = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    if (request->left < sx || request->top < sy || request->right >= sx + sw ||
        request->bottom >= sy + sh)
        return TEXTRACT_E_RECT_OUTSIDE;

    std::lock_guard<std::mutex> guard(g_lock);
    if (!EnsureLoaded())
        return TEXTRACT_E_NO_PATTERNS;
    const RECT req = {request->left, request->top, request->right, request->bottom};
    RECT area = req;
    if (flags & TEXTRACT_F_CONTEXT) {
        // Enough around the rectangle for the glyphs and lines that its edges cut. A box that
        // finds a character (it reports glyphs that merely touch it) reads its line as far to
        // each side as the word strip that follows it will: both then measure the same
        // baseline and letter heights, and place the character alike.
        const int margin = 24;
        const int side = (flags & TEXTRACT_F_TOUCHING) ? kStripHalfWidth + margin : margin;
        area.left = std::max<LONG>(sx, req.left - side);
        area.top = std::max<LONG>(sy, req.top - margin);
        area.right = std::min<LONG>(sx + sw - 1, req.right + side);
        area.bottom = std::min<LONG>(sy + sh - 1, req.bottom + margin);
    }
    Image image;
    if (!CaptureScreen(area, image))
        return TEXTRACT_E_INTERNAL;
    const RECT inner = {req.left - area.left, req.top - area.top, req.right - area.left,
                        req.bottom - area.top};
    const std::vector<TextLine> lines = RecognizeImage(g_base, image, &inner);
    const std::vector<TextractItem> items = MakeItems(g_base, image, lines, req, flags);
    if (!items.empty()) {
        void* mem = std::malloc(items.size() * sizeof(TextractItem));
        if (!mem)
            return TEXTRACT_E_INTERNAL;
        memcpy(mem, items.data(), items.size() * sizeof(TextractItem));
        result->pItems = static_cast<TextractItem*>(mem);
        result->AreaSize = (LONG)(items.size() * sizeof(TextractItem));
    }
    return TEXTRACT_OK;
}

}  // namespace

int WINAPI EngineRecognizeArea(const TextractRequest* request, TextractResult* result, int flags)
{
    if (!result)
        return TEXTRACT_E_ARGUMENT;
    result->pItems = nullptr;
    result->AreaSize = 0;
    return Guarded([&] { return RecognizeArea(request, result, flags); });
}

int WINAPI EngineFreeResult(TextractResult* result)
{
    if (!result)
        return TEXTRACT_E_ARGUMENT;
    std::free(result->pItems);
    result->pItems = nullptr;
    result->AreaSize = 0;
    return TEXTRACT_OK;
}

const char* WINAPI EnginePatternFileName(void) { return Remember([] { return PatternPath(); }); }

// This engine reads no bitmap, dictionary or settings file; the names below are where such
// files would be looked for, beside the pattern base, so that the status texts that quote
// them stay meaningful.
const char* WINAPI EngineBitmapFileName(void)
{
    return Remember([] { return FolderOf(PatternPath()) + "\\Textract.bmp"; });
}

const char* WINAPI EngineFileNameA(void)
{
    return Remember([] { return FolderOf(PatternPath()) + "\\Textract.ini"; });
}

const char* WINAPI EngineFileNameB(void)
{
    return Remember([] { return FolderOf(PatternPath()) + "\\Textract.dic"; });
}

}  // extern "C"
