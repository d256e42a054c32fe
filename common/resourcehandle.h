// The module every resource lookup of the wizard goes to: the language module that the
// start-up loaded for the display language. Null until one is loaded.
#pragma once

#include <windows.h>

HINSTANCE LxResourceHandle();
void LxSetResourceHandle(HINSTANCE module);
