#pragma once
// The room a text has and the room it needs in its font: what the painters
// of the skinned controls, the face and the text-fit check all measure with,
// so a text that would be cut on screen is found before a user sees it.
#include <windows.h>

#include <string>

namespace quellar::win {

struct TextRoom {
    int width = 0, height = 0;              // what the text is given
    int neededWidth = 0, neededHeight = 0;  // what it takes
    bool fits() const { return neededWidth <= width && neededHeight <= height; }
};

// `text` in `font` inside width x height: on one line, or wrapped at the
// width (a word wider than the width makes the needed width exceed it).
// `format` adds DrawText flags such as DT_NOPREFIX or DT_EXPANDTABS.
TextRoom measureText(HDC dc, HFONT font, const std::string& text, int width, int height, bool wrap,
                     UINT format = 0);

}  // namespace quellar::win
