#include "ui/balloon/balloon_win.h"

#include <commctrl.h>

#include <algorithm>

#include "res/resource.h"
#include "win/dpi_win.h"
#include "win/library_win.h"

namespace quellar::msgbox {

const char* const kMsgFrmClass = "QuellarMsgFrm";
const char* const kMsgPanelClass = "QuellarMsgPanel";
const char* const kMsgCloseClass = "QuellarMsgClose";

namespace {

// Posted by the close image to the balloon window: the close image cannot
// unload the window from inside its own mouse handler, as that would delete
// the object whose handler is running.
constexpr UINT kMsgCloseClicked = WM_APP + 1;

constexpr COLORREF kTransparentKey = RGB(0, 255, 0);
constexpr COLORREF kTextColor = RGB(0, 0, 0);

// The strip of twelve 16 x 16 cells from the resources, with pure green as
// the see-through colour. Loaded once; drawn with a monochrome mask so no
// system beyond plain GDI is needed.
class IconStrip {
public:
    static const IconStrip& get() {
        static IconStrip strip;
        return strip;
    }
    IconStrip(const IconStrip&) = delete;
    IconStrip& operator=(const IconStrip&) = delete;

    void draw(HDC dc, int cell, int x, int y) const {
        if (!image_ || !mask_ || cell < 0 || cell >= kIconCellCount) return;
        HDC src = CreateCompatibleDC(dc);
        const int sx = cell * kIconCellSize;
        const COLORREF oldBk = SetBkColor(dc, RGB(255, 255, 255));
        const COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0));
        HGDIOBJ old = SelectObject(src, mask_);
        // Mask white (see-through) keeps the background; black clears it for
        // the picture, whose see-through pixels were made black at load.
        BitBlt(dc, x, y, kIconCellSize, kIconCellSize, src, sx, 0, SRCAND);
        SelectObject(src, image_);
        BitBlt(dc, x, y, kIconCellSize, kIconCellSize, src, sx, 0, SRCPAINT);
        SelectObject(src, old);
        SetBkColor(dc, oldBk);
        SetTextColor(dc, oldText);
        DeleteDC(src);
    }

private:
    IconStrip() {
        image_ = static_cast<HBITMAP>(
            LoadImageA(win::moduleInstance(), MAKEINTRESOURCEA(IDB_MSGICONS), IMAGE_BITMAP, 0, 0, 0));
        if (!image_) return;
        const int width = kIconCellSize * kIconCellCount;
        mask_ = CreateBitmap(width, kIconCellSize, 1, 1, nullptr);
        HDC screen = GetDC(nullptr);
        HDC imageDc = CreateCompatibleDC(screen);
        HDC maskDc = CreateCompatibleDC(screen);
        HGDIOBJ oldImage = SelectObject(imageDc, image_);
        HGDIOBJ oldMask = SelectObject(maskDc, mask_);
        // Colour to monochrome: pixels of the background colour turn white.
        SetBkColor(imageDc, kTransparentKey);
        BitBlt(maskDc, 0, 0, width, kIconCellSize, imageDc, 0, 0, SRCCOPY);
        // Monochrome to colour: white becomes the background colour (black),
        // black the text colour (white); ANDed, the see-through pixels go black.
        SetBkColor(imageDc, RGB(0, 0, 0));
        SetTextColor(imageDc, RGB(255, 255, 255));
        BitBlt(imageDc, 0, 0, width, kIconCellSize, maskDc, 0, 0, SRCAND);
        SelectObject(imageDc, oldImage);
        SelectObject(maskDc, oldMask);
        DeleteDC(imageDc);
        DeleteDC(maskDc);
        ReleaseDC(nullptr, screen);
    }
    ~IconStrip() {
        if (image_) DeleteObject(image_);
        if (mask_) DeleteObject(mask_);
    }

    HBITMAP image_ = nullptr;
    HBITMAP mask_ = nullptr;
};

HRGN makeRoundRegion(const RoundRect& r) {
    return CreateRoundRectRgn(r.rect.left, r.rect.top, r.rect.right, r.rect.bottom, r.cornerWidth, r.cornerHeight);
}

HRGN makeTriangleRegion(const Triangle& t) {
    POINT pts[3];
    for (int i = 0; i < 3; ++i) pts[i] = POINT{t.corners[i].x, t.corners[i].y};
    return CreatePolygonRgn(pts, 3, WINDING);
}

void drawTriangle(HDC dc, const Triangle& t) {
    POINT pts[3];
    for (int i = 0; i < 3; ++i) pts[i] = POINT{t.corners[i].x, t.corners[i].y};
    Polygon(dc, pts, 3);
}

HFONT guiFont() {
    return win::dialogFont();
}

HWND makeControl(HWND parent, const char* cls, const std::string& text, DWORD style, DWORD exStyle, int id,
                 const Rect& r, HFONT font) {
    HWND h = CreateWindowExA(exStyle, cls, text.c_str(), WS_CHILD | WS_VISIBLE | style, r.left, r.top, r.width(),
                             r.height(), parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                             win::moduleInstance(), nullptr);
    if (h) SendMessageA(h, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return h;
}

// Height of `text` in `font`, wrapped at `width` (or on one line when width
// is 0).
int textHeight(HDC dc, HFONT font, const std::string& text, int width) {
    HGDIOBJ old = SelectObject(dc, font);
    RECT r{0, 0, width > 0 ? width : 10000, 0};
    UINT format = DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS | (width > 0 ? DT_WORDBREAK : DT_SINGLELINE);
    const std::string measured = text.empty() ? std::string(" ") : text;
    DrawTextA(dc, measured.c_str(), static_cast<int>(measured.size()), &r, format);
    SelectObject(dc, old);
    return r.bottom - r.top;
}

int lineHeight(HDC dc, HFONT font) {
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    SelectObject(dc, old);
    return tm.tmHeight;
}

// Bottom-up 32-bit DIB rows, the layout every system reads and writes.
BITMAPINFO dibInfo(int width, int height) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    return bi;
}

void flipRows(std::vector<std::uint32_t>& pixels, int width, int height) {
    const auto w = static_cast<size_t>(width);
    for (int top = 0, bottom = height - 1; top < bottom; ++top, --bottom)
        std::swap_ranges(pixels.begin() + static_cast<std::ptrdiff_t>(static_cast<size_t>(top) * w),
                         pixels.begin() + static_cast<std::ptrdiff_t>(static_cast<size_t>(top + 1) * w),
                         pixels.begin() + static_cast<std::ptrdiff_t>(static_cast<size_t>(bottom) * w));
}

// The screen under `area`, top-down; what lies off the screen is black.
// Empty when the system would not hand the pixels over.
std::vector<std::uint32_t> grabScreen(const RECT& area) {
    const int w = area.right - area.left;
    const int h = area.bottom - area.top;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = SelectObject(mem, bmp);
    PatBlt(mem, 0, 0, w, h, BLACKNESS);
    // Only the part on the screen is copied: a source reaching past the
    // screen's edge makes some systems refuse the whole copy (the notice
    // sits two pixels past the right edge).
    RECT onScreen{0, 0, GetDeviceCaps(screen, HORZRES), GetDeviceCaps(screen, VERTRES)};
    RECT part;
    if (IntersectRect(&part, &onScreen, &area))
        BitBlt(mem, part.left - area.left, part.top - area.top, part.right - part.left, part.bottom - part.top,
               screen, part.left, part.top, SRCCOPY);
    SelectObject(mem, old);
    std::vector<std::uint32_t> pixels(static_cast<size_t>(w) * static_cast<size_t>(h));
    BITMAPINFO bi = dibInfo(w, h);
    if (GetDIBits(mem, bmp, 0, static_cast<UINT>(h), pixels.data(), &bi, DIB_RGB_COLORS) == h)
        flipRows(pixels, w, h);
    else
        pixels.clear();
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return pixels;
}

// A screen-compatible bitmap from top-down pixels (which it reorders).
HBITMAP makeBitmap(std::vector<std::uint32_t>& pixels, int width, int height) {
    HDC screen = GetDC(nullptr);
    HBITMAP bmp = CreateCompatibleBitmap(screen, width, height);
    flipRows(pixels, width, height);
    BITMAPINFO bi = dibInfo(width, height);
    if (bmp && SetDIBits(screen, bmp, 0, static_cast<UINT>(height), pixels.data(), &bi, DIB_RGB_COLORS) == 0) {
        DeleteObject(bmp);
        bmp = nullptr;
    }
    ReleaseDC(nullptr, screen);
    return bmp;
}

}  // namespace

// ---- The panel: the balloon-coloured area that holds the controls ----------

class MsgFrm::PanelWindow : public win::Window {
public:
    explicit PanelWindow(MsgFrm& owner) : owner_(owner) {}

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
    MsgFrm& owner_;
};

// ---- The notice's close image ----------------------------------------------

class MsgFrm::CloseImage : public win::Window {
public:
    explicit CloseImage(MsgFrm& owner) : owner_(owner) {}

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
            if (wasPressed && inside) PostMessageA(owner_.hwnd(), kMsgCloseClicked, 0, 0);
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
    MsgFrm& owner_;
    bool pressed_ = false;
    bool tracking_ = false;
};

// ---- The balloon window ----------------------------------------------------

MsgFrm::MsgFrm() = default;

MsgFrm::~MsgFrm() {
    unload();
    if (colorBrush_) DeleteObject(colorBrush_);
    if (titleFont_) DeleteObject(titleFont_);
}

MsgFrm& msgFrm() {
    static MsgFrm frm;
    return frm;
}

bool MsgFrm::isOpen() const {
    return hwnd() && IsWindow(hwnd()) && IsWindowVisible(hwnd());
}

HWND MsgFrm::panelWindow() const {
    return panelWindow_ ? panelWindow_->hwnd() : nullptr;
}

HWND MsgFrm::control(int id) const {
    if (id == kIdClose) return closeImage_ ? closeImage_->hwnd() : nullptr;
    HWND panel = panelWindow();
    return panel ? GetDlgItem(panel, id) : nullptr;
}

std::string MsgFrm::MsgAuto_box(const std::string& mPrompt, long mFlags, const std::string& mCaption, short nTime,
                                bool NoPointer, COLORREF mColor, float X, float Y, short Intensity) {
    if (modal_) return std::string();
    show(Request::common(Panel::AutoBox, mPrompt, mFlags, mCaption, NoPointer, mColor, X, Y, Intensity));
    if (!hwnd()) return std::string();

    SetWindowPos(hwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    // A notice must not take the keyboard from what the user is doing.
    ShowWindow(hwnd(), SW_SHOWNOACTIVATE);
    UpdateWindow(hwnd());

    KillTimer(hwnd(), kTimer1);
    const unsigned delay = noticeDelayMs(nTime);
    if (delay > 0) SetTimer(hwnd(), kTimer1, delay, nullptr);
    return std::string();
}

short MsgFrm::msg_Box(const std::string& mPrompt, long mFlags, const std::string& mCaption, bool NoPointer,
                      const std::string& CheckboxTxt, const std::string& Btn1, const std::string& Btn2,
                      const std::string& Btn3, COLORREF mColor, float X, float Y, short Intensity) {
    if (modal_) return 0;
    Request r = Request::common(Panel::MsgBox, mPrompt, mFlags, mCaption, NoPointer, mColor, X, Y, Intensity);
    r.checkText = CheckboxTxt;
    r.buttons = decodeButtons(mFlags, Btn1, Btn2, Btn3);
    show(r);
    if (!hwnd()) return 0;
    runModal();
    const short result = cancelled_ ? short{0} : msgBoxResult(code_, hasCheck_, checked_);
    unload();
    return result;
}

std::string MsgFrm::input_box(const std::string& mPrompt, long mFlags, const std::string& mCaption,
                              const std::string& DefaultText, bool NoPointer, const std::string& CheckboxTxt,
                              COLORREF mColor, float X, float Y, short Intensity) {
    if (modal_) return std::string();
    Request r = Request::common(Panel::InputBox, mPrompt, mFlags, mCaption, NoPointer, mColor, X, Y, Intensity);
    r.defaultText = DefaultText;
    r.checkText = CheckboxTxt;
    show(r);
    if (!hwnd()) return std::string();
    runModal();
    const std::string result = inputBoxResult(text_, cancelled_, hasCheck_, checked_);
    unload();
    return result;
}

void MsgFrm::show(const Request& request) {
    // A second notice reuses the open one; anything else starts afresh.
    const bool reuse = request.kind == Panel::AutoBox && kind_ == Panel::AutoBox && isOpen();
    if (!reuse) unload();
    if (hwnd()) KillTimer(hwnd(), kTimer1);

    kind_ = request.kind;
    intensity_ = request.intensity;
    iconCell_ = decodeIconCell(request.flags);
    buttons_ = request.buttons;
    defaultButton_ = decodeDefaultButton(request.flags, static_cast<int>(buttons_.size()));
    hasCheck_ = request.kind != Panel::AutoBox && !request.checkText.empty();
    closeCell_ = kCloseCellNormal;
    done_ = false;
    cancelled_ = true;
    code_ = 0;
    checked_ = false;
    text_.clear();

    if (!reuse && !ensureWindow()) return;
    SetWindowTextA(hwnd(), request.caption.c_str());

    if (panelWindow_) panelWindow_->destroy();
    closeImage_.reset();
    panelWindow_.reset();
    color_ = static_cast<COLORREF>(balloonColor(request.color));
    if (colorBrush_) DeleteObject(colorBrush_);
    colorBrush_ = CreateSolidBrush(color_);

    buildPanel(request);
    POINT cursor{0, 0};
    GetCursorPos(&cursor);
    drawBalloon(request.noPointer, resolveTarget(request.x, request.y, Point{cursor.x, cursor.y}), intensity_);

    if (kind_ != Panel::AutoBox) {
        ShowWindow(hwnd(), SW_SHOW);
        SetForegroundWindow(hwnd());
        HWND focus = kind_ == Panel::InputBox ? control(kIdText) : control(kIdButton1 + defaultButton_ - 1);
        if (focus) SetFocus(focus);
        if (kind_ == Panel::InputBox && focus) SendMessageA(focus, EM_SETSEL, 0, -1);
        UpdateWindow(hwnd());
    }
}

bool MsgFrm::ensureWindow() {
    if (hwnd()) return true;
    // The notice is a tool window so it gets no taskbar button of its own;
    // the modal boxes keep one, titled with their caption, so they can be
    // found again behind other windows.
    const DWORD exStyle = kind_ == Panel::AutoBox ? WS_EX_TOOLWINDOW : 0;
    return create(kMsgFrmClass, "", WS_POPUP | WS_CLIPCHILDREN, exStyle, 0, 0, 10, 10, nullptr, nullptr, 0,
                  static_cast<HBRUSH>(GetStockObject(NULL_BRUSH)));
}

void MsgFrm::buildPanel(const Request& request) {
    HDC screen = GetDC(nullptr);
    metrics_.twipsPerPixelX = twipsPerPixel(win::screenDpi());
    metrics_.twipsPerPixelY = twipsPerPixel(win::screenDpi());
    const int screenHeight = GetDeviceCaps(screen, VERTRES);

    if (titleFont_ && titleFontDpi_ != win::screenDpi()) {
        DeleteObject(titleFont_);
        titleFont_ = nullptr;
    }
    if (!titleFont_) {
        titleFontDpi_ = win::screenDpi();
        LOGFONTA lf{};
        GetObjectA(guiFont(), sizeof lf, &lf);
        lf.lfWeight = FW_BOLD;
        titleFont_ = CreateFontIndirectA(&lf);
    }
    HFONT font = guiFont();
    HFONT bold = titleFont_ ? titleFont_ : font;

    LayoutRequest lr;
    lr.panel = kind_;
    lr.hasIcon = iconCell_ > 0;
    lr.hasCheck = hasCheck_;
    lr.buttonCount = static_cast<int>(buttons_.size());
    lr.sizes.titleHeight = textHeight(screen, bold, request.caption, 0);
    lr.sizes.lineHeight = lineHeight(screen, font);
    // A message taller than most of the screen is cut rather than pushing
    // the buttons out of reach.
    lr.sizes.messageHeight =
        std::min(textHeight(screen, font, request.prompt, messageWidth(metrics_)), screenHeight * 2 / 3);
    ReleaseDC(nullptr, screen);
    layout_ = layoutPanel(metrics_, lr);

    panelWindow_ = std::make_unique<PanelWindow>(*this);
    const Rect& p = layout_.panel;
    if (!panelWindow_->create(kMsgPanelClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT,
                              p.left, p.top, p.width(), p.height(), hwnd(), nullptr, 0,
                              static_cast<HBRUSH>(GetStockObject(NULL_BRUSH)))) {
        panelWindow_.reset();
        return;
    }
    HWND panel = panelWindow_->hwnd();
    const DWORD labelStyle = SS_NOPREFIX;
    makeControl(panel, "STATIC", request.caption, labelStyle | SS_LEFTNOWORDWRAP | SS_ENDELLIPSIS, 0, kIdTitle,
                layout_.title, bold);
    makeControl(panel, "STATIC", request.prompt, labelStyle | SS_LEFT, 0, kIdMessage, layout_.message, font);

    switch (kind_) {
    case Panel::MsgBox:
        if (hasCheck_)
            makeControl(panel, "BUTTON", request.checkText, BS_AUTOCHECKBOX | WS_TABSTOP, 0, kIdCheck,
                        layout_.check, font);
        for (size_t i = 0; i < buttons_.size() && i < layout_.buttons.size(); ++i) {
            const bool isDefault = static_cast<int>(i) + 1 == defaultButton_;
            makeControl(panel, "BUTTON", buttons_[i].caption,
                        (isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | WS_TABSTOP, 0,
                        kIdButton1 + static_cast<int>(i), layout_.buttons[i], font);
        }
        break;
    case Panel::InputBox:
        makeControl(panel, "EDIT", request.defaultText, ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE, kIdText,
                    layout_.text, font);
        if (hasCheck_)
            makeControl(panel, "BUTTON", request.checkText, BS_AUTOCHECKBOX | WS_TABSTOP, 0, kIdCheck,
                        layout_.check, font);
        makeControl(panel, "BUTTON", "Cancel", BS_PUSHBUTTON | WS_TABSTOP, 0, kIdInputCancel, layout_.cancel, font);
        makeControl(panel, "BUTTON", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 0, kIdInputOk, layout_.ok, font);
        break;
    case Panel::AutoBox: {
        closeImage_ = std::make_unique<CloseImage>(*this);
        const Rect& c = layout_.close;
        if (!closeImage_->create(kMsgCloseClass, "", WS_CHILD | WS_VISIBLE, 0, c.left, c.top, c.width(), c.height(),
                                 panel, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdClose)), 0,
                                 static_cast<HBRUSH>(GetStockObject(NULL_BRUSH))))
            closeImage_.reset();
        break;
    }
    }
}

void MsgFrm::drawBalloon(bool noPointer, Point target, int intensity) {
    intensity_ = intensity;
    const int w = layout_.windowWidth;
    const int h = layout_.windowHeight;
    HDC screen = GetDC(nullptr);
    const int screenWidth = GetDeviceCaps(screen, HORZRES);
    const int screenHeight = GetDeviceCaps(screen, VERTRES);
    ReleaseDC(nullptr, screen);
    placement_ = placeBalloon(target.x, target.y, screenWidth, screenHeight, w, h);

    // An open notice moving to a new place must not see itself in its new
    // shadow: cut it down to the body (which uncovers the shadow strip)
    // before the capture.
    RECT now;
    GetWindowRect(hwnd(), &now);
    const RECT next{placement_.left, placement_.top, placement_.left + w, placement_.top + h};
    if (IsWindowVisible(hwnd()) && !EqualRect(&now, &next)) applyRegion(false, false);
    SetWindowPos(hwnd(), nullptr, placement_.left, placement_.top, w, h,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
    captureShadow();
    pointerShown_ = !noPointer;
    shadowShown_ = true;
    applyRegion(pointerShown_, true);
    InvalidateRect(hwnd(), nullptr, TRUE);
}

void MsgFrm::captureShadow() {
    if (shadow_) {
        DeleteObject(shadow_);
        shadow_ = nullptr;
    }
    RECT wr;
    GetWindowRect(hwnd(), &wr);
    const int w = wr.right - wr.left;
    const int h = wr.bottom - wr.top;
    if (w <= 0 || h <= 0) return;
    // A notice shown again at the same place would find itself on the
    // screen: the copy taken when it first appeared is still what lies
    // under it.
    const bool sameSpot = IsWindowVisible(hwnd()) && !screenUnder_.empty() && EqualRect(&wr, &screenUnderRect_);
    if (!sameSpot) {
        screenUnder_ = grabScreen(wr);
        screenUnderRect_ = wr;
    }
    if (screenUnder_.empty()) return;
    std::vector<std::uint32_t> pixels = screenUnder_;
    applyShadow(pixels, w, h, intensity_);
    shadow_ = makeBitmap(pixels, w, h);
}

void MsgFrm::applyRegion(bool withPointer, bool withShadow) {
    const int w = layout_.windowWidth;
    const int h = layout_.windowHeight;
    HRGN region = makeRoundRegion(bodyRegion(w, h));
    if (withShadow) {
        HRGN shadow = makeRoundRegion(shadowRegion(w, h));
        CombineRgn(region, region, shadow, RGN_OR);
        DeleteObject(shadow);
    }
    if (withPointer) {
        HRGN pointer = makeTriangleRegion(pointerOuter(placement_.style, w, h));
        CombineRgn(region, region, pointer, RGN_OR);
        DeleteObject(pointer);
    }
    // The system owns the region from here on.
    if (!SetWindowRgn(hwnd(), region, TRUE)) DeleteObject(region);
}

void MsgFrm::onPaint(HDC dc) {
    const int w = layout_.windowWidth;
    const int h = layout_.windowHeight;
    HDC mem = CreateCompatibleDC(dc);
    HBITMAP canvas = CreateCompatibleBitmap(dc, w, h);
    HGDIOBJ oldCanvas = SelectObject(mem, canvas);

    if (shadowShown_ && shadow_) {
        HDC src = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(src, shadow_);
        BitBlt(mem, 0, 0, w, h, src, 0, 0, SRCCOPY);
        SelectObject(src, old);
        DeleteDC(src);
    }

    // The grey body shows only as a rim where the face below leaves it.
    HRGN body = makeRoundRegion(bodyRegion(w, h));
    HBRUSH rim = CreateSolidBrush(static_cast<COLORREF>(kBodyRimColor));
    FillRgn(mem, body, rim);
    DeleteObject(rim);
    DeleteObject(body);

    HGDIOBJ oldPen = SelectObject(mem, GetStockObject(BLACK_PEN));
    HGDIOBJ oldBrush = SelectObject(mem, colorBrush_);
    const RoundRect face = bodyFace(w, h);
    ::RoundRect(mem, face.rect.left, face.rect.top, face.rect.right, face.rect.bottom, face.cornerWidth,
              face.cornerHeight);

    if (pointerShown_) {
        SelectObject(mem, GetStockObject(BLACK_BRUSH));
        drawTriangle(mem, pointerOuter(placement_.style, w, h));
        HPEN fill = CreatePen(PS_SOLID, 1, color_);
        SelectObject(mem, fill);
        SelectObject(mem, colorBrush_);
        drawTriangle(mem, pointerInner(placement_.style, w, h));
        SelectObject(mem, GetStockObject(BLACK_PEN));
        DeleteObject(fill);
    }
    SelectObject(mem, oldPen);
    SelectObject(mem, oldBrush);

    BitBlt(dc, 0, 0, w, h, mem, 0, 0, SRCCOPY);
    SelectObject(mem, oldCanvas);
    DeleteObject(canvas);
    DeleteDC(mem);
}

void MsgFrm::drawIcon(HDC dc, int cell, int x, int y) const {
    IconStrip::get().draw(dc, cell, x, y);
}

void MsgFrm::setCloseCell(int cell) {
    if (closeCell_ == cell) return;
    closeCell_ = cell;
    if (closeImage_ && closeImage_->hwnd()) InvalidateRect(closeImage_->hwnd(), nullptr, FALSE);
}

void MsgFrm::runModal() {
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

int MsgFrm::enterTarget() const {
    // Enter presses the push button that has the focus, as in a dialog box;
    // elsewhere (the text box, the check box) it presses the default one.
    HWND focus = GetFocus();
    HWND panel = panelWindow();
    if (focus && panel && GetParent(focus) == panel) {
        const int id = GetDlgCtrlID(focus);
        const bool isButton = kind_ == Panel::InputBox
                                  ? id == kIdInputOk || id == kIdInputCancel
                                  : id >= kIdButton1 && id < kIdButton1 + static_cast<int>(buttons_.size());
        if (isButton) return id;
    }
    return kind_ == Panel::InputBox ? kIdInputOk : kIdButton1 + defaultButton_ - 1;
}

bool MsgFrm::checkTicked() const {
    HWND check = control(kIdCheck);
    return check && SendMessageA(check, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void MsgFrm::finish(short code) {
    code_ = code;
    cancelled_ = false;
    checked_ = checkTicked();
    if (HWND text = control(kIdText)) text_ = win::windowText(text);
    done_ = true;
    ShowWindow(hwnd(), SW_HIDE);
}

void MsgFrm::pressButton(int id) {
    switch (kind_) {
    case Panel::MsgBox: {
        const int index = id - kIdButton1;
        if (index >= 0 && index < static_cast<int>(buttons_.size())) finish(buttons_[static_cast<size_t>(index)].code);
        break;
    }
    case Panel::InputBox:
        if (id == kIdInputOk) {
            HWND text = control(kIdText);
            if (text && GetWindowTextLengthA(text) > 0) finish(1);
        } else if (id == kIdInputCancel) {
            checked_ = false;
            done_ = true;
            cancelled_ = true;
            ShowWindow(hwnd(), SW_HIDE);
        }
        break;
    case Panel::AutoBox:
        break;
    }
}

void MsgFrm::unload() {
    if (hwnd()) {
        KillTimer(hwnd(), kTimer1);
        destroy();
    }
    closeImage_.reset();
    panelWindow_.reset();
    if (shadow_) {
        DeleteObject(shadow_);
        shadow_ = nullptr;
    }
    screenUnder_.clear();
    pointerShown_ = false;
    shadowShown_ = false;
}

void MsgFrm::reduceToBody() {
    if (!hwnd()) return;
    pointerShown_ = false;
    shadowShown_ = false;
    applyRegion(false, false);
    RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void MsgFrm::refreshShadow() {
    if (!hwnd()) return;
    // The window shows only its body now, so the screen around it is what
    // the capture sees.
    captureShadow();
    shadowShown_ = true;
    applyRegion(false, true);
    InvalidateRect(hwnd(), nullptr, TRUE);
}

void MsgFrm::startDrag() {
    if (kind_ == Panel::AutoBox || !hwnd()) return;
    reduceToBody();
    ReleaseCapture();
    SendMessageA(hwnd(), WM_NCLBUTTONDOWN, HTCAPTION, 0);
    refreshShadow();
}

bool MsgFrm::onCommand(int id, int code, HWND control) {
    (void)control;
    if (code != BN_CLICKED) return false;
    switch (id) {
    case IDOK:
        pressButton(enterTarget());
        return true;
    case IDCANCEL:
        // Escape answers like a Cancel button, where the box has one; a box
        // with a single button lets Escape press that.
        if (kind_ == Panel::InputBox) {
            pressButton(kIdInputCancel);
        } else if (kind_ == Panel::MsgBox) {
            for (size_t i = 0; i < buttons_.size(); ++i)
                if (buttons_[i].code == IDCANCEL) pressButton(kIdButton1 + static_cast<int>(i));
            if (!done_ && buttons_.size() == 1) pressButton(kIdButton1);
        }
        return true;
    case kIdButton1:
    case kIdButton2:
    case kIdButton3:
    case kIdInputOk:
    case kIdInputCancel:
        pressButton(id);
        return true;
    default:
        return false;
    }
}

void MsgFrm::onTimer(UINT_PTR id) {
    if (id != kTimer1) return;
    KillTimer(hwnd(), kTimer1);
    unload();
}

void MsgFrm::onDestroy() {
    // Destroyed from outside while a modal box waits: the box is over, with
    // no button pressed.
    done_ = true;
}

bool MsgFrm::onMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
    case WM_ERASEBKGND:
        result = 1;
        return true;
    case DM_GETDEFID:
        if (kind_ == Panel::AutoBox) return false;
        result = MAKELRESULT(enterTarget(), DC_HASDEFID);
        return true;
    case WM_LBUTTONDOWN: {
        const POINT pt{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        HRGN body = makeRoundRegion(bodyRegion(layout_.windowWidth, layout_.windowHeight));
        const bool onBody = PtInRegion(body, pt.x, pt.y) != FALSE;
        DeleteObject(body);
        if (onBody) startDrag();
        return true;
    }
    case WM_CLOSE:
        if (modal_) {
            done_ = true;
            cancelled_ = true;
            ShowWindow(hwnd(), SW_HIDE);
        } else {
            unload();
        }
        return true;
    default:
        break;
    }
    if (msg == kMsgCloseClicked) {
        unload();
        return true;
    }
    (void)wParam;
    return false;
}

}  // namespace quellar::msgbox
