#include "ui/face/faceplayer_win.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>

#include "res/resource.h"
#include "ui/face/faceparser.h"
#include "win/dpi_win.h"
#include "win/files_win.h"
#include "win/library_win.h"

namespace quellar::ui {

namespace {

// IDC_HAND: the headers offer it only to programs for Windows 98/2000 and
// later; on Windows 95 and NT 4 loading it yields no cursor and the arrow
// serves instead.
const WORD kHandCursorId = 32649;
const std::size_t kMaxCachedFonts = 64;
// What shows outside the face when the window is larger than its canvas.
const COLORREF kOutsideColor = RGB(14, 24, 40);

// Used only if the face built into the program could not be read: enough to
// move and close the window.
const char* const kEmergencyFace =
    "face 724 540\n"
    "rect 0 0 w h fill=#1c2b40\n"
    "drag 0 0 w 32\n"
    "button w-46 0 46 32 send=IDC_FS_close\n"
    "  any line 18 11 29 22 color=#ffffff\n"
    "  any line 28 11 17 22 color=#ffffff\n";

std::optional<FaceKey> faceKeyOf(WPARAM key) {
    switch (key) {
    case VK_TAB: return (GetKeyState(VK_SHIFT) & 0x8000) ? FaceKey::Previous : FaceKey::Next;
    case VK_RIGHT:
    case VK_DOWN: return FaceKey::Next;
    case VK_LEFT:
    case VK_UP: return FaceKey::Previous;
    case VK_RETURN:
    case VK_SPACE: return FaceKey::Choose;
    case VK_ESCAPE: return FaceKey::Cancel;
    default: return std::nullopt;
    }
}

COLORREF colorOf(FaceColor c) {
    return RGB((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF);
}

// The face is designed at 96 dpi: the mouse's pixels go back to the
// face's before they are hit-tested.
int mouseX(LPARAM lParam) {
    return win::unscaled(static_cast<short>(LOWORD(lParam)));
}

int mouseY(LPARAM lParam) {
    return win::unscaled(static_cast<short>(HIWORD(lParam)));
}

// One drawing in the display's pixels: edges scaled, so shapes that touch
// in the design still touch; pens, corners and fonts grow alike.
FaceOp scaledOp(const FaceOp& op) {
    FaceOp out = op;
    const RECT r = win::scaledRect(op.x, op.y, op.w, op.h);
    out.x = r.left;
    out.y = r.top;
    out.w = r.right - r.left;
    out.h = r.bottom - r.top;
    for (FacePoint& p : out.points) p = {win::scaled(p.x), win::scaled(p.y)};
    out.pen = std::max(1, win::scaled(op.pen));
    out.radius = win::scaled(op.radius);
    out.size = win::scaled(op.size);
    return out;
}

// A text drawing laid out on several lines: wrapped, or broken by the text.
bool severalLines(const FaceOp& op) {
    return op.wrap || op.text.find('\n') != std::string::npos;
}

// Selects a pen and a brush for one closed shape and puts the old ones
// back when it goes. A shape without border is outlined in its fill colour
// so that it covers exactly its rectangle.
class ShapeTools {
public:
    ShapeTools(HDC dc, const FaceOp& op) : dc_(dc) {
        if (op.fill) brush_ = CreateSolidBrush(colorOf(*op.fill));
        if (op.border) pen_ = CreatePen(PS_INSIDEFRAME, op.pen, colorOf(*op.border));
        else if (op.fill) pen_ = CreatePen(PS_INSIDEFRAME, 1, colorOf(*op.fill));
        oldBrush_ = SelectObject(dc, brush_ ? static_cast<HGDIOBJ>(brush_) : GetStockObject(NULL_BRUSH));
        oldPen_ = SelectObject(dc, pen_ ? static_cast<HGDIOBJ>(pen_) : GetStockObject(NULL_PEN));
    }
    ~ShapeTools() {
        SelectObject(dc_, oldBrush_);
        SelectObject(dc_, oldPen_);
        if (brush_) DeleteObject(brush_);
        if (pen_) DeleteObject(pen_);
    }
    ShapeTools(const ShapeTools&) = delete;
    ShapeTools& operator=(const ShapeTools&) = delete;

private:
    HDC dc_;
    HBRUSH brush_ = nullptr;
    HPEN pen_ = nullptr;
    HGDIOBJ oldBrush_ = nullptr, oldPen_ = nullptr;
};

}  // namespace

FacePlayer::~FacePlayer() {
    destroy();
    releaseGdi();
}

bool FacePlayer::create(HWND parent, int x, int y, int width, int height) {
    if (state_.face().width == 0) useBuiltInFace();
    return Window::create(kFacePlayerClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, x, y, width, height,
                          parent, nullptr, 0, static_cast<HBRUSH>(GetStockObject(NULL_BRUSH)));
}

void FacePlayer::loadFace(const std::string& path) {
    loadError_.clear();
    damage_.clear();
    const win::FileText file = win::readCappedFile(path, kFaceMaxBytes);
    switch (file.status) {
    case win::FileText::Status::Read: break;
    case win::FileText::Status::CannotOpen: loadError_ = "cannot open " + path; break;
    case win::FileText::Status::TooLarge: loadError_ = path + " is not a face file of a sensible size"; break;
    case win::FileText::Status::CannotRead: loadError_ = "cannot read " + path; break;
    }
    if (!loadError_.empty()) {
        if (file.status != win::FileText::Status::CannotOpen) damage_ = loadError_;
        useBuiltInFace();
        return;
    }
    FaceParseResult parsed = parseFace(file.text);
    if (!parsed.ok) {
        loadError_ = damage_ = path + ": " + parsed.error();
        useBuiltInFace();
        return;
    }
    builtIn_ = false;
    useFace(std::move(parsed.face));
}

void FacePlayer::useBuiltInFace() {
    builtIn_ = true;
    FaceParseResult parsed =
        parseFace(std::string(win::resourceBytes(MAKEINTRESOURCEA(IDR_FACE), MAKEINTRESOURCEA(RT_QUELLAR_DATA))));
    if (!parsed.ok) parsed = parseFace(kEmergencyFace);
    useFace(std::move(parsed.face));
}

void FacePlayer::useFace(Face face) {
    state_ = FaceState(std::move(face));
    // What the program said so far still holds for a face loaded later; a
    // past request to go home does not.
    for (const auto& [name, value] : programVariables_) state_.setVariable(name, value);
    if (hwnd()) InvalidateRect(hwnd(), nullptr, FALSE);
}

void FacePlayer::setVariable(const std::string& name, const std::string& value) {
    if (name != kHomeVariable && (programVariables_.size() < kFaceMaxVariables || programVariables_.count(name)))
        programVariables_[name] = value;
    state_.setVariable(name, value);
    refresh();
}

void FacePlayer::takeFocusFromOutside(bool backwards) {
    state_.focusEnd(backwards);
    SetFocus(hwnd());
    refresh();
}

void FacePlayer::clickAt(int x, int y) {
    HWND self = hwnd();
    LPARAM at = MAKELPARAM(x, y);
    SendMessageA(self, WM_MOUSEMOVE, 0, at);
    SendMessageA(self, WM_LBUTTONDOWN, MK_LBUTTON, at);
    if (IsWindow(self)) SendMessageA(self, WM_LBUTTONUP, 0, at);
}

bool FacePlayer::onCreate() {
    tracking_ = false;
    return true;
}

void FacePlayer::onDestroy() {
    releaseGdi();
}

void FacePlayer::releaseGdi() {
    if (buffer_) DeleteObject(buffer_);
    buffer_ = nullptr;
    bufferWidth_ = bufferHeight_ = 0;
    for (auto& entry : fonts_) DeleteObject(entry.second);
    fonts_.clear();
}

void FacePlayer::refresh() {
    if (state_.takeRedraw() && hwnd()) InvalidateRect(hwnd(), nullptr, FALSE);
}

void FacePlayer::raise(const std::optional<FaceCommand>& command) {
    if (!command || !onCommand) return;
    // The handler may end this window (the close command does), so it runs
    // from copies and nothing of this object is touched after it.
    auto handler = onCommand;
    FaceCommand copy = *command;
    handler(copy.command, copy.args);
}

bool FacePlayer::onMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
    case WM_ERASEBKGND:
        result = 1;  // everything is painted from the buffer
        return true;
    case WM_SETCURSOR: {
        if (LOWORD(lParam) != HTCLIENT) return false;
        POINT p;
        GetCursorPos(&p);
        ScreenToClient(hwnd(), &p);
        HCURSOR cursor = nullptr;
        if (state_.overButton(win::unscaled(p.x), win::unscaled(p.y))) cursor = LoadCursor(nullptr, MAKEINTRESOURCE(kHandCursorId));
        if (!cursor) cursor = LoadCursor(nullptr, IDC_ARROW);
        SetCursor(cursor);
        result = TRUE;
        return true;
    }
    case WM_MOUSEMOVE:
        if (!tracking_) tracking_ = win::trackMouseLeave(hwnd());
        state_.mouseMove(mouseX(lParam), mouseY(lParam));
        refresh();
        return true;
    case WM_MOUSELEAVE:
        tracking_ = false;
        state_.mouseLeave();
        refresh();
        return true;
    case WM_LBUTTONDOWN: {
        // The face takes the keyboard like any control that is clicked.
        if (GetFocus() != hwnd()) SetFocus(hwnd());
        std::optional<FaceCommand> command = state_.mouseDown(mouseX(lParam), mouseY(lParam));
        if (state_.pressed() >= 0) SetCapture(hwnd());
        refresh();
        raise(command);
        return true;
    }
    case WM_LBUTTONUP: {
        std::optional<FaceCommand> command = state_.mouseUp(mouseX(lParam), mouseY(lParam));
        if (GetCapture() == hwnd()) ReleaseCapture();
        refresh();
        raise(command);
        return true;
    }
    case WM_CAPTURECHANGED:
        if (reinterpret_cast<HWND>(lParam) != hwnd()) {
            state_.cancelPress();
            refresh();
        }
        return true;
    case WM_SIZE:
        InvalidateRect(hwnd(), nullptr, FALSE);
        return false;
    case WM_GETDLGCODE:
        result = DLGC_WANTALLKEYS | DLGC_WANTARROWS | DLGC_WANTTAB;
        return true;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        state_.setKeyboardFocus(msg == WM_SETFOCUS);
        refresh();
        return true;
    case WM_KEYDOWN: {
        std::optional<FaceKey> key = faceKeyOf(wParam);
        if (!key) return false;
        if (wParam == VK_TAB && state_.keyGoesRound(*key) && onTabOut) {
            auto handler = onTabOut;
            if (handler(*key == FaceKey::Previous)) {
                result = 0;
                return true;
            }
        }
        std::optional<FaceCommand> command = state_.key(*key);
        refresh();
        raise(command);
        result = 0;
        return true;
    }
    default:
        break;
    }
    return false;
}

void FacePlayer::onPaint(HDC target) {
    RECT client;
    GetClientRect(hwnd(), &client);
    int width = client.right > 0 ? client.right : 1;
    int height = client.bottom > 0 ? client.bottom : 1;
    if (!buffer_ || bufferWidth_ < width || bufferHeight_ < height) {
        if (buffer_) DeleteObject(buffer_);
        buffer_ = CreateCompatibleBitmap(target, width, height);
        bufferWidth_ = buffer_ ? width : 0;
        bufferHeight_ = buffer_ ? height : 0;
    }
    HDC dc = buffer_ ? CreateCompatibleDC(target) : nullptr;
    if (!dc) {
        // Out of GDI memory: draw straight onto the window rather than not at all.
        drawOps(target);
        return;
    }
    HGDIOBJ oldBitmap = SelectObject(dc, buffer_);
    HBRUSH outside = CreateSolidBrush(kOutsideColor);
    FillRect(dc, &client, outside);
    DeleteObject(outside);
    drawOps(dc);
    BitBlt(target, 0, 0, width, height, dc, 0, 0, SRCCOPY);
    SelectObject(dc, oldBitmap);
    DeleteDC(dc);
}

HFONT FacePlayer::font(const FaceOp& op) {
    auto key = std::make_tuple(op.font, op.size, op.weight, op.italic, op.underline);
    auto it = fonts_.find(key);
    if (it != fonts_.end()) return it->second;
    if (fonts_.size() >= kMaxCachedFonts) {
        for (auto& entry : fonts_) DeleteObject(entry.second);
        fonts_.clear();
    }
    HFONT made = CreateFontA(-op.size, 0, 0, 0, op.weight, op.italic, op.underline, FALSE, DEFAULT_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY,
                             DEFAULT_PITCH | FF_SWISS, op.font.c_str());
    if (!made) made = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    else fonts_[key] = made;
    return made;
}

win::TextRoom FacePlayer::textRoom(const FaceOp& text) {
    const FaceOp op = scaledOp(text);
    HDC dc = GetDC(hwnd());
    if (!dc) return {};
    const win::TextRoom room = win::measureText(dc, font(op), op.text, op.w, op.h, severalLines(op), DT_NOPREFIX);
    ReleaseDC(hwnd(), dc);
    return room;
}

void FacePlayer::drawText(HDC dc, const FaceOp& op) {
    if (op.text.empty()) return;
    HGDIOBJ old = SelectObject(dc, font(op));
    SetTextColor(dc, colorOf(op.color));
    UINT flags = DT_NOPREFIX;
    flags |= op.align == FaceAlign::Center ? DT_CENTER : op.align == FaceAlign::Right ? DT_RIGHT : DT_LEFT;
    RECT r{op.x, op.y, op.x + op.w, op.y + op.h};
    if (!severalLines(op)) {
        flags |= DT_SINGLELINE | DT_END_ELLIPSIS;
        flags |= op.valign == FaceVAlign::Middle ? DT_VCENTER
                 : op.valign == FaceVAlign::Bottom ? DT_BOTTOM : DT_TOP;
    } else {
        if (op.wrap) flags |= DT_WORDBREAK;
        if (op.valign != FaceVAlign::Top) {
            // DrawText centres only single lines: measure, then place.
            RECT measure = r;
            DrawTextA(dc, op.text.c_str(), static_cast<int>(op.text.size()), &measure, flags | DT_CALCRECT);
            int spare = op.h - (measure.bottom - measure.top);
            if (spare > 0) r.top += op.valign == FaceVAlign::Middle ? spare / 2 : spare;
        }
    }
    DrawTextA(dc, op.text.c_str(), static_cast<int>(op.text.size()), &r, flags);
    SelectObject(dc, old);
}

void FacePlayer::drawOps(HDC dc) {
    SetBkMode(dc, TRANSPARENT);
    SetPolyFillMode(dc, WINDING);
    for (const FaceOp& designed : state_.render()) {
        const FaceOp op = scaledOp(designed);
        switch (op.shape) {
        case FaceShape::Rect: {
            RECT r{op.x, op.y, op.x + op.w, op.y + op.h};
            if (op.fill) {
                HBRUSH brush = CreateSolidBrush(colorOf(*op.fill));
                FillRect(dc, &r, brush);
                DeleteObject(brush);
            }
            if (op.border) {
                FaceOp frame = op;
                frame.fill.reset();
                ShapeTools tools(dc, frame);
                Rectangle(dc, r.left, r.top, r.right, r.bottom);
            }
            break;
        }
        case FaceShape::Round: {
            ShapeTools tools(dc, op);
            RoundRect(dc, op.x, op.y, op.x + op.w, op.y + op.h, op.radius * 2, op.radius * 2);
            break;
        }
        case FaceShape::Ellipse: {
            ShapeTools tools(dc, op);
            Ellipse(dc, op.x, op.y, op.x + op.w, op.y + op.h);
            break;
        }
        case FaceShape::Polygon: {
            std::vector<POINT> points;
            for (const FacePoint& p : op.points) points.push_back({p.x, p.y});
            ShapeTools tools(dc, op);
            Polygon(dc, points.data(), static_cast<int>(points.size()));
            break;
        }
        case FaceShape::Line: {
            if (op.points.size() != 2) break;
            HPEN pen = CreatePen(PS_SOLID, op.pen, colorOf(op.color));
            HGDIOBJ old = SelectObject(dc, pen);
            MoveToEx(dc, op.points[0].x, op.points[0].y, nullptr);
            LineTo(dc, op.points[1].x, op.points[1].y);
            SelectObject(dc, old);
            DeleteObject(pen);
            break;
        }
        case FaceShape::Text:
            drawText(dc, op);
            break;
        case FaceShape::Gradient:
            break;  // arrives cut into plain rectangles
        }
    }
}

}  // namespace quellar::ui
