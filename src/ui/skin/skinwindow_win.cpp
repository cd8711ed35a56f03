#include "ui/skin/skinwindow_win.h"

#include "ui/form/frame_win.h"
#include "win/window_win.h"

namespace quellar::ui {

DWORD windowStyle(HWND hwnd) {
    return static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE));
}

bool isGroupBox(HWND hwnd) {
    return win::hasClass(hwnd, "Button") && (windowStyle(hwnd) & BS_TYPEMASK) == BS_GROUPBOX;
}

bool isFrameWindow(HWND hwnd) {
    return isGroupBox(hwnd) || win::hasClass(hwnd, kFrameClass);
}

bool isTextLabel(HWND hwnd) {
    if (!win::hasClass(hwnd, "Static")) return true;
    switch (windowStyle(hwnd) & SS_TYPEMASK) {
    case SS_LEFT:
    case SS_CENTER:
    case SS_RIGHT:
    case SS_SIMPLE:
    case SS_LEFTNOWORDWRAP:
        return true;
    default:
        return false;
    }
}

UINT labelFormat(DWORD style) {
    UINT format = DT_EXPANDTABS;
    if (style & SS_NOPREFIX) format |= DT_NOPREFIX;
    switch (style & SS_TYPEMASK) {
    case SS_CENTER: format |= DT_CENTER | DT_WORDBREAK; break;
    case SS_RIGHT: format |= DT_RIGHT | DT_WORDBREAK; break;
    case SS_SIMPLE:
    case SS_LEFTNOWORDWRAP: format |= DT_LEFT | DT_SINGLELINE; break;
    default: format |= DT_LEFT | DT_WORDBREAK; break;
    }
    if (style & SS_CENTERIMAGE) format = (format & ~static_cast<UINT>(DT_WORDBREAK)) | DT_SINGLELINE | DT_VCENTER;
    return format;
}

SkinElement elementLike(HWND hwnd) {
    if (isFrameWindow(hwnd)) return SkinElement::Frame;
    if (win::hasClass(hwnd, "Static")) return SkinElement::Label;
    if (!win::hasClass(hwnd, "Button")) return SkinElement::ControlForm;
    const DWORD type = windowStyle(hwnd) & BS_TYPEMASK;
    if (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE || type == BS_AUTO3STATE)
        return SkinElement::CheckBox;
    if (type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON) return SkinElement::RadioBox;
    return SkinElement::Button;
}

void redrawNow(HWND hwnd) {
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

void redrawAll(HWND hwnd) {
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

void redrawUnder(HWND hwnd) {
    HWND parent = GetParent(hwnd);
    if (!parent) {
        redrawNow(hwnd);
        return;
    }
    RECT r;
    GetWindowRect(hwnd, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    RedrawWindow(parent, &r, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

HBRUSH parentBrush(HWND hwnd, HDC dc, UINT askParent) {
    HWND parent = GetParent(hwnd);
    HBRUSH brush = parent ? reinterpret_cast<HBRUSH>(SendMessageA(parent, askParent,
                                                                  reinterpret_cast<WPARAM>(dc),
                                                                  reinterpret_cast<LPARAM>(hwnd)))
                          : nullptr;
    return brush ? brush : GetSysColorBrush(COLOR_BTNFACE);
}

}  // namespace quellar::ui
