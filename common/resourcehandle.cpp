#include "resourcehandle.h"

namespace {

HINSTANCE g_resourceHandle = nullptr;

}  // namespace

HINSTANCE LxResourceHandle()
{
    return g_resourceHandle;
}

void LxSetResourceHandle(HINSTANCE module)
{
    g_resourceHandle = module;
}
