#include "win/binder_win.h"

#include <commctrl.h>

#include "win/window_win.h"

namespace quellar::win {

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
        HGDIOBJ oldFont = SelectObject(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
        TEXTMETRICA tm;
        GetTextMetricsA(dc, &tm);
        RECT box = r;
        box.top += tm.tmHeight / 2;
        DrawEdge(dc, &box, EDGE_ETCHED, BF_RECT);
        std::string caption = windowText(hwnd);
        if (!caption.empty()) {
            SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
            SetTextColor(dc, GetSysColor(IsWindowEnabled(hwnd) ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
            SetBkMode(dc, OPAQUE);
            std::string padded = " " + caption + " ";
            TextOutA(dc, 8, 0, padded.c_str(), static_cast<int>(padded.size()));
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

void registerFrameClass() {
    WNDCLASSA wc{};
    if (GetClassInfoA(moduleInstance(), kFrameClass, &wc)) return;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = frameProc;
    wc.hInstance = moduleInstance();
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kFrameClass;
    RegisterClassA(&wc);
}

struct Kind {
    const char* cls;
    DWORD style;
    DWORD exStyle;
};

Kind win32Kind(ControlKind kind) {
    switch (kind) {
    case ControlKind::Button: return {"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0};
    case ControlKind::CheckBox: return {"BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP, 0};
    case ControlKind::OptionButton: return {"BUTTON", BS_RADIOBUTTON | WS_TABSTOP, 0};
    case ControlKind::Frame: return {kFrameClass, WS_CLIPSIBLINGS, WS_EX_CONTROLPARENT};
    case ControlKind::Label:
    case ControlKind::SkinLabel: return {"STATIC", SS_LEFT | SS_NOTIFY, 0};
    case ControlKind::TextBox: return {"EDIT", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE};
    case ControlKind::ComboBox: return {"COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 0};
    case ControlKind::ListView: return {WC_LISTVIEWA, LVS_REPORT | WS_TABSTOP, WS_EX_CLIENTEDGE};
    case ControlKind::Slider: return {TRACKBAR_CLASSA, TBS_HORZ | WS_TABSTOP, 0};
    case ControlKind::UpDown: return {UPDOWN_CLASSA, UDS_ARROWKEYS, 0};
    case ControlKind::Picture: return {"STATIC", SS_BITMAP, 0};
    case ControlKind::Graph: return {"STATIC", SS_SUNKEN, 0};
    }
    return {"STATIC", 0, 0};
}

}  // namespace

FormBinder::FormBinder(Form& form, HWND window) : form_(form), window_(window) {}

FormBinder::~FormBinder() {
    for (auto& control : form_.controls()) control->onModelChanged = nullptr;
}

HWND FormBinder::createOne(Control& control, int id) {
    HWND parent = window_;
    if (!control.frame().empty()) {
        if (Control* frame = form_.find(control.frame())) {
            if (HWND frameHwnd = handleOf(*frame)) parent = frameHwnd;
        }
    }
    Kind kind = win32Kind(control.kind());
    DWORD style = WS_CHILD | kind.style;
    if (control.visible()) style |= WS_VISIBLE;
    if (!control.enabled()) style |= WS_DISABLED;
    const PixelRect& r = control.rect();
    HWND hwnd = CreateWindowExA(kind.exStyle, kind.cls, control.text().c_str(), style, r.x, r.y,
                                r.width, r.height, parent,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                moduleInstance(), nullptr);
    if (!hwnd) return nullptr;
    SendMessageA(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    return hwnd;
}

bool FormBinder::createControls() {
    registerFrameClass();
    bool all = true;
    int id = kFirstBoundControlId;
    for (auto& owned : form_.controls()) {
        Control& control = *owned;
        HWND hwnd = createOne(control, id++);
        if (!hwnd) {
            all = false;
            continue;
        }
        handles_[&control] = hwnd;
        controls_[hwnd] = &control;
        push(control);
        control.onModelChanged = [this](const Control& changed) { push(changed); };
    }
    return all;
}

HWND FormBinder::handleOf(const Control& control) const {
    auto it = handles_.find(&control);
    return it == handles_.end() ? nullptr : it->second;
}

Control* FormBinder::controlOf(HWND handle) const {
    auto it = controls_.find(handle);
    return it == controls_.end() ? nullptr : it->second;
}

void FormBinder::push(const Control& control) {
    HWND hwnd = handleOf(control);
    if (!hwnd) return;
    pushing_ = true;
    if (windowText(hwnd) != control.text()) SetWindowTextA(hwnd, control.text().c_str());
    switch (control.kind()) {
    case ControlKind::CheckBox:
    case ControlKind::OptionButton:
        SendMessageA(hwnd, BM_SETCHECK, static_cast<WPARAM>(control.value()), 0);
        break;
    case ControlKind::Slider:
        SendMessageA(hwnd, TBM_SETPOS, TRUE, control.value());
        break;
    default:
        break;
    }
    if ((IsWindowEnabled(hwnd) != FALSE) != control.enabled()) EnableWindow(hwnd, control.enabled());
    if ((IsWindowVisible(hwnd) != FALSE) != control.visible() && IsWindowVisible(GetParent(hwnd)))
        ShowWindow(hwnd, control.visible() ? SW_SHOWNA : SW_HIDE);
    else if (!control.visible())
        ShowWindow(hwnd, SW_HIDE);
    else if (!(GetWindowLongA(hwnd, GWL_STYLE) & WS_VISIBLE))
        ShowWindow(hwnd, SW_SHOWNA);
    pushing_ = false;
}

bool FormBinder::handleCommand(int code, HWND hwnd) {
    Control* control = controlOf(hwnd);
    if (!control || pushing_) return control != nullptr;
    switch (control->kind()) {
    case ControlKind::Button:
    case ControlKind::CheckBox:
    case ControlKind::OptionButton:
        if (code == BN_CLICKED) {
            // The check box toggled itself already; the model decides.
            control->userClick();
            push(*control);
        }
        return true;
    case ControlKind::TextBox:
        if (code == EN_CHANGE) control->userText(windowText(hwnd));
        return true;
    default:
        return true;
    }
}

bool FormBinder::handleScroll(HWND hwnd) {
    Control* control = controlOf(hwnd);
    if (!control) return false;
    if (control->kind() == ControlKind::Slider) {
        control->setValue(static_cast<int>(SendMessageA(hwnd, TBM_GETPOS, 0, 0)));
    }
    return true;
}

}  // namespace quellar::win
