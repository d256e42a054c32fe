// Drawing of each skin element.
#pragma once

#include "skinfile.h"

namespace lxskin {

// Paints a form's background: face, top band and frame.
void PaintForm(HDC dc, HWND window, const Style& style);

// Paints a control as its element into dc (client coordinates). parentFace is the colour
// around the element. With drawText false the text is left out (a text request draws it) and
// *textAt receives where the text area begins.
void PaintControl(HDC dc, HWND window, const Style& style, COLORREF parentFace, bool drawText,
                  POINT* textAt);

// The element's face colour (the system's button face when the skin leaves it unset).
COLORREF FaceOf(const Style& style);

}  // namespace lxskin
