#include "win/findwin_win.h"

namespace quellar::win {

namespace {
constexpr int kLongestTitle = 255;
}

HWND findWindowByTitle(const std::string& text) {
    HWND window = GetWindow(GetDesktopWindow(), GW_CHILD);
    for (; window; window = GetWindow(window, GW_HWNDNEXT)) {
        int length = GetWindowTextLengthA(window);
        if (length > kLongestTitle) length = kLongestTitle;
        char title[kLongestTitle + 1] = {};
        GetWindowTextA(window, title, length + 1);
        if (std::string(title).find(text) != std::string::npos) return window;
    }
    return nullptr;
}

}  // namespace quellar::win
