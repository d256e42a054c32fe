// Typed lookup of a module's export by name: null when the module or the export is missing.
#pragma once

#include <windows.h>

template <typename F>
F ModuleExport(HMODULE module, const char* name)
{
    return module ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)))
                  : nullptr;
}
