#pragma once
// What the skin engine reads off a window it skins or measures (its kind,
// its style bits, how a label lays out its text) and how it has one redrawn.
#include <windows.h>

#include "ui/skin/skin.h"

namespace quellar::ui {

DWORD windowStyle(HWND hwnd);
bool isGroupBox(HWND hwnd);
// A group box or a form's frame window.
bool isFrameWindow(HWND hwnd);
// A static control that shows text; pictures, icons and lines keep their
// own painting. Any other window counts as one.
bool isTextLabel(HWND hwnd);
// The DrawText format a static control of this style lays its text out in.
UINT labelFormat(DWORD style);
// The element a system control would be skinned with by its class and
// style; ControlForm for a window that is none of the skinned kinds.
SkinElement elementLike(HWND hwnd);

void redrawNow(HWND hwnd);
// The window, its frame and its children, background included.
void redrawAll(HWND hwnd);
// A group box draws over its parent, so what it leaves behind (a longer
// old caption) is the parent's to paint.
void redrawUnder(HWND hwnd);

// What the parent gives its controls, asked as a system control would; the
// system's button face when it gives nothing.
HBRUSH parentBrush(HWND hwnd, HDC dc, UINT askParent);

}  // namespace quellar::ui
