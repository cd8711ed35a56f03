#include "win/dialogkeys_win.h"

#include <algorithm>
#include <vector>

#include "win/window_win.h"

namespace quellar::win {

namespace {

const char* const kDialogKeysProp = "QuellarDialogKeys";

bool isChildWindow(HWND hwnd) {
    return (GetWindowLongA(hwnd, GWL_STYLE) & WS_CHILD) != 0;
}

bool isArrowKey(WPARAM key) {
    return key == VK_LEFT || key == VK_RIGHT || key == VK_UP || key == VK_DOWN;
}

// A plain option button (the model decides what it selects, so it does not
// check itself).
bool isPlainOptionButton(HWND hwnd) {
    return hasClass(hwnd, "Button") &&
           (static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE)) & BS_TYPEMASK) == BS_RADIOBUTTON;
}

bool isPushButton(HWND hwnd) {
    const LRESULT code = SendMessageA(hwnd, WM_GETDLGCODE, 0, 0);
    return (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) != 0;
}

BOOL CALLBACK collectTabStop(HWND hwnd, LPARAM into) {
    const LONG style = GetWindowLongA(hwnd, GWL_STYLE);
    if ((style & WS_TABSTOP) && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd))
        reinterpret_cast<std::vector<HWND>*>(into)->push_back(hwnd);
    return TRUE;
}

// Whether moving the focus from `from` to `to` goes round the window's tab
// order: the controls in the order Tab visits them, depth first.
bool goesRound(HWND root, HWND from, HWND to, bool backwards) {
    std::vector<HWND> stops;
    EnumChildWindows(root, collectTabStop, reinterpret_cast<LPARAM>(&stops));
    auto a = std::find(stops.begin(), stops.end(), from);
    auto b = std::find(stops.begin(), stops.end(), to);
    if (a == stops.end() || b == stops.end()) return false;
    return backwards ? b >= a : b <= a;
}

bool handleHelpKey(const MSG& msg) {
    if (msg.message != WM_KEYDOWN || msg.wParam != VK_F1 || !msg.hwnd) return false;
    HELPINFO info{};
    info.cbSize = sizeof info;
    info.iContextType = HELPINFO_WINDOW;
    info.hItemHandle = msg.hwnd;
    info.iCtrlId = GetDlgCtrlID(msg.hwnd);
    GetCursorPos(&info.MousePos);
    SendMessageA(rootWindowOf(msg.hwnd), WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
    return true;
}

// Tab or Shift+Tab at the end of the window's order, handed to the window.
bool handleTabOut(HWND root, const MSG& msg) {
    if (msg.message != WM_KEYDOWN || msg.wParam != VK_TAB || GetKeyState(VK_CONTROL) < 0) return false;
    HWND focus = GetFocus();
    if (!focus || !IsChild(root, focus)) return false;
    const bool backwards = GetKeyState(VK_SHIFT) < 0;
    HWND next = GetNextDlgTabItem(root, focus, backwards);
    if (!next || !goesRound(root, focus, next, backwards)) return false;
    return SendMessageA(root, tabOutMessage(), backwards ? 1 : 0, 0) != 0;
}

}  // namespace

UINT tabOutMessage() {
    static const UINT message = RegisterWindowMessageA("Quellar.TabOut");
    return message;
}

void setDialogKeys(HWND window, bool on) {
    if (!window) return;
    if (on) SetPropA(window, kDialogKeysProp, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(1)));
    else RemovePropA(window, kDialogKeysProp);
}

bool hasDialogKeys(HWND window) {
    return window && GetPropA(window, kDialogKeysProp) != nullptr;
}

HWND dialogKeysWindow(HWND hwnd) {
    // Up through the parents only: a window's owner is another window with
    // keys of its own.
    for (HWND w = hwnd; w; w = GetParent(w)) {
        if (hasDialogKeys(w)) return w;
        if (!isChildWindow(w)) break;
    }
    return nullptr;
}

bool handleDialogKeys(MSG& msg) {
    if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST) return false;
    if (handleHelpKey(msg)) return true;
    HWND root = dialogKeysWindow(msg.hwnd);
    if (!root) return false;
    if (handleTabOut(root, msg)) return true;
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN) {
        // The system's own handling presses the window's default button even
        // when another button has the focus; in a dialog the focused button
        // is the default for as long as it has the focus.
        HWND focus = GetFocus();
        if (focus == msg.hwnd && isPushButton(focus)) {
            if (IsWindowEnabled(focus)) SendMessageA(focus, BM_CLICK, 0, 0);
            return true;
        }
    }
    const bool arrow = msg.message == WM_KEYDOWN && isArrowKey(msg.wParam);
    const HWND before = GetFocus();
    const bool handled = IsDialogMessageA(root, &msg) != FALSE;
    if (arrow) {
        // The arrows move through a group of option buttons; as with the
        // system's own option buttons, the one reached is chosen.
        HWND now = GetFocus();
        if (now != before && now && isPlainOptionButton(now) &&
            SendMessageA(now, BM_GETCHECK, 0, 0) != BST_CHECKED)
            SendMessageA(now, BM_CLICK, 0, 0);
    }
    return handled;
}

}  // namespace quellar::win
