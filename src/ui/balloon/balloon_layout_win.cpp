// The balloon's layout on the screen: measuring its texts, placing it at
// its target, cutting it to its shape, taking its shadow from the screen
// beneath and painting it. What goes where is decided in balloon.cpp; this
// carries it out with GDI.
#include <algorithm>

#include "res/resource.h"
#include "ui/balloon/balloon_win.h"
#include "win/dpi_win.h"
#include "win/library_win.h"

namespace quellar::ui {

namespace {

constexpr COLORREF kTransparentKey = RGB(0, 255, 0);

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

// ---- Content layout --------------------------------------------------------

HFONT Balloon::titleFont() {
    if (titleFont_ && titleFontDpi_ != win::screenDpi()) {
        DeleteObject(titleFont_);
        titleFont_ = nullptr;
    }
    if (!titleFont_) {
        titleFontDpi_ = win::screenDpi();
        LOGFONTA lf{};
        GetObjectA(win::dialogFont(), sizeof lf, &lf);
        lf.lfWeight = FW_BOLD;
        titleFont_ = CreateFontIndirectA(&lf);
    }
    return titleFont_ ? titleFont_ : win::dialogFont();
}

void Balloon::measureTexts(const Request& request, HFONT font, HFONT bold) {
    HDC screen = GetDC(nullptr);
    metrics_.twipsPerPixelX = twipsPerPixel(win::screenDpi());
    metrics_.twipsPerPixelY = twipsPerPixel(win::screenDpi());
    const int screenHeight = GetDeviceCaps(screen, VERTRES);

    LayoutRequest lr;
    lr.panel = kind_;
    lr.hasIcon = iconCell_ > 0;
    lr.hasCheck = hasCheck_;
    lr.buttonCount = static_cast<int>(buttons_.size());
    lr.sizes.titleHeight = textHeight(screen, bold, request.look.title, 0);
    lr.sizes.lineHeight = lineHeight(screen, font);
    // A message taller than most of the screen is cut rather than pushing
    // the buttons out of reach.
    lr.sizes.messageHeight =
        std::min(textHeight(screen, font, request.look.text, messageWidth(metrics_)), screenHeight * 2 / 3);
    ReleaseDC(nullptr, screen);
    layout_ = layoutPanel(metrics_, lr);
}

// ---- Placement and shape ---------------------------------------------------

void Balloon::placeAt(bool noPointer, Point target) {
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

void Balloon::captureShadow() {
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

void Balloon::applyRegion(bool withPointer, bool withShadow) {
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

bool Balloon::onBody(int x, int y) const {
    HRGN body = makeRoundRegion(bodyRegion(layout_.windowWidth, layout_.windowHeight));
    const bool inside = PtInRegion(body, x, y) != FALSE;
    DeleteObject(body);
    return inside;
}

void Balloon::releaseShape() {
    if (shadow_) {
        DeleteObject(shadow_);
        shadow_ = nullptr;
    }
    screenUnder_.clear();
    pointerShown_ = false;
    shadowShown_ = false;
}

// ---- Paint -----------------------------------------------------------------

void Balloon::onPaint(HDC dc) {
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
    if (pointerShown_) paintPointer(mem);
    SelectObject(mem, oldPen);
    SelectObject(mem, oldBrush);

    BitBlt(dc, 0, 0, w, h, mem, 0, 0, SRCCOPY);
    SelectObject(mem, oldCanvas);
    DeleteObject(canvas);
    DeleteDC(mem);
}

void Balloon::paintPointer(HDC dc) const {
    const int w = layout_.windowWidth;
    const int h = layout_.windowHeight;
    SelectObject(dc, GetStockObject(BLACK_BRUSH));
    drawTriangle(dc, pointerOuter(placement_.style, w, h));
    HPEN fill = CreatePen(PS_SOLID, 1, color_);
    SelectObject(dc, fill);
    SelectObject(dc, colorBrush_);
    drawTriangle(dc, pointerInner(placement_.style, w, h));
    SelectObject(dc, GetStockObject(BLACK_PEN));
    DeleteObject(fill);
}

void Balloon::drawIcon(HDC dc, int cell, int x, int y) const {
    IconStrip::get().draw(dc, cell, x, y);
}

}  // namespace quellar::ui
