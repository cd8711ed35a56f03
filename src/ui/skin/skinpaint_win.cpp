#include "ui/skin/skinpaint_win.h"

#include <algorithm>

#include "win/dpi_win.h"

namespace quellar::ui {

namespace {

// Gap between a check box and its text, and around a frame's caption; the
// text's inset in a push button. Designed at 96 dpi, like the controls.
constexpr int kBoxTextGap = 5;
constexpr int kCaptionIndent = 8;
constexpr int kCaptionPadding = 3;
constexpr int kMinBoxSize = 13;
constexpr int kMaxBoxSize = 20;
constexpr int kButtonTextInsetX = 4;
constexpr int kButtonTextInsetY = 2;

// A GDI object created for one drawing and deleted with it.
class GdiObject {
public:
    explicit GdiObject(HGDIOBJ object) : object_(object) {}
    ~GdiObject() {
        if (object_) DeleteObject(object_);
    }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    HGDIOBJ get() const { return object_; }

private:
    HGDIOBJ object_;
};

// Selects an object into a device context for one scope.
class Selected {
public:
    Selected(HDC dc, HGDIOBJ object) : dc_(dc), old_(object ? SelectObject(dc, object) : nullptr) {}
    ~Selected() {
        if (old_) SelectObject(dc_, old_);
    }
    Selected(const Selected&) = delete;
    Selected& operator=(const Selected&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

SkinColor mix(const SkinColor& a, const SkinColor& b, int percentOfB) {
    auto channel = [percentOfB](int x, int y) {
        return static_cast<std::uint8_t>((x * (100 - percentOfB) + y * percentOfB) / 100);
    };
    return {channel(a.r, b.r), channel(a.g, b.g), channel(a.b, b.b)};
}

const SkinColor kWhite{255, 255, 255};

HGDIOBJ solidPen(const SkinColor& color, int width = 1) {
    return CreatePen(PS_SOLID, width, toColorRef(color));
}

HGDIOBJ solidBrush(const SkinColor& color) {
    return CreateSolidBrush(toColorRef(color));
}

// RoundRect and Rectangle leave out the right and bottom edge of what they
// are given, so the shape fills `rect` exactly as FillRect would.
void shape(HDC dc, const RECT& rect, int radius) {
    if (radius > 0)
        RoundRect(dc, rect.left, rect.top, rect.right, rect.bottom, radius * 2, radius * 2);
    else
        Rectangle(dc, rect.left, rect.top, rect.right, rect.bottom);
}

void line(HDC dc, int x1, int y1, int x2, int y2) {
    MoveToEx(dc, x1, y1, nullptr);
    LineTo(dc, x2, y2);
}

void bevel(HDC dc, const RECT& r, const SkinColor& topLeft, const SkinColor& bottomRight) {
    GdiObject light(solidPen(topLeft));
    GdiObject dark(solidPen(bottomRight));
    {
        Selected pen(dc, light.get());
        line(dc, r.left, r.bottom - 1, r.left, r.top);
        line(dc, r.left, r.top, r.right - 1, r.top);
    }
    Selected pen(dc, dark.get());
    line(dc, r.right - 1, r.top, r.right - 1, r.bottom - 1);
    line(dc, r.right - 1, r.bottom - 1, r.left - 1, r.bottom - 1);
}

int textHeight(HDC dc) {
    TEXTMETRICA tm;
    return GetTextMetricsA(dc, &tm) ? static_cast<int>(tm.tmHeight) : win::scaled(kMinBoxSize);
}

RECT buttonTextRect(const RECT& rect) {
    const int x = win::scaled(kButtonTextInsetX), y = win::scaled(kButtonTextInsetY);
    return RECT{rect.left + x, rect.top + y, rect.right - x, rect.bottom - y};
}

// The square or circle of a check box or option button, in the font that
// is selected: it grows with the text.
int boxSize(HDC dc, int height) {
    int size = std::clamp(textHeight(dc), win::scaled(kMinBoxSize), win::scaled(kMaxBoxSize));
    return std::max(1, std::min(size, height));
}

// Where a check box's text goes beside its box.
RECT boxTextRect(const RECT& rect, int size, bool textOnLeft) {
    RECT text = rect;
    if (textOnLeft)
        text.right = rect.right - size - win::scaled(kBoxTextGap);
    else
        text.left = rect.left + size + win::scaled(kBoxTextGap);
    return text;
}

// The stretch of a frame's top edge its caption may take.
void captionSpan(const RECT& rect, int radius, int& left, int& right) {
    left = rect.left + win::scaled(kCaptionIndent) + radius / 2;
    right = static_cast<int>(rect.right) - win::scaled(kCaptionIndent);
}

int frameRadius(const ElementStyle& style, const RECT& rect, int captionHeight) {
    return std::min(win::scaled(style.cornerRadius),
                    std::max(0, static_cast<int>(rect.bottom - rect.top - captionHeight / 2) / 2));
}

void drawCheckMark(HDC dc, const RECT& box, const SkinColor& color) {
    int size = box.right - box.left;
    int width = size >= 16 ? 3 : 2;
    GdiObject pen(CreatePen(PS_SOLID, width, toColorRef(color)));
    Selected use(dc, pen.get());
    POINT points[3] = {
        {box.left + size * 3 / 13, box.top + size * 6 / 13},
        {box.left + size * 5 / 13, box.top + size * 9 / 13},
        {box.left + size * 10 / 13, box.top + size * 3 / 13},
    };
    Polyline(dc, points, 3);
}

}  // namespace

COLORREF toColorRef(const SkinColor& color) {
    return RGB(color.r, color.g, color.b);
}

void drawBorder(HDC dc, const RECT& rect, BorderStyle style, const SkinColor& color, int radius) {
    Selected noFill(dc, GetStockObject(NULL_BRUSH));
    switch (style) {
    case BorderStyle::None:
        return;
    case BorderStyle::Solid: {
        GdiObject pen(solidPen(color));
        Selected use(dc, pen.get());
        shape(dc, rect, radius);
        return;
    }
    case BorderStyle::Etched: {
        // A groove: the dark line with a light one just inside and below.
        GdiObject light(solidPen(mix(color, kWhite, 80)));
        GdiObject dark(solidPen(color));
        RECT inner{rect.left + 1, rect.top + 1, rect.right, rect.bottom};
        RECT outer{rect.left, rect.top, rect.right - 1, rect.bottom - 1};
        {
            Selected use(dc, light.get());
            shape(dc, inner, radius);
        }
        Selected use(dc, dark.get());
        shape(dc, outer, radius);
        return;
    }
    case BorderStyle::Raised:
        bevel(dc, rect, mix(color, kWhite, 80), color);
        return;
    case BorderStyle::Sunken:
        bevel(dc, rect, color, mix(color, kWhite, 80));
        return;
    }
}

void paintPushButton(HDC dc, const RECT& rect, const ElementStyle& style, HFONT font,
                     HBRUSH background, const ControlState& state, const std::string& text) {
    FillRect(dc, &rect, background);
    const SkinColor& face = !state.enabled ? style.disabledFace
                            : state.pushed ? style.pressed
                            : state.hover  ? style.hover
                                           : style.face;
    int radius = std::min(win::scaled(style.cornerRadius), static_cast<int>(rect.bottom - rect.top) / 2);
    {
        GdiObject brush(solidBrush(face));
        Selected fill(dc, brush.get());
        if (style.borderStyle == BorderStyle::Solid) {
            // The default button carries a heavier rim, as on any dialog.
            const SkinColor rim = state.enabled ? style.border : mix(style.border, face, 60);
            GdiObject pen(solidPen(rim, state.isDefault && state.enabled ? 2 : 1));
            Selected use(dc, pen.get());
            RECT body = rect;
            if (state.isDefault && state.enabled) {
                // A two-pixel pen straddles the outline; keep it inside.
                body.left += 1;
                body.top += 1;
            }
            shape(dc, body, radius);
        } else {
            Selected noOutline(dc, GetStockObject(NULL_PEN));
            RECT body{rect.left, rect.top, rect.right + 1, rect.bottom + 1};
            shape(dc, body, radius);
            BorderStyle edge = style.borderStyle;
            if (state.pushed && edge == BorderStyle::Raised) edge = BorderStyle::Sunken;
            drawBorder(dc, rect, edge, style.border, radius);
        }
    }
    if (state.focused && state.enabled) {
        GdiObject pen(solidPen(style.focus));
        Selected use(dc, pen.get());
        Selected noFill(dc, GetStockObject(NULL_BRUSH));
        RECT ring{rect.left + 3, rect.top + 3, rect.right - 3, rect.bottom - 3};
        shape(dc, ring, std::max(0, radius - 2));
    }
    Selected useFont(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, toColorRef(state.enabled ? style.text : style.disabledText));
    RECT textRect = buttonTextRect(rect);
    if (state.pushed) OffsetRect(&textRect, 1, 1);
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &textRect,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

void paintCheckBox(HDC dc, const RECT& rect, const ElementStyle& style, HFONT font,
                   HBRUSH background, const ControlState& state, const std::string& text,
                   BoxShape boxShape, const BoxLayout& layout) {
    FillRect(dc, &rect, background);
    Selected useFont(dc, font);
    int height = static_cast<int>(rect.bottom - rect.top);
    int size = boxSize(dc, height);
    int top = rect.top + (height - size) / 2;
    RECT box{rect.left, top, rect.left + size, top + size};
    if (layout.textOnLeft) box = RECT{rect.right - size, top, rect.right, top + size};

    const SkinColor& fill = !state.enabled ? style.disabledFace
                            : state.pushed ? style.pressed
                                           : style.face;
    const SkinColor& rim = !state.enabled ? style.disabledText
                           : state.hover  ? style.hover
                                          : style.border;
    const SkinColor& mark = state.enabled ? style.checkMark : style.disabledText;
    {
        GdiObject brush(solidBrush(fill));
        GdiObject pen(solidPen(rim));
        Selected useBrush(dc, brush.get());
        Selected usePen(dc, pen.get());
        if (boxShape == BoxShape::Circle)
            Ellipse(dc, box.left, box.top, box.right, box.bottom);
        else
            shape(dc, box, size >= 15 ? 3 : 2);
    }
    if (state.check == BST_CHECKED) {
        if (boxShape == BoxShape::Circle) {
            int inset = std::max(3, size * 4 / 13);
            GdiObject dot(solidBrush(mark));
            Selected useBrush(dc, dot.get());
            Selected noOutline(dc, GetStockObject(NULL_PEN));
            // NULL_PEN shapes draw one pixel short at the right and bottom.
            Ellipse(dc, box.left + inset, box.top + inset, box.right - inset + 1,
                    box.bottom - inset + 1);
        } else {
            drawCheckMark(dc, box, mark);
        }
    } else if (state.check == BST_INDETERMINATE) {
        GdiObject grey(solidBrush(mix(mark, fill, 40)));
        RECT square{box.left + 3, box.top + 3, box.right - 3, box.bottom - 3};
        FillRect(dc, &square, static_cast<HBRUSH>(grey.get()));
    }

    RECT textRect = boxTextRect(rect, size, layout.textOnLeft);
    if (textRect.right <= textRect.left || text.empty()) return;
    UINT format = layout.textOnLeft ? DT_RIGHT : DT_LEFT;
    RECT measured = textRect;
    if (layout.multiline) {
        format |= DT_WORDBREAK;
        DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &measured, format | DT_CALCRECT);
        int used = measured.bottom - measured.top;
        textRect.top = rect.top + std::max(0, (height - used) / 2);
    } else {
        format |= DT_SINGLELINE | DT_VCENTER;
        DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &measured,
                  DT_SINGLELINE | DT_CALCRECT);
        format |= DT_END_ELLIPSIS;
    }
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, toColorRef(state.enabled ? style.text : style.disabledText));
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &textRect, format);
    if (state.focused) {
        int textWidth = static_cast<int>(std::min(measured.right - measured.left, textRect.right - textRect.left));
        int textTall = std::min(static_cast<int>(measured.bottom - measured.top), height);
        int left = layout.textOnLeft ? textRect.right - textWidth : textRect.left;
        int y = rect.top + (height - textTall) / 2;
        RECT focusRect{left - 2, y - 1, left + textWidth + 2, y + textTall + 1};
        focusRect.left = std::max(focusRect.left, static_cast<LONG>(rect.left));
        focusRect.right = std::min(focusRect.right, static_cast<LONG>(rect.right));
        GdiObject pen(CreatePen(PS_DOT, 1, toColorRef(style.focus)));
        Selected usePen(dc, pen.get());
        Selected noFill(dc, GetStockObject(NULL_BRUSH));
        SetBkMode(dc, TRANSPARENT);
        Rectangle(dc, focusRect.left, focusRect.top, focusRect.right, focusRect.bottom);
    }
}

void paintLabel(HDC dc, const RECT& rect, const ElementStyle& style, HFONT font,
                HBRUSH background, bool enabled, const std::string& text, UINT format) {
    FillRect(dc, &rect, background);
    Selected useFont(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, toColorRef(enabled ? style.text : style.disabledText));
    RECT textRect = rect;
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &textRect, format);
}

void paintFrame(HDC dc, const RECT& rect, const ElementStyle& style, HFONT font, HBRUSH outside,
                HBRUSH inside, bool fillInterior, bool enabled, const std::string& text) {
    Selected useFont(dc, font);
    int captionHeight = textHeight(dc);
    RECT box = rect;
    box.top += captionHeight / 2;
    int radius = frameRadius(style, rect, captionHeight);
    if (fillInterior) {
        // Above the border line and past the rounded corners is the
        // parent's surface, not the frame's.
        FillRect(dc, &rect, outside);
        if (inside != outside) {
            Selected useBrush(dc, inside);
            Selected noOutline(dc, GetStockObject(NULL_PEN));
            RECT body{box.left, box.top, box.right + 1, box.bottom + 1};
            shape(dc, body, radius);
        }
    }
    SIZE extent{};
    if (!text.empty()) GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    int left = 0, spanEnd = 0;
    captionSpan(rect, radius, left, spanEnd);
    const int padding = win::scaled(kCaptionPadding);
    int right = std::min(spanEnd, left + static_cast<int>(extent.cx) + 2 * padding);
    bool caption = !text.empty() && right > left;
    int saved = SaveDC(dc);
    if (caption) ExcludeClipRect(dc, left, rect.top, right, rect.top + captionHeight);
    drawBorder(dc, box, style.borderStyle, style.border, radius);
    RestoreDC(dc, saved);
    if (!caption) return;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, toColorRef(enabled ? style.text : style.disabledText));
    RECT textRect{left + padding, rect.top, right - padding, rect.top + captionHeight};
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &textRect,
              DT_LEFT | DT_SINGLELINE | DT_END_ELLIPSIS);
}

win::TextRoom textRoomOf(HDC dc, SkinElement element, const RECT& rect, const ElementStyle& style, HFONT font,
                         const std::string& text, UINT labelFormat, bool multiline) {
    Selected useFont(dc, font);
    const int height = static_cast<int>(rect.bottom - rect.top);
    auto within = [&](const RECT& r, bool wrap, UINT format) {
        return win::measureText(dc, font, text, static_cast<int>(r.right - r.left), static_cast<int>(r.bottom - r.top),
                                wrap, format);
    };
    switch (element) {
    case SkinElement::Button:
        return within(buttonTextRect(rect), false, 0);
    case SkinElement::CheckBox:
    case SkinElement::RadioBox:
        return within(boxTextRect(rect, boxSize(dc, height), false), multiline, 0);
    case SkinElement::Frame: {
        const int captionHeight = textHeight(dc);
        int left = 0, right = 0;
        captionSpan(rect, frameRadius(style, rect, captionHeight), left, right);
        const int padding = win::scaled(kCaptionPadding);
        return within(RECT{left + padding, rect.top, right - padding, rect.top + captionHeight}, false, 0);
    }
    default:
        return within(rect, (labelFormat & DT_WORDBREAK) != 0, labelFormat & (DT_NOPREFIX | DT_EXPANDTABS));
    }
}

}  // namespace quellar::ui
