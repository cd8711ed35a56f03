#include "ui/balloon/balloon.h"

#include <algorithm>
#include <cmath>

namespace quellar::ui {

// ---- Placement -------------------------------------------------------------

Placement placeBalloon(int px, int py, int screenWidth, int screenHeight, int width, int height) {
    // Compared doubled so an odd screen size splits exactly at its half.
    const bool left = 2L * px <= static_cast<long>(screenWidth);
    const bool upper = 2L * py <= static_cast<long>(screenHeight);
    Placement p;
    if (upper)
        p.style = left ? PointerStyle::TopLeft : PointerStyle::TopRight;
    else
        p.style = left ? PointerStyle::BottomLeft : PointerStyle::BottomRight;
    p.left = left ? px - kPointerReach : px + kPointerReach - width;
    p.top = upper ? py : py - height;
    return p;
}

namespace {
int roundToPixel(float v) {
    if (!std::isfinite(v)) return 0;
    const double clamped = std::clamp(static_cast<double>(v), -1e9, 1e9);
    return static_cast<int>(std::lround(clamped));
}
}  // namespace

Point resolveTarget(float x, float y, Point mouse) {
    if (x == 0.0f || y == 0.0f) return mouse;
    return Point{roundToPixel(x), roundToPixel(y)};
}

// ---- Shape -----------------------------------------------------------------

RoundRect bodyRegion(int width, int height) {
    return RoundRect{Rect{0, 20, width - 14, height - 32}, 20, 20};
}

RoundRect bodyFace(int width, int height) {
    return RoundRect{Rect{0, 20, width - 15, height - 33}, 24, 24};
}

Triangle pointerOuter(PointerStyle style, int w, int h) {
    switch (style) {
    case PointerStyle::BottomRight: return Triangle{{{w - 61, h - 34}, {w - 36, h - 34}, {w - 36, h - 9}}};
    case PointerStyle::TopRight: return Triangle{{{w - 58, 20}, {w - 38, 20}, {w - 38, 0}}};
    case PointerStyle::BottomLeft: return Triangle{{{41, h - 34}, {66, h - 34}, {41, h - 9}}};
    case PointerStyle::TopLeft: break;
    }
    return Triangle{{{40, 20}, {60, 20}, {40, 0}}};
}

Triangle pointerInner(PointerStyle style, int w, int h) {
    switch (style) {
    case PointerStyle::BottomRight: return Triangle{{{w - 62, h - 35}, {w - 37, h - 35}, {w - 37, h - 11}}};
    case PointerStyle::TopRight: return Triangle{{{w - 59, 22}, {w - 39, 22}, {w - 39, 2}}};
    case PointerStyle::BottomLeft: return Triangle{{{42, h - 35}, {66, h - 35}, {42, h - 11}}};
    case PointerStyle::TopLeft: break;
    }
    return Triangle{{{41, 21}, {59, 21}, {41, 3}}};
}

RoundRect shadowRegion(int width, int height) {
    return RoundRect{Rect{11, 29, width - 5, height - 23}, 45, 35};
}

// ---- Shadow ----------------------------------------------------------------

int ringFactor(int n) {
    if (n < 0 || n >= kShadowRings) return 0;
    return 180 - 20 * (n / 2);
}

std::vector<ShadowRing> shadowRings(int width, int height) {
    std::vector<ShadowRing> rings;
    rings.reserve(kShadowRings);
    for (int n = kShadowRings - 1; n >= 0; --n) {
        ShadowRing r;
        r.n = n;
        r.factor = ringFactor(n);
        r.rowY = height - 23 - n;
        r.rowX0 = n + 5;
        r.rowX1 = width - 5 - n;
        r.columnX = width - 5 - n;
        r.columnY0 = n + 23;
        r.columnY1 = height - 23 - n;
        rings.push_back(r);
    }
    return rings;
}

std::uint8_t darkenChannel(std::uint8_t channel, int factor, int intensity) {
    const long sum = std::clamp(static_cast<long>(factor) + intensity, 0L, 255L);
    return static_cast<std::uint8_t>(sum * channel / 256);
}

std::uint32_t darkenPixel(std::uint32_t pixel, int factor, int intensity) {
    std::uint32_t out = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const auto c = static_cast<std::uint8_t>((pixel >> shift) & 0xFF);
        out |= static_cast<std::uint32_t>(darkenChannel(c, factor, intensity)) << shift;
    }
    return out;
}

void applyShadow(std::vector<std::uint32_t>& pixels, int width, int height, int intensity) {
    if (width <= 0 || height <= 0) return;
    if (pixels.size() < static_cast<size_t>(width) * static_cast<size_t>(height)) return;
    auto at = [&](int x, int y) -> std::uint32_t* {
        if (x < 0 || y < 0 || x >= width || y >= height) return nullptr;
        return &pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
    };
    // Each pixel is taken from the screen copy once: a row and a column of
    // different rings never share a pixel, and where a ring's own row and
    // column meet they agree, so no pixel is darkened twice.
    for (const ShadowRing& r : shadowRings(width, height)) {
        for (int x = r.rowX0; x <= r.rowX1; ++x)
            if (auto* p = at(x, r.rowY)) *p = darkenPixel(*p, r.factor, intensity);
        for (int y = r.columnY0; y <= r.columnY1; ++y) {
            if (y == r.rowY && r.columnX >= r.rowX0 && r.columnX <= r.rowX1) continue;
            if (auto* p = at(r.columnX, y)) *p = darkenPixel(*p, r.factor, intensity);
        }
    }
}

// ---- Flags -----------------------------------------------------------------

std::vector<ButtonEntry> decodeButtons(long flags, const std::string& btn1, const std::string& btn2,
                                      const std::string& btn3) {
    switch (flags & 7) {
    case 1: return {{"OK", 1}, {"Cancel", 2}};
    case 2: return {{"Abort", 3}, {"Retry", 4}, {"Ignore", 5}};
    case 3: return {{"Yes", 6}, {"No", 7}, {"Cancel", 2}};
    case 4: return {{"Yes", 6}, {"No", 7}};
    case 5: return {{"Retry", 4}, {"Cancel", 2}};
    case 6: {
        std::vector<ButtonEntry> buttons;
        const std::string* captions[] = {&btn1, &btn2, &btn3};
        for (short i = 0; i < 3; ++i)
            if (!captions[i]->empty()) buttons.push_back({*captions[i], static_cast<short>(i + 1)});
        if (buttons.empty()) buttons.push_back({"OK", 1});
        return buttons;
    }
    default: return {{"OK", 1}};
    }
}

int decodeIconCell(long flags) {
    static const int cells[8] = {0, 1, 4, 2, 3, 5, 6, 7};
    return cells[(flags & 0x70) >> 4];
}

int decodeDefaultButton(long flags, int buttonCount) {
    const int wanted = static_cast<int>((flags & 0x300) >> 8) + 1;
    return wanted <= buttonCount && wanted <= 3 ? wanted : 1;
}

// ---- Colours, time, results ------------------------------------------------

std::uint32_t balloonColor(std::uint32_t requested) {
    return requested == 0 ? kDefaultBalloonColor : requested;
}

unsigned noticeDelayMs(short seconds) {
    if (seconds <= 0) return 0;
    return static_cast<unsigned>(seconds) * 1000u;
}

short questionResult(short buttonCode, bool checkShown, bool checked) {
    return static_cast<short>(buttonCode + (checkShown && checked ? 100 : 0));
}

const char* const kCheckedMark = "\xAC";

std::string promptResult(const std::string& text, bool cancelled, bool checkShown, bool checked) {
    if (cancelled) return std::string();
    return checkShown && checked ? text + kCheckedMark : text;
}

int escapeButton(const std::vector<ButtonEntry>& buttons) {
    constexpr short kCancelCode = 2;
    for (size_t i = 0; i < buttons.size(); ++i)
        if (buttons[i].code == kCancelCode) return static_cast<int>(i);
    return buttons.size() == 1 ? 0 : -1;
}

// ---- Units -----------------------------------------------------------------

int twipsPerPixel(int dotsPerInch) {
    if (dotsPerInch <= 0 || dotsPerInch > 1440) return 15;
    return 1440 / dotsPerInch;
}

int twipsToPixels(int twips, int tpp) {
    if (tpp <= 0) tpp = 15;
    const int half = tpp / 2;
    return twips >= 0 ? (twips + half) / tpp : -((-twips + half) / tpp);
}

// ---- Content layout --------------------------------------------------------

namespace {
// Design sizes, in twips like the rest of the panels' contents.
constexpr int kWindowWidthTwips = 4950;
constexpr int kEdgeTwips = 65;          // message label's inset: 130 twips in all
constexpr int kHeaderTopTwips = 90;
constexpr int kIconGapTwips = 90;       // between the icon and the title
constexpr int kHeaderGapTwips = 120;    // between the title row and the message
constexpr int kCloseInsetTwips = 50;
constexpr int kCloseGapTwips = 60;      // between the title and the close image
constexpr int kCheckGapTwips = 70;
constexpr int kCheckHeightTwips = 255;
constexpr int kQuestionBottomTwips = 900;
constexpr int kButtonBottomTwips = 100;
constexpr int kButtonWidthTwips = 1215;
constexpr int kButtonHeightTwips = 345;
constexpr int kThreeButtonSlotTwips = 1815;
constexpr int kNoticeBottomTwips = 300;
constexpr int kTextGapTwips = 300;
constexpr int kTextHeightTwips = 315;
constexpr int kInputButtonGapTwips = 120;
constexpr int kInputButtonWidthTwips = 1095;
constexpr int kInputButtonSpaceTwips = 90;
constexpr int kInputBottomTwips = 115;

// The panel's place in the window and the window's extra height.
constexpr int kPanelLeft = 8;
constexpr int kPanelTop = 30;
constexpr int kPanelNarrower = 30;
constexpr int kWindowBelowPanel = 65;
constexpr int kNoticeWindowBelowPanel = 40;

Rect rectAt(int left, int top, int width, int height) {
    return Rect{left, top, left + width, top + height};
}
}  // namespace

int windowWidth(const Metrics& m) {
    return twipsToPixels(kWindowWidthTwips, m.twipsPerPixelX);
}

int messageWidth(const Metrics& m) {
    return windowWidth(m) - kPanelNarrower - twipsToPixels(2 * kEdgeTwips, m.twipsPerPixelX);
}

std::vector<int> buttonLefts(int count, int panelWidth, int buttonWidth, int tppX) {
    const int centred = (panelWidth - buttonWidth) / 2;
    switch (count) {
    case 1: return {centred};
    case 2: {
        const int first = panelWidth / 3 - buttonWidth / 2;
        return {first, panelWidth - first - buttonWidth};
    }
    case 3: {
        const int first = (twipsToPixels(kThreeButtonSlotTwips, tppX) - buttonWidth) / 2;
        return {first, centred, panelWidth - first - buttonWidth};
    }
    default: return {};
    }
}

PanelLayout layoutPanel(const Metrics& m, const LayoutRequest& req) {
    auto px = [&](int twips) { return twipsToPixels(twips, m.twipsPerPixelX); };
    auto py = [&](int twips) { return twipsToPixels(twips, m.twipsPerPixelY); };
    const TextSizes& s = req.sizes;

    PanelLayout out;
    out.windowWidth = windowWidth(m);
    const int panelWidth = out.windowWidth - kPanelNarrower;
    const int edge = px(kEdgeTwips);
    const int headerTop = py(kHeaderTopTwips);

    if (req.hasIcon) out.icon = rectAt(edge, headerTop, kIconCellSize, kIconCellSize);
    int titleRight = panelWidth - edge;
    if (req.panel == Panel::Notice) {
        out.close = rectAt(panelWidth - px(kCloseInsetTwips) - kIconCellSize, headerTop, kIconCellSize,
                           kIconCellSize);
        titleRight = out.close.left - px(kCloseGapTwips);
    }
    const int titleLeft = req.hasIcon ? out.icon.right + px(kIconGapTwips) : edge;
    // The title is centred on the icon's row; a tall font pushes it down
    // rather than above the panel.
    const int titleTop = std::max(0, headerTop + (kIconCellSize - s.titleHeight) / 2);
    out.title = Rect{titleLeft, titleTop, std::max(titleLeft, titleRight), titleTop + s.titleHeight};

    const int headerBottom = std::max(req.hasIcon ? out.icon.bottom : 0, out.title.bottom);
    out.message = rectAt(edge, headerBottom + py(kHeaderGapTwips), messageWidth(m), std::max(0, s.messageHeight));
    const int checkHeight = std::max(py(kCheckHeightTwips), s.lineHeight + 4);

    int panelHeight = 0;
    switch (req.panel) {
    case Panel::Question: {
        panelHeight = out.message.bottom + py(kQuestionBottomTwips);
        if (req.hasCheck)
            out.check = rectAt(out.message.left, out.message.bottom + py(kCheckGapTwips), out.message.width(),
                               checkHeight);
        const int bw = px(kButtonWidthTwips);
        const int bh = py(kButtonHeightTwips);
        const int top = panelHeight - py(kButtonBottomTwips) - bh;
        for (int left : buttonLefts(req.buttonCount, panelWidth, bw, m.twipsPerPixelX))
            out.buttons.push_back(rectAt(left, top, bw, bh));
        break;
    }
    case Panel::Prompt: {
        const int textHeight = std::max(py(kTextHeightTwips), s.lineHeight + 8);
        out.text = rectAt(out.message.left, out.message.bottom + py(kTextGapTwips), out.message.width(), textHeight);
        const int bw = px(kInputButtonWidthTwips);
        const int bh = py(kButtonHeightTwips);
        const int top = out.text.bottom + py(kInputButtonGapTwips);
        out.ok = rectAt(out.text.right - bw, top, bw, bh);
        out.cancel = rectAt(out.ok.left - px(kInputButtonSpaceTwips) - bw, top, bw, bh);
        if (req.hasCheck) {
            const int right = std::max(out.text.left, out.cancel.left - px(kInputButtonSpaceTwips));
            const int checkTop = top + (bh - checkHeight) / 2;
            out.check = Rect{out.text.left, checkTop, right, checkTop + checkHeight};
        }
        panelHeight = out.ok.bottom + py(kInputBottomTwips);
        break;
    }
    case Panel::Notice:
        panelHeight = out.message.bottom + py(kNoticeBottomTwips);
        break;
    }

    out.panel = rectAt(kPanelLeft, kPanelTop, panelWidth, panelHeight);
    out.windowHeight = req.panel == Panel::Notice ? kPanelTop + panelHeight + kNoticeWindowBelowPanel
                                                    : panelHeight + kWindowBelowPanel;
    return out;
}

}  // namespace quellar::ui
