// Exported operations of Textract.dll.
#include "textract.h"

extern "C" {

int WINAPI EngineInit(void) { return TEXTRACT_OK; }
int WINAPI EngineTerminate(void) { return TEXTRACT_OK; }
int WINAPI EngineBuildPatterns(void) { return TEXTRACT_E_INTERNAL; }
int WINAPI EngineBuildPatternsWithDialog(void) { return TEXTRACT_E_INTERNAL; }
int WINAPI EngineRecognizeArea(const TextractRequest* request, TextractResult* result, int flags)
{
    (void)request;
    (void)flags;
    if (result) {
        result->pItems = nullptr;
        result->AreaSize = 0;
    }
    return TEXTRACT_E_NO_PATTERNS;
}
int WINAPI EngineFreeResult(TextractResult* result)
{
    if (result) {
        result->pItems = nullptr;
        result->AreaSize = 0;
    }
    return TEXTRACT_OK;
}
const char* WINAPI EnginePatternFileName(void) { return "FontBase.tpb"; }
const char* WINAPI EngineBitmapFileName(void) { return ""; }
const char* WINAPI EngineFileNameA(void) { return ""; }
const char* WINAPI EngineFileNameB(void) { return ""; }

}  // extern "C"
