#include "enginespy.h"

#include <cstring>

namespace glyphtest {

namespace {

EngineSpy g_spy;

using IntFn = int(WINAPI*)(void);
using TextFn = const char*(WINAPI*)(void);
using RecognizeFn = int(WINAPI*)(const TextractRequest*, TextractResult*, int);
using FreeFn = int(WINAPI*)(TextractResult*);

void* g_real[13] = {};
const LONG kFakeTag = 0x46414B45;  // "FAKE" in the result's first value

template <int Ordinal>
int WINAPI SpyInt(void)
{
    ++g_spy.calls[Ordinal];
    if (g_spy.forced[Ordinal])
        return g_spy.forced[Ordinal];
    return reinterpret_cast<IntFn>(g_real[Ordinal])();
}

template <int Ordinal>
const char* WINAPI SpyText(void)
{
    ++g_spy.calls[Ordinal];
    return reinterpret_cast<TextFn>(g_real[Ordinal])();
}

int WINAPI SpyRecognize(const TextractRequest* request, TextractResult* result, int flags)
{
    ++g_spy.calls[3];
    if (request)
        g_spy.requests.push_back(
            {RECT{request->left, request->top, request->right, request->bottom}, flags});
    if (g_spy.onRecognize && request)
        g_spy.onRecognize(*request, flags);
    const int forced = flags == TEXTRACT_FLAGS_FIND_CHAR  ? g_spy.forcedFindPass
                       : flags == TEXTRACT_FLAGS_WORDS ? g_spy.forcedWordPass
                                                       : 0;
    if (forced) {
        result->pItems = nullptr;
        result->AreaSize = 0;
        return forced;
    }
    std::vector<TextractItem> fake;
    if (g_spy.fakeItems && request && g_spy.fakeItems(*request, flags, fake)) {
        result->nReserved = kFakeTag;
        result->pItems = new TextractItem[fake.size() + 1];
        std::memcpy(result->pItems, fake.data(), fake.size() * sizeof(TextractItem));
        result->AreaSize = static_cast<LONG>(fake.size()) * TEXTRACT_ITEM_SIZE;
        ++g_spy.fakeResultsOut;
        return 0;
    }
    LARGE_INTEGER freq, t0, t1;
    QueryPerformanceFrequency(&freq);
    QueryPerformanceCounter(&t0);
    const int status = reinterpret_cast<RecognizeFn>(g_real[3])(request, result, flags);
    QueryPerformanceCounter(&t1);
    g_spy.recognizeMs += static_cast<double>(t1.QuadPart - t0.QuadPart) * 1000.0 /
                         static_cast<double>(freq.QuadPart);
    return status;
}

int WINAPI SpyFree(TextractResult* result)
{
    ++g_spy.calls[10];
    if (result && result->nReserved == kFakeTag) {
        delete[] result->pItems;
        result->pItems = nullptr;
        result->AreaSize = 0;
        result->nReserved = 0;
        --g_spy.fakeResultsOut;
        return 0;
    }
    return reinterpret_cast<FreeFn>(g_real[10])(result);
}

void* Wrapper(int ordinal)
{
    switch (ordinal) {
    case 3: return reinterpret_cast<void*>(&SpyRecognize);
    case 4: return reinterpret_cast<void*>(&SpyInt<4>);
    case 5: return reinterpret_cast<void*>(&SpyInt<5>);
    case 6: return reinterpret_cast<void*>(&SpyText<6>);
    case 7: return reinterpret_cast<void*>(&SpyText<7>);
    case 8: return reinterpret_cast<void*>(&SpyText<8>);
    case 9: return reinterpret_cast<void*>(&SpyText<9>);
    case 10: return reinterpret_cast<void*>(&SpyFree);
    case 11: return reinterpret_cast<void*>(&SpyInt<11>);
    case 12: return reinterpret_cast<void*>(&SpyInt<12>);
    default: return nullptr;
    }
}

}  // namespace

EngineSpy& Spy()
{
    return g_spy;
}

bool WatchEngineImports(HMODULE module)
{
    g_spy.Reset();
    auto* base = reinterpret_cast<BYTE*>(module);
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    int patched = 0;
    for (auto* imp = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
         imp->Name; ++imp) {
        if (_stricmp(reinterpret_cast<const char*>(base + imp->Name), "Textract.dll") != 0)
            continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(
            base + (imp->OriginalFirstThunk ? imp->OriginalFirstThunk : imp->FirstThunk));
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (!IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                return false;  // imported by name
            const int ordinal = static_cast<int>(IMAGE_ORDINAL(names->u1.Ordinal));
            void* wrapper = Wrapper(ordinal);
            if (!wrapper)
                return false;
            DWORD old = 0;
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &old);
            g_real[ordinal] = reinterpret_cast<void*>(slots->u1.Function);
            slots->u1.Function = reinterpret_cast<ULONG_PTR>(wrapper);
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, old, &old);
            ++patched;
        }
    }
    return patched == 10;
}

}  // namespace glyphtest
