#pragma once
// Drawing of the skinned controls with plain GDI: every function paints the
// whole control rectangle from a style and the control's state, and knows
// nothing about window procedures.
#include <windows.h>

#include <string>

#include "ui/skin/skin.h"
#include "win/textroom_win.h"

namespace quellar::ui {

COLORREF toColorRef(const SkinColor& color);

// What a button-like control looks like at this moment.
struct ControlState {
    bool enabled = true;
    bool pushed = false;   // held down by mouse or keyboard
    bool hover = false;    // the mouse is over it
    bool focused = false;
    bool isDefault = false;  // the default push button of its window
    int check = 0;         // BST_UNCHECKED, BST_CHECKED or BST_INDETERMINATE
};

enum class BoxShape { Square, Circle };

// Where a check box puts its parts; the text is laid out from the box.
struct BoxLayout {
    bool textOnLeft = false;  // BS_LEFTTEXT
    bool multiline = false;   // BS_MULTILINE
};

// `background` fills the rectangle first; the caller owns it.
void paintPushButton(HDC dc, const RECT& rect, const ElementStyle& style, HFONT font,
                     HBRUSH background, const ControlState& state, const std::string& text);
void paintCheckBox(HDC dc, const RECT& rect, const ElementStyle& style, HFONT font,
                   HBRUSH background, const ControlState& state, const std::string& text,
                   BoxShape shape, const BoxLayout& layout);
// `format`: DrawTextA flags for the label's alignment and wrapping.
void paintLabel(HDC dc, const RECT& rect, const ElementStyle& style, HFONT font,
                HBRUSH background, bool enabled, const std::string& text, UINT format);
// A frame: the border below the caption's middle and the caption on it.
// With `fillInterior` the frame first paints its whole rectangle: `outside`
// above the border and past its corners, `inside` within. A group box
// leaves that to its parent, since it only draws over its siblings' parent.
void paintFrame(HDC dc, const RECT& rect, const ElementStyle& style, HFONT font, HBRUSH outside,
                HBRUSH inside, bool fillInterior, bool enabled, const std::string& text);

void drawBorder(HDC dc, const RECT& rect, BorderStyle style, const SkinColor& color, int radius);

// The room `text` has in a control of `element` painted in `rect` by the
// functions above, and the room it needs in `font`. `labelFormat` is a
// label's DrawText format (wrapping or not); `multiline` a check box's.
win::TextRoom textRoomOf(HDC dc, SkinElement element, const RECT& rect, const ElementStyle& style, HFONT font,
                         const std::string& text, UINT labelFormat, bool multiline);

}  // namespace quellar::ui
