#include "ui/skin/skin_win.h"

#include <commctrl.h>

#include <memory>

#include "res/resource.h"
#include "win/dpi_win.h"
#include "win/files_win.h"
#include "win/library_win.h"
#include "ui/skin/skinpaint_win.h"
#include "ui/skin/skinwindow_win.h"
#include "win/window_win.h"

namespace quellar::ui {

// One per skinned window, held in a window property. It outlives the
// engine when a later subclass keeps the engine from unhooking itself; it
// then only passes messages on.
struct SkinEngine::Skinned {
    SkinEngine* engine = nullptr;
    WNDPROC previous = nullptr;
    SkinElement element = SkinElement::ControlForm;
    bool hover = false;
};

namespace {

const char* const kSkinnedProp = "QuellarSkin";

// Sent by Windows 2000 and later when keyboard cues change; the headers for
// older systems do not name it.
constexpr UINT kUpdateUiState = 0x0128;

// Messages after which a control has drawn itself in its own look (the
// system controls paint at once on these, without WM_PAINT), so the skin
// paints over it straight away.
bool redrawsItself(UINT msg) {
    switch (msg) {
    case BM_SETSTATE:
    case BM_SETCHECK:
    case BM_SETSTYLE:
    case WM_SETTEXT:
    case WM_SETFONT:
    case WM_ENABLE:
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_CAPTURECHANGED:
    case kUpdateUiState:
        return true;
    default:
        return false;
    }
}

// Paints through an off-screen bitmap so a control never shows half drawn;
// falls back to painting directly when memory is short.
template <class Draw>
void buffered(HDC target, const RECT& rect, Draw draw) {
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    HDC memory = CreateCompatibleDC(target);
    HBITMAP bitmap = memory ? CreateCompatibleBitmap(target, width, height) : nullptr;
    if (!bitmap) {
        if (memory) DeleteDC(memory);
        draw(target);
        return;
    }
    HGDIOBJ old = SelectObject(memory, bitmap);
    draw(memory);
    BitBlt(target, rect.left, rect.top, width, height, memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
}

bool readSkinFile(const std::string& path, std::string& text) {
    win::FileText file = win::readCappedFile(path, kMaxSkinFileSize);
    text = std::move(file.text);
    return file.ok();
}

// The skin built into the program: the resource, which is the shipped file
// itself; the same text compiled in serves when the resource cannot be had.
Skin resourceSkin() {
    const std::string_view bytes = win::resourceBytes(MAKEINTRESOURCEA(IDR_SKIN), MAKEINTRESOURCEA(RT_QUELLAR_DATA));
    if (!bytes.empty()) {
        SkinParseResult parsed = parseSkin(bytes, Skin());
        if (parsed.issues.empty()) return parsed.skin;
    }
    return builtInSkin();
}

bool sameFont(const ElementStyle& a, const ElementStyle& b) {
    return a.fontFace == b.fontFace && a.fontSize == b.fontSize && a.fontWeight == b.fontWeight;
}

HFONT createFont(const ElementStyle& style) {
    LOGFONTA lf{};
    lf.lfHeight = win::fontHeight(style.fontSize);
    lf.lfWeight = style.fontWeight;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
    lstrcpynA(lf.lfFaceName, style.fontFace.c_str(), LF_FACESIZE);
    return CreateFontIndirectA(&lf);
}

}  // namespace

SkinEngine::SkinEngine() {
    install(resourceSkin());
}

SkinEngine::~SkinEngine() {
    for (HWND hwnd : windows_) {
        auto* skinned = static_cast<Skinned*>(GetPropA(hwnd, kSkinnedProp));
        if (!skinned || skinned->engine != this) continue;
        if (GetWindowLongPtrA(hwnd, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&windowProc)) {
            SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(skinned->previous));
            RemovePropA(hwnd, kSkinnedProp);
            delete skinned;
            redrawAll(hwnd);
        } else {
            // Someone subclassed the window after us and still calls our
            // procedure: it must stay, but only pass messages on.
            skinned->engine = nullptr;
        }
    }
    releaseGdi();
}

bool SkinEngine::loadFile(const std::string& path) {
    std::string text;
    issues_.clear();
    if (readSkinFile(path, text)) {
        SkinParseResult parsed = parseSkin(text);
        if (parsed.issues.empty()) {
            install(parsed.skin);
            return true;
        }
        // A half-read skin would mix the file's colours with the built-in
        // ones; the built-in skin at least looks as it was made to.
        issues_ = std::move(parsed.issues);
    }
    install(resourceSkin());
    return false;
}

void SkinEngine::applyElement(HWND hwnd, const std::string& name) {
    SkinElement element;
    if (!findSkinElement(name, element)) return;
    if (!hwnd || !IsWindow(hwnd)) return;
    DWORD process = 0;
    GetWindowThreadProcessId(hwnd, &process);
    if (process != GetCurrentProcessId()) return;

    auto* skinned = static_cast<Skinned*>(GetPropA(hwnd, kSkinnedProp));
    if (skinned) {
        if (skinned->engine != this) {
            if (skinned->engine) skinned->engine->windows_.erase(hwnd);
            skinned->engine = this;
            windows_.insert(hwnd);
        }
        skinned->element = element;
    } else {
        auto made = std::make_unique<Skinned>();
        made->engine = this;
        made->element = element;
        made->previous = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(hwnd, GWLP_WNDPROC));
        if (!made->previous || !SetPropA(hwnd, kSkinnedProp, made.get())) return;
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&windowProc));
        if (GetWindowLongPtrA(hwnd, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(&windowProc)) {
            RemovePropA(hwnd, kSkinnedProp);
            return;
        }
        windows_.insert(hwnd);
        made.release();
    }

    if (element == SkinElement::NoFrame) {
        DWORD style = windowStyle(hwnd) & ~static_cast<DWORD>(WS_BORDER | WS_DLGFRAME | WS_THICKFRAME);
        DWORD exStyle = static_cast<DWORD>(GetWindowLongA(hwnd, GWL_EXSTYLE)) &
                        ~static_cast<DWORD>(WS_EX_CLIENTEDGE | WS_EX_STATICEDGE |
                                            WS_EX_WINDOWEDGE | WS_EX_DLGMODALFRAME);
        SetWindowLongA(hwnd, GWL_STYLE, static_cast<LONG>(style));
        SetWindowLongA(hwnd, GWL_EXSTYLE, static_cast<LONG>(exStyle));
        SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    }
    redrawAll(hwnd);
}

std::string SkinEngine::elementOf(HWND hwnd) const {
    if (!hwnd || !IsWindow(hwnd)) return "";
    auto* skinned = static_cast<Skinned*>(GetPropA(hwnd, kSkinnedProp));
    if (!skinned || skinned->engine != this) return "";
    return skinElementName(skinned->element);
}

LRESULT CALLBACK SkinEngine::windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* skinned = static_cast<Skinned*>(GetPropA(hwnd, kSkinnedProp));
    if (!skinned) return DefWindowProcA(hwnd, msg, wParam, lParam);
    WNDPROC previous = skinned->previous;
    if (msg == WM_NCDESTROY) {
        if (GetWindowLongPtrA(hwnd, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&windowProc))
            SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
        RemovePropA(hwnd, kSkinnedProp);
        if (skinned->engine) skinned->engine->windows_.erase(hwnd);
        delete skinned;
        return CallWindowProcA(previous, hwnd, msg, wParam, lParam);
    }
    if (skinned->engine) {
        try {
            LRESULT result = 0;
            if (skinned->engine->handle(*skinned, hwnd, msg, wParam, lParam, result)) return result;
        } catch (...) {
            // Painting is not worth losing the window's own handling over.
        }
    }
    return CallWindowProcA(previous, hwnd, msg, wParam, lParam);
}

bool SkinEngine::handle(Skinned& skinned, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                        LRESULT& result) {
    switch (skinned.element) {
    case SkinElement::ControlForm: return handleForm(skinned, hwnd, msg, wParam, lParam, result);
    case SkinElement::NoFrame: return handleNoFrame(skinned, hwnd, msg, wParam, lParam, result);
    case SkinElement::Frame: return handleFrame(skinned, hwnd, msg, wParam, lParam, result);
    case SkinElement::Button:
    case SkinElement::Label:
    case SkinElement::CheckBox:
    case SkinElement::RadioBox: return handleDrawn(skinned, hwnd, msg, wParam, lParam, result);
    }
    return false;
}

bool SkinEngine::handleForm(Skinned&, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                            LRESULT& result) {
    const ElementStyle& style = skin_.style(SkinElement::ControlForm);
    const ElementGdi& brushes = gdi(SkinElement::ControlForm);
    HDC dc = reinterpret_cast<HDC>(wParam);
    switch (msg) {
    case WM_ERASEBKGND: {
        if (!brushes.background) return false;
        RECT r;
        GetClientRect(hwnd, &r);
        FillRect(dc, &r, brushes.background);
        result = 1;
        return true;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
        if (!brushes.background) return false;
        bool enabled = IsWindowEnabled(reinterpret_cast<HWND>(lParam)) != FALSE;
        SetTextColor(dc, toColorRef(enabled ? style.text : style.disabledText));
        SetBkColor(dc, toColorRef(style.background));
        result = reinterpret_cast<LRESULT>(brushes.background);
        return true;
    }
    case WM_CTLCOLOREDIT:
        if (!brushes.face) return false;
        SetTextColor(dc, toColorRef(style.text));
        SetBkColor(dc, toColorRef(style.face));
        result = reinterpret_cast<LRESULT>(brushes.face);
        return true;
    default:
        return false;
    }
}

bool SkinEngine::handleNoFrame(Skinned&, HWND hwnd, UINT msg, WPARAM wParam, LPARAM,
                               LRESULT& result) {
    switch (msg) {
    case WM_ERASEBKGND: {
        HBRUSH brush = gdi(SkinElement::NoFrame).background;
        if (!brush) return false;
        RECT r;
        GetClientRect(hwnd, &r);
        FillRect(reinterpret_cast<HDC>(wParam), &r, brush);
        result = 1;
        return true;
    }
    case WM_PAINT:
        // A frame draws its border and caption in WM_PAINT: leave it only
        // the background. Other containers paint what they paint.
        if (!isFrameWindow(hwnd)) return false;
        if (wParam == 0) {
            PAINTSTRUCT ps;
            BeginPaint(hwnd, &ps);
            EndPaint(hwnd, &ps);
        }
        result = 0;
        return true;
    default:
        return false;
    }
}

bool SkinEngine::handleFrame(Skinned& skinned, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                             LRESULT& result) {
    const ElementStyle& style = skin_.style(SkinElement::Frame);
    bool group = isGroupBox(hwnd);
    HDC dc = reinterpret_cast<HDC>(wParam);
    switch (msg) {
    case WM_ERASEBKGND:
        // WM_PAINT fills the frame whole: its surface is not one colour.
        result = 1;
        return true;
    case WM_PAINT:
    case WM_PRINTCLIENT:
        paintMessage(skinned, hwnd, wParam);
        result = 0;
        return true;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        // The controls inside a frame stand on the frame's own background;
        // the text colour stays what the form gives its controls.
        if (group || style.backgroundFromParent || !gdi(SkinElement::Frame).background) return false;
        CallWindowProcA(skinned.previous, hwnd, msg, wParam, lParam);
        SetBkColor(dc, toColorRef(style.background));
        result = reinterpret_cast<LRESULT>(gdi(SkinElement::Frame).background);
        return true;
    case WM_SETTEXT:
    case WM_ENABLE:
    case WM_SETFONT:
    case kUpdateUiState:
        result = CallWindowProcA(skinned.previous, hwnd, msg, wParam, lParam);
        if (group)
            redrawUnder(hwnd);
        else
            RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        return true;
    default:
        return false;
    }
}

bool SkinEngine::handleDrawn(Skinned& skinned, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                             LRESULT& result) {
    if (skinned.element == SkinElement::Label && !isTextLabel(hwnd)) return false;
    bool tracksMouse = skinned.element != SkinElement::Label;
    // After chaining, the window (and with it `skinned`) may be gone: a
    // click can close the form that holds the control.
    auto stillOurs = [&] {
        return IsWindow(hwnd) && GetPropA(hwnd, kSkinnedProp) == &skinned && skinned.engine == this;
    };
    switch (msg) {
    case WM_ERASEBKGND:
        result = 1;
        return true;
    case WM_PAINT:
    case WM_PRINTCLIENT:
        paintMessage(skinned, hwnd, wParam);
        result = 0;
        return true;
    case WM_MOUSEMOVE:
        if (!tracksMouse) return false;
        result = CallWindowProcA(skinned.previous, hwnd, msg, wParam, lParam);
        if (stillOurs() && !skinned.hover) {
            skinned.hover = true;
            win::trackMouseLeave(hwnd);
            redrawNow(hwnd);
        }
        return true;
    case WM_MOUSELEAVE:
        if (!tracksMouse) return false;
        result = CallWindowProcA(skinned.previous, hwnd, msg, wParam, lParam);
        if (stillOurs()) {
            skinned.hover = false;
            redrawNow(hwnd);
        }
        return true;
    default:
        if (!redrawsItself(msg)) return false;
        // A disabled window gets no mouse messages, so no leave either.
        if (msg == WM_ENABLE && !wParam) skinned.hover = false;
        result = CallWindowProcA(skinned.previous, hwnd, msg, wParam, lParam);
        if (stillOurs()) redrawNow(hwnd);
        return true;
    }
}

HBRUSH SkinEngine::backgroundBrush(SkinElement element, HWND hwnd, HDC dc, UINT askParent) {
    if (!skin_.style(element).backgroundFromParent && gdi(element).background)
        return gdi(element).background;
    return parentBrush(hwnd, dc, askParent);
}

void SkinEngine::paintMessage(const Skinned& skinned, HWND hwnd, WPARAM givenDc) {
    PAINTSTRUCT ps;
    HDC dc = givenDc ? reinterpret_cast<HDC>(givenDc) : BeginPaint(hwnd, &ps);
    try {
        if (dc) paint(skinned, hwnd, dc);
    } catch (...) {
        // Out of memory for the caption: the paint cycle must still end.
    }
    if (!givenDc) EndPaint(hwnd, &ps);
}

void SkinEngine::paint(const Skinned& skinned, HWND hwnd, HDC target) {
    RECT rect;
    GetClientRect(hwnd, &rect);
    if (rect.right <= rect.left || rect.bottom <= rect.top) return;
    SkinElement element = skinned.element;
    const ElementStyle& style = skin_.style(element);
    HFONT font = gdi(element).font;
    std::string text = win::windowText(hwnd);
    bool enabled = IsWindowEnabled(hwnd) != FALSE;

    if (element == SkinElement::Frame) {
        bool group = isGroupBox(hwnd);
        HBRUSH outside = parentBrush(hwnd, target, WM_CTLCOLORSTATIC);
        HBRUSH inside = backgroundBrush(element, hwnd, target, WM_CTLCOLORSTATIC);
        paintFrame(target, rect, style, font, outside, inside, !group, enabled, text);
        return;
    }

    DWORD styleBits = windowStyle(hwnd);
    ControlState state;
    state.enabled = enabled;
    state.hover = skinned.hover;
    state.focused = GetFocus() == hwnd;
    if (element != SkinElement::Label) {
        state.pushed = (SendMessageA(hwnd, BM_GETSTATE, 0, 0) & BST_PUSHED) != 0;
        state.check = static_cast<int>(SendMessageA(hwnd, BM_GETCHECK, 0, 0));
        state.isDefault = (styleBits & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
    }
    buffered(target, rect, [&](HDC dc) {
        UINT ask = element == SkinElement::Button ? WM_CTLCOLORBTN : WM_CTLCOLORSTATIC;
        HBRUSH background = backgroundBrush(element, hwnd, dc, ask);
        switch (element) {
        case SkinElement::Button:
            paintPushButton(dc, rect, style, font, background, state, text);
            break;
        case SkinElement::CheckBox:
        case SkinElement::RadioBox: {
            BoxLayout layout;
            layout.textOnLeft = (styleBits & BS_LEFTTEXT) != 0;
            layout.multiline = (styleBits & BS_MULTILINE) != 0;
            paintCheckBox(dc, rect, style, font, background, state, text,
                          element == SkinElement::RadioBox ? BoxShape::Circle : BoxShape::Square,
                          layout);
            break;
        }
        default:
            paintLabel(dc, rect, style, font, background, enabled, text, labelFormat(styleBits));
            break;
        }
    });
}

std::optional<win::TextRoom> SkinEngine::textRoom(HWND hwnd) const {
    if (!hwnd || !IsWindow(hwnd)) return std::nullopt;
    const DWORD styleBits = windowStyle(hwnd);
    const auto* skinned = static_cast<const Skinned*>(GetPropA(hwnd, kSkinnedProp));
    SkinElement element;
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(hwnd, WM_GETFONT, 0, 0));
    if (!font) font = static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
    if (win::hasClass(hwnd, "Edit") && !(styleBits & ES_MULTILINE)) {
        // A one-line box: the value it holds across its formatting
        // rectangle (the lines of a box that scrolls are the user's).
        RECT format{};
        SendMessageA(hwnd, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format));
        HDC dc = GetDC(hwnd);
        if (!dc) return std::nullopt;
        win::TextRoom room = win::measureText(dc, font, win::windowText(hwnd), format.right - format.left, 0, false,
                                              DT_NOPREFIX);
        room.height = room.neededHeight;
        ReleaseDC(hwnd, dc);
        return room;
    }
    if (skinned && skinned->engine == this) {
        element = skinned->element;
        font = gdi(element).font;
    } else {
        element = elementLike(hwnd);
    }
    if (element == SkinElement::ControlForm || element == SkinElement::NoFrame) return std::nullopt;
    if (element == SkinElement::Label && !isTextLabel(hwnd)) return std::nullopt;
    RECT rect;
    GetClientRect(hwnd, &rect);
    HDC dc = GetDC(hwnd);
    if (!dc) return std::nullopt;
    const win::TextRoom room = textRoomOf(dc, element, rect, skin_.style(element), font, win::windowText(hwnd),
                                          labelFormat(styleBits), (styleBits & BS_MULTILINE) != 0);
    ReleaseDC(hwnd, dc);
    return room;
}

void SkinEngine::install(const Skin& skin) {
    releaseGdi();
    skin_ = skin;
    createGdi();
    for (HWND hwnd : windows_) redrawAll(hwnd);
}

void SkinEngine::createGdi() {
    for (std::size_t i = 0; i < kSkinElementCount; ++i) {
        const ElementStyle& style = skin_.style(static_cast<SkinElement>(i));
        ElementGdi& made = gdi_[i];
        for (std::size_t j = 0; j < i && !made.font; ++j) {
            if (sameFont(style, skin_.style(static_cast<SkinElement>(j)))) made.font = gdi_[j].font;
        }
        if (!made.font) {
            made.font = createFont(style);
            made.ownsFont = made.font != nullptr;
        }
        if (!made.font) made.font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
        made.background = CreateSolidBrush(toColorRef(style.background));
        made.face = CreateSolidBrush(toColorRef(style.face));
    }
}

void SkinEngine::releaseGdi() {
    for (ElementGdi& made : gdi_) {
        if (made.ownsFont) DeleteObject(made.font);
        if (made.background) DeleteObject(made.background);
        if (made.face) DeleteObject(made.face);
        made = ElementGdi{};
    }
}

}  // namespace quellar::ui
