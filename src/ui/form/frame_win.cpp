#include "ui/form/frame_win.h"

#include <string>

#include "win/dpi_win.h"
#include "win/window_win.h"

namespace quellar::ui {

const char* const kFrameClass = "QuellarFrame";

namespace {

LRESULT CALLBACK frameProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_DRAWITEM:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
        // A frame is only a container: the form window owns the behaviour.
        return SendMessageA(GetParent(hwnd), msg, wParam, lParam);
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT r;
        GetClientRect(hwnd, &r);
        HFONT font = reinterpret_cast<HFONT>(SendMessageA(hwnd, WM_GETFONT, 0, 0));
        HGDIOBJ oldFont = SelectObject(dc, font ? font : win::dialogFont());
        TEXTMETRICA tm;
        GetTextMetricsA(dc, &tm);
        RECT box = r;
        box.top += tm.tmHeight / 2;
        DrawEdge(dc, &box, EDGE_ETCHED, BF_RECT);
        std::string caption = win::windowText(hwnd);
        if (!caption.empty()) {
            SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
            SetTextColor(dc, GetSysColor(IsWindowEnabled(hwnd) ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
            SetBkMode(dc, OPAQUE);
            std::string padded = " " + caption + " ";
            // As a group box does: "&&" shows as one ampersand.
            RECT text{win::scaled(8), 0, r.right - win::scaled(8), tm.tmHeight};
            DrawTextA(dc, padded.c_str(), static_cast<int>(padded.size()), &text, DT_LEFT | DT_SINGLELINE);
        }
        SelectObject(dc, oldFont);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_SETTEXT: {
        LRESULT r = DefWindowProcA(hwnd, msg, wParam, lParam);
        InvalidateRect(hwnd, nullptr, TRUE);
        return r;
    }
    case WM_SETFONT:
        SetPropA(hwnd, "QuellarFont", reinterpret_cast<HANDLE>(wParam));
        if (LOWORD(lParam)) InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(GetPropA(hwnd, "QuellarFont"));
    case WM_NCDESTROY:
        RemovePropA(hwnd, "QuellarFont");
        break;
    default:
        break;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace

void registerFrameClass() {
    win::registerClassOnce(kFrameClass, frameProc, CS_HREDRAW | CS_VREDRAW,
                           reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
}

}  // namespace quellar::ui
