#include "ui/balloon/balloon_win.h"

#include <commctrl.h>

#include "win/dpi_win.h"
#include "win/library_win.h"

namespace quellar::ui {

const char* const kBalloonClass = "QuellarMsgFrm";
const char* const kBalloonPanelClass = "QuellarMsgPanel";
const char* const kBalloonCloseClass = "QuellarMsgClose";

namespace {

// Posted by the close image to the balloon window: the close image cannot
// unload the window from inside its own mouse handler, as that would delete
// the object whose handler is running.
constexpr UINT kCloseClickedMessage = WM_APP + 1;

constexpr COLORREF kTextColor = RGB(0, 0, 0);

HWND makeControl(HWND parent, const char* cls, const std::string& text, DWORD style, DWORD exStyle, int id,
                 const Rect& r, HFONT font) {
    HWND h = CreateWindowExA(exStyle, cls, text.c_str(), WS_CHILD | WS_VISIBLE | style, r.left, r.top, r.width(),
                             r.height(), parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                             win::moduleInstance(), nullptr);
    if (h) SendMessageA(h, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return h;
}

}  // namespace

// ---- The panel: the balloon-coloured area that holds the controls ----------

class Balloon::PanelWindow : public win::Window {
public:
    explicit PanelWindow(Balloon& owner) : owner_(owner) {}

protected:
    void onPaint(HDC dc) override {
        if (owner_.iconCell_ > 0)
            owner_.drawIcon(dc, owner_.iconCell_, owner_.layout_.icon.left, owner_.layout_.icon.top);
    }

    bool onMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
        switch (msg) {
        case WM_ERASEBKGND: {
            RECT r;
            GetClientRect(hwnd(), &r);
            FillRect(reinterpret_cast<HDC>(wParam), &r, owner_.colorBrush_);
            result = 1;
            return true;
        }
        case WM_CTLCOLORSTATIC: {
            HDC dc = reinterpret_cast<HDC>(wParam);
            SetBkColor(dc, owner_.color_);
            SetTextColor(dc, kTextColor);
            result = reinterpret_cast<LRESULT>(owner_.colorBrush_);
            return true;
        }
        case WM_COMMAND:
            result = SendMessageA(owner_.hwnd(), msg, wParam, lParam);
            return true;
        case WM_LBUTTONDOWN:
            // The labels pass their clicks through to here.
            owner_.startDrag();
            return true;
        case WM_MOUSEMOVE:
            if (owner_.closeCell_ != kCloseCellNormal) owner_.setCloseCell(kCloseCellNormal);
            return true;
        default:
            return false;
        }
    }

private:
    Balloon& owner_;
};

// ---- The notice's close image ----------------------------------------------

class Balloon::CloseImage : public win::Window {
public:
    explicit CloseImage(Balloon& owner) : owner_(owner) {}

protected:
    void onPaint(HDC dc) override {
        RECT r;
        GetClientRect(hwnd(), &r);
        FillRect(dc, &r, owner_.colorBrush_);
        owner_.drawIcon(dc, owner_.closeCell_, 0, 0);
    }

    bool onMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
        (void)wParam;
        switch (msg) {
        case WM_ERASEBKGND:
            result = 1;
            return true;
        case WM_MOUSEMOVE:
            if (!pressed_ && owner_.closeCell_ != kCloseCellHover) owner_.setCloseCell(kCloseCellHover);
            if (!tracking_) tracking_ = win::trackMouseLeave(hwnd());
            return true;
        case WM_MOUSELEAVE:
            tracking_ = false;
            if (!pressed_) owner_.setCloseCell(kCloseCellNormal);
            return true;
        case WM_LBUTTONDOWN:
            pressed_ = true;
            SetCapture(hwnd());
            owner_.setCloseCell(kCloseCellPressed);
            return true;
        case WM_LBUTTONUP: {
            const bool wasPressed = pressed_;
            pressed_ = false;
            if (GetCapture() == hwnd()) ReleaseCapture();
            RECT r;
            GetClientRect(hwnd(), &r);
            const POINT pt{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            const bool inside = PtInRect(&r, pt) != FALSE;
            owner_.setCloseCell(inside ? kCloseCellHover : kCloseCellNormal);
            if (wasPressed && inside) PostMessageA(owner_.hwnd(), kCloseClickedMessage, 0, 0);
            return true;
        }
        case WM_CAPTURECHANGED:
            if (pressed_) {
                pressed_ = false;
                owner_.setCloseCell(kCloseCellNormal);
            }
            return true;
        default:
            return false;
        }
    }

private:
    Balloon& owner_;
    bool pressed_ = false;
    bool tracking_ = false;
};

// ---- The balloon window ----------------------------------------------------

Balloon::Balloon() = default;

Balloon::~Balloon() {
    unload();
    if (colorBrush_) DeleteObject(colorBrush_);
    if (titleFont_) DeleteObject(titleFont_);
}

Balloon& balloon() {
    static Balloon window;
    return window;
}

bool Balloon::isOpen() const {
    return hwnd() && IsWindow(hwnd()) && IsWindowVisible(hwnd());
}

HWND Balloon::panelWindow() const {
    return panelWindow_ ? panelWindow_->hwnd() : nullptr;
}

HWND Balloon::control(int id) const {
    if (id == kIdClose) return closeImage_ ? closeImage_->hwnd() : nullptr;
    HWND panel = panelWindow();
    return panel ? GetDlgItem(panel, id) : nullptr;
}

void Balloon::show(const NoticeArgs& args) {
    if (modal_) return;
    Request r;
    r.kind = Panel::Notice;
    r.look = args;
    open(r);
    if (!hwnd()) return;

    SetWindowPos(hwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    // A notice must not take the keyboard from what the user is doing.
    ShowWindow(hwnd(), SW_SHOWNOACTIVATE);
    UpdateWindow(hwnd());

    // open() stopped the countdown of a notice it replaced.
    const unsigned delay = noticeDelayMs(args.seconds);
    if (delay > 0) countdown_.start(delay, [this] { unload(); });
}

short Balloon::ask(const QuestionArgs& args) {
    if (modal_) return 0;
    Request r;
    r.kind = Panel::Question;
    r.look = args;
    r.checkText = args.checkText;
    r.buttons = decodeButtons(args.flags, args.button1, args.button2, args.button3);
    open(r);
    if (!hwnd()) return 0;
    runModal();
    const short result = cancelled_ ? short{0} : questionResult(code_, hasCheck_, checked_);
    unload();
    return result;
}

std::string Balloon::prompt(const PromptArgs& args) {
    if (modal_) return std::string();
    Request r;
    r.kind = Panel::Prompt;
    r.look = args;
    r.defaultText = args.defaultText;
    r.checkText = args.checkText;
    open(r);
    if (!hwnd()) return std::string();
    runModal();
    const std::string result = promptResult(text_, cancelled_, hasCheck_, checked_);
    unload();
    return result;
}

void Balloon::open(const Request& request) {
    // A second notice reuses the open one; anything else starts afresh.
    const bool reuse = request.kind == Panel::Notice && kind_ == Panel::Notice && isOpen();
    if (!reuse) unload();
    countdown_.stop();
    resetAnswer(request);

    if (!reuse && !ensureWindow()) return;
    SetWindowTextA(hwnd(), request.look.title.c_str());

    if (panelWindow_) panelWindow_->destroy();
    closeImage_.reset();
    panelWindow_.reset();
    color_ = static_cast<COLORREF>(balloonColor(request.look.color));
    if (colorBrush_) DeleteObject(colorBrush_);
    colorBrush_ = CreateSolidBrush(color_);

    buildPanel(request);
    POINT cursor{0, 0};
    GetCursorPos(&cursor);
    placeAt(request.look.noPointer, resolveTarget(request.look.x, request.look.y, Point{cursor.x, cursor.y}));

    if (kind_ != Panel::Notice) {
        ShowWindow(hwnd(), SW_SHOW);
        SetForegroundWindow(hwnd());
        focusFirstControl();
        UpdateWindow(hwnd());
    }
}

void Balloon::resetAnswer(const Request& request) {
    kind_ = request.kind;
    intensity_ = request.look.shadowIntensity;
    iconCell_ = decodeIconCell(request.look.flags);
    buttons_ = request.buttons;
    defaultButton_ = decodeDefaultButton(request.look.flags, static_cast<int>(buttons_.size()));
    hasCheck_ = request.kind != Panel::Notice && !request.checkText.empty();
    closeCell_ = kCloseCellNormal;
    done_ = false;
    cancelled_ = true;
    code_ = 0;
    checked_ = false;
    text_.clear();
}

void Balloon::focusFirstControl() {
    HWND focus = kind_ == Panel::Prompt ? control(kIdText) : control(kIdButton1 + defaultButton_ - 1);
    if (focus) SetFocus(focus);
    if (kind_ == Panel::Prompt && focus) SendMessageA(focus, EM_SETSEL, 0, -1);
}

bool Balloon::ensureWindow() {
    if (hwnd()) return true;
    // The notice is a tool window so it gets no taskbar button of its own;
    // the modal boxes keep one, titled with their caption, so they can be
    // found again behind other windows.
    const DWORD exStyle = kind_ == Panel::Notice ? WS_EX_TOOLWINDOW : 0;
    return create(kBalloonClass, "", WS_POPUP | WS_CLIPCHILDREN, exStyle, 0, 0, 10, 10, nullptr, nullptr, 0,
                  static_cast<HBRUSH>(GetStockObject(NULL_BRUSH)));
}

void Balloon::buildPanel(const Request& request) {
    HFONT font = win::dialogFont();
    HFONT bold = titleFont();
    measureTexts(request, font, bold);

    panelWindow_ = std::make_unique<PanelWindow>(*this);
    const Rect& p = layout_.panel;
    if (!panelWindow_->create(kBalloonPanelClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT,
                              p.left, p.top, p.width(), p.height(), hwnd(), nullptr, 0,
                              static_cast<HBRUSH>(GetStockObject(NULL_BRUSH)))) {
        panelWindow_.reset();
        return;
    }
    makeControls(request, font, bold);
}

void Balloon::makeControls(const Request& request, HFONT font, HFONT bold) {
    HWND panel = panelWindow_->hwnd();
    const DWORD labelStyle = SS_NOPREFIX;
    makeControl(panel, "STATIC", request.look.title, labelStyle | SS_LEFTNOWORDWRAP | SS_ENDELLIPSIS, 0, kIdTitle,
                layout_.title, bold);
    makeControl(panel, "STATIC", request.look.text, labelStyle | SS_LEFT, 0, kIdMessage, layout_.message, font);
    if (kind_ == Panel::Prompt)
        makeControl(panel, "EDIT", request.defaultText, ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE, kIdText,
                    layout_.text, font);
    if (hasCheck_)
        makeControl(panel, "BUTTON", request.checkText, BS_AUTOCHECKBOX | WS_TABSTOP, 0, kIdCheck, layout_.check,
                    font);

    switch (kind_) {
    case Panel::Question:
        for (size_t i = 0; i < buttons_.size() && i < layout_.buttons.size(); ++i) {
            const bool isDefault = static_cast<int>(i) + 1 == defaultButton_;
            makeControl(panel, "BUTTON", buttons_[i].caption,
                        (isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | WS_TABSTOP, 0,
                        kIdButton1 + static_cast<int>(i), layout_.buttons[i], font);
        }
        break;
    case Panel::Prompt:
        makeControl(panel, "BUTTON", "Cancel", BS_PUSHBUTTON | WS_TABSTOP, 0, kIdPromptCancel, layout_.cancel, font);
        makeControl(panel, "BUTTON", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 0, kIdPromptOk, layout_.ok, font);
        break;
    case Panel::Notice: {
        closeImage_ = std::make_unique<CloseImage>(*this);
        const Rect& c = layout_.close;
        if (!closeImage_->create(kBalloonCloseClass, "", WS_CHILD | WS_VISIBLE, 0, c.left, c.top, c.width(),
                                 c.height(), panel, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdClose)), 0,
                                 static_cast<HBRUSH>(GetStockObject(NULL_BRUSH))))
            closeImage_.reset();
        break;
    }
    }
}

void Balloon::setCloseCell(int cell) {
    if (closeCell_ == cell) return;
    closeCell_ = cell;
    if (closeImage_ && closeImage_->hwnd()) InvalidateRect(closeImage_->hwnd(), nullptr, FALSE);
}

void Balloon::runModal() {
    modal_ = true;
    MSG msg;
    while (!done_ && hwnd() && IsWindow(hwnd())) {
        const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0) {
            // Leave the program's own loop its quit message.
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (got == -1) break;
        if (hwnd() && IsDialogMessageA(hwnd(), &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    modal_ = false;
}

int Balloon::enterTarget() const {
    // Enter presses the push button that has the focus, as in a dialog box;
    // elsewhere (the text box, the check box) it presses the default one.
    HWND focus = GetFocus();
    HWND panel = panelWindow();
    if (focus && panel && GetParent(focus) == panel) {
        const int id = GetDlgCtrlID(focus);
        const bool isButton = kind_ == Panel::Prompt
                                  ? id == kIdPromptOk || id == kIdPromptCancel
                                  : id >= kIdButton1 && id < kIdButton1 + static_cast<int>(buttons_.size());
        if (isButton) return id;
    }
    return kind_ == Panel::Prompt ? kIdPromptOk : kIdButton1 + defaultButton_ - 1;
}

bool Balloon::checkTicked() const {
    HWND check = control(kIdCheck);
    return check && SendMessageA(check, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Balloon::finish(short code) {
    code_ = code;
    cancelled_ = false;
    checked_ = checkTicked();
    if (HWND text = control(kIdText)) text_ = win::windowText(text);
    done_ = true;
    ShowWindow(hwnd(), SW_HIDE);
}

void Balloon::cancel() {
    checked_ = false;
    done_ = true;
    cancelled_ = true;
    ShowWindow(hwnd(), SW_HIDE);
}

void Balloon::pressButton(int id) {
    switch (kind_) {
    case Panel::Question: {
        const int index = id - kIdButton1;
        if (index >= 0 && index < static_cast<int>(buttons_.size())) finish(buttons_[static_cast<size_t>(index)].code);
        break;
    }
    case Panel::Prompt:
        if (id == kIdPromptOk) {
            HWND text = control(kIdText);
            if (text && GetWindowTextLengthA(text) > 0) finish(1);
        } else if (id == kIdPromptCancel) {
            cancel();
        }
        break;
    case Panel::Notice:
        break;
    }
}

void Balloon::unload() {
    countdown_.stop();
    if (hwnd()) destroy();
    closeImage_.reset();
    panelWindow_.reset();
    releaseShape();
}

void Balloon::reduceToBody() {
    if (!hwnd()) return;
    pointerShown_ = false;
    shadowShown_ = false;
    applyRegion(false, false);
    RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void Balloon::refreshShadow() {
    if (!hwnd()) return;
    // The window shows only its body now, so the screen around it is what
    // the capture sees.
    captureShadow();
    shadowShown_ = true;
    applyRegion(false, true);
    InvalidateRect(hwnd(), nullptr, TRUE);
}

void Balloon::startDrag() {
    if (kind_ == Panel::Notice || !hwnd()) return;
    reduceToBody();
    ReleaseCapture();
    SendMessageA(hwnd(), WM_NCLBUTTONDOWN, HTCAPTION, 0);
    refreshShadow();
}

bool Balloon::onCommand(int id, int code, HWND control) {
    (void)control;
    if (code != BN_CLICKED) return false;
    switch (id) {
    case IDOK:
        pressButton(enterTarget());
        return true;
    case IDCANCEL:
        // Escape answers like a Cancel button, where the box has one; a box
        // with a single button lets Escape press that.
        if (kind_ == Panel::Prompt) {
            pressButton(kIdPromptCancel);
        } else if (kind_ == Panel::Question) {
            const int index = escapeButton(buttons_);
            if (index >= 0) pressButton(kIdButton1 + index);
        }
        return true;
    case kIdButton1:
    case kIdButton2:
    case kIdButton3:
    case kIdPromptOk:
    case kIdPromptCancel:
        pressButton(id);
        return true;
    default:
        return false;
    }
}

void Balloon::onDestroy() {
    // Destroyed from outside while a modal box waits: the box is over, with
    // no button pressed.
    done_ = true;
}

bool Balloon::onMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    (void)wParam;
    switch (msg) {
    case WM_ERASEBKGND:
        result = 1;
        return true;
    case DM_GETDEFID:
        if (kind_ == Panel::Notice) return false;
        result = MAKELRESULT(enterTarget(), DC_HASDEFID);
        return true;
    case WM_LBUTTONDOWN:
        if (onBody(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)))) startDrag();
        return true;
    case WM_CLOSE:
        if (modal_)
            cancel();
        else
            unload();
        return true;
    case kCloseClickedMessage:
        unload();
        return true;
    default:
        return false;
    }
}

}  // namespace quellar::ui
