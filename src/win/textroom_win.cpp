#include "win/textroom_win.h"

namespace quellar::win {

TextRoom measureText(HDC dc, HFONT font, const std::string& text, int width, int height, bool wrap, UINT format) {
    TextRoom room;
    room.width = width;
    room.height = height;
    // Line breaks at the end draw nothing, but DrawText counts a line for
    // them.
    std::string shown = text;
    while (!shown.empty() && (shown.back() == '\n' || shown.back() == '\r')) shown.pop_back();
    if (shown.empty()) return room;
    HGDIOBJ old = SelectObject(dc, font);
    RECT r{0, 0, wrap ? width : 0, 0};
    format &= ~static_cast<UINT>(DT_END_ELLIPSIS | DT_VCENTER | DT_BOTTOM | DT_CENTER | DT_RIGHT);
    DrawTextA(dc, shown.c_str(), static_cast<int>(shown.size()), &r,
              format | DT_CALCRECT | (wrap ? DT_WORDBREAK : DT_SINGLELINE));
    SelectObject(dc, old);
    room.neededWidth = r.right - r.left;
    room.neededHeight = r.bottom - r.top;
    return room;
}

}  // namespace quellar::win
