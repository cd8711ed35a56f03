#include "ui/face/facestate.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace quellar::ui {

FaceState::FaceState(Face face) : face_(std::move(face)) {
    if (face_.panels.empty()) face_.panels.push_back("home");
    if (face_.home < 0 || static_cast<std::size_t>(face_.home) >= face_.panels.size()) face_.home = 0;
    panel_ = face_.home;
    previousPanel_ = face_.home;
    variables_ = face_.variables;
}

const std::string& FaceState::panel() const {
    static const std::string none;
    if (panel_ < 0 || static_cast<std::size_t>(panel_) >= face_.panels.size()) return none;
    return face_.panels[static_cast<std::size_t>(panel_)];
}

bool FaceState::showPanel(std::string_view name) {
    int at = face_.panelIndex(name);
    if (at < 0) return false;
    if (at != panel_) {
        previousPanel_ = panel_;
        panel_ = at;
        redraw_ = true;
    }
    if (at == face_.home) {
        // At home no tool is open: only a button that leads home itself
        // (the Home item, a group's header) may stay selected.
        for (auto it = selected_.begin(); it != selected_.end();) {
            const FaceButton& b = face_.buttons[static_cast<std::size_t>(it->second)];
            if (face_.panelIndex(b.show) == face_.home) {
                ++it;
            } else {
                it = selected_.erase(it);
                redraw_ = true;
            }
        }
    }
    // Whatever was under the pointer may have gone with the old panel.
    int now = pointerInside_ ? hitTest(lastX_, lastY_) : -1;
    if (now != hovered_) {
        hovered_ = now;
        redraw_ = true;
    }
    return true;
}

void FaceState::goHome() {
    selected_.clear();
    redraw_ = true;
    showPanel(face_.panels[static_cast<std::size_t>(face_.home)]);
}

void FaceState::setVariable(const std::string& name, const std::string& value) {
    if (name.size() > kFaceMaxNameLength) return;
    if (variables_.size() >= kFaceMaxVariables && !variables_.count(name)) return;
    variables_[name] = value.substr(0, kFaceMaxValueLength);
    redraw_ = true;
    if (name == kHomeVariable && value == "true") goHome();
}

std::string FaceState::variable(const std::string& name) const {
    auto it = variables_.find(name);
    return it == variables_.end() ? std::string() : it->second;
}

std::string FaceState::fillIn(std::string_view text, const FaceButton* button) const {
    std::string out;
    std::size_t i = 0;
    while (i < text.size() && out.size() < kFaceMaxShownText) {
        char c = text[i];
        if (c != '{') {
            out += c;
            ++i;
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == '{') {
            out += '{';
            i += 2;
            continue;
        }
        std::size_t close = text.find('}', i + 1);
        std::string_view name =
            close == std::string_view::npos ? std::string_view() : text.substr(i + 1, close - i - 1);
        if (!isFaceName(name)) {
            out += c;
            ++i;
            continue;
        }
        if (button && name == "label") out += button->label;
        else if (button && name == "note") out += button->note;
        else out += variable(std::string(name));
        i = close + 1;
    }
    if (out.size() > kFaceMaxShownText) out.resize(kFaceMaxShownText);
    return out;
}

bool FaceState::onShownPanel(const FaceItem& item) const {
    return item.panel < 0 || item.panel == panel_;
}

int FaceState::hitTest(int x, int y) const {
    for (auto it = face_.items.rbegin(); it != face_.items.rend(); ++it) {
        if (!it->isButton || !onShownPanel(*it)) continue;
        const FaceButton& b = face_.buttons[it->index];
        int bx = b.x.resolve(face_.width, face_.height);
        int by = b.y.resolve(face_.width, face_.height);
        int bw = b.w.resolve(face_.width, face_.height);
        int bh = b.h.resolve(face_.width, face_.height);
        if (x >= bx && y >= by && x < bx + bw && y < by + bh) return static_cast<int>(it->index);
    }
    return -1;
}

bool FaceState::overButton(int x, int y) const {
    int at = hitTest(x, y);
    return at >= 0 && !face_.buttons[static_cast<std::size_t>(at)].dragArea;
}

bool FaceState::isSelected(int button) const {
    if (button < 0 || static_cast<std::size_t>(button) >= face_.buttons.size()) return false;
    const std::string& group = face_.buttons[static_cast<std::size_t>(button)].group;
    if (group.empty()) return false;
    auto it = selected_.find(group);
    return it != selected_.end() && it->second == button;
}

void FaceState::mouseMove(int x, int y) {
    lastX_ = x;
    lastY_ = y;
    pointerInside_ = true;
    int now = hitTest(x, y);
    if (now != hovered_) {
        hovered_ = now;
        redraw_ = true;
    }
    if (pressed_ >= 0) {
        bool over = now == pressed_;
        if (over != pointerOverPressed_) {
            pointerOverPressed_ = over;
            redraw_ = true;
        }
    }
}

void FaceState::mouseLeave() {
    pointerInside_ = false;
    if (hovered_ != -1) {
        hovered_ = -1;
        redraw_ = true;
    }
    if (pressed_ >= 0 && pointerOverPressed_) {
        pointerOverPressed_ = false;
        redraw_ = true;
    }
}

std::optional<FaceCommand> FaceState::mouseDown(int x, int y) {
    mouseMove(x, y);
    if (keyboardUsed_) {
        keyboardUsed_ = false;
        redraw_ = true;
    }
    if (hovered_ < 0) return std::nullopt;
    const FaceButton& b = face_.buttons[static_cast<std::size_t>(hovered_)];
    // The window move starts at once and owns the mouse until the button is
    // released, so a caption strip never waits for the release.
    if (b.dragArea) return FaceCommand{kDragCommand, {}};
    pressed_ = hovered_;
    pointerOverPressed_ = true;
    redraw_ = true;
    return std::nullopt;
}

std::optional<FaceCommand> FaceState::mouseUp(int x, int y) {
    mouseMove(x, y);
    if (pressed_ < 0) return std::nullopt;
    int clicked = pressed_;
    pressed_ = -1;
    pointerOverPressed_ = false;
    redraw_ = true;
    if (hovered_ != clicked) return std::nullopt;
    return click(clicked);
}

std::optional<FaceCommand> FaceState::click(int button) {
    const FaceButton& b = face_.buttons[static_cast<std::size_t>(button)];
    focused_ = button;
    redraw_ = true;
    if (!b.group.empty()) selected_[b.group] = button;
    if (b.show == kBackPanel) showPanel(face_.panels[static_cast<std::size_t>(previousPanel_)]);
    else if (!b.show.empty()) showPanel(b.show);
    if (b.command.empty()) return std::nullopt;
    return FaceCommand{b.command, b.args};
}

bool FaceState::buttonOnShownPanel(int button) const {
    for (const FaceItem& item : face_.items) {
        if (item.isButton && static_cast<int>(item.index) == button) return onShownPanel(item);
    }
    return false;
}

std::vector<int> FaceState::focusable() const {
    std::vector<int> out;
    for (const FaceItem& item : face_.items) {
        if (!item.isButton || !onShownPanel(item)) continue;
        if (face_.buttons[item.index].dragArea) continue;
        out.push_back(static_cast<int>(item.index));
    }
    return out;
}

bool FaceState::keyGoesRound(FaceKey key) const {
    const std::vector<int> order = focusable();
    if (order.empty() || (key != FaceKey::Next && key != FaceKey::Previous)) return false;
    if (std::find(order.begin(), order.end(), focused_) == order.end()) return false;
    return focused_ == (key == FaceKey::Next ? order.back() : order.front());
}

void FaceState::focusEnd(bool last) {
    const std::vector<int> order = focusable();
    if (order.empty()) return;
    focused_ = last ? order.back() : order.front();
    keyboardUsed_ = true;
    redraw_ = true;
}

std::optional<FaceCommand> FaceState::key(FaceKey key) {
    const std::vector<int> order = focusable();
    switch (key) {
    case FaceKey::Next:
    case FaceKey::Previous: {
        if (order.empty()) return std::nullopt;
        const bool forward = key == FaceKey::Next;
        auto at = std::find(order.begin(), order.end(), focused_);
        if (at == order.end()) {
            focused_ = forward ? order.front() : order.back();
        } else if (forward) {
            focused_ = std::next(at) == order.end() ? order.front() : *std::next(at);
        } else {
            focused_ = at == order.begin() ? order.back() : *std::prev(at);
        }
        keyboardUsed_ = true;
        redraw_ = true;
        return std::nullopt;
    }
    case FaceKey::Choose: {
        if (focusMarkShown()) return click(focused_);
        for (int button : order)
            if (face_.buttons[static_cast<std::size_t>(button)].isDefault) return click(button);
        return std::nullopt;
    }
    case FaceKey::Cancel:
        for (int button : order)
            if (face_.buttons[static_cast<std::size_t>(button)].isCancel) return click(button);
        return std::nullopt;
    }
    return std::nullopt;
}

void FaceState::setKeyboardFocus(bool has) {
    if (keyboardFocus_ == has) return;
    keyboardFocus_ = has;
    redraw_ = true;
}

bool FaceState::focusMarkShown() const {
    return keyboardFocus_ && keyboardUsed_ && focused_ >= 0 && buttonOnShownPanel(focused_);
}

void FaceState::cancelPress() {
    if (pressed_ < 0) return;
    pressed_ = -1;
    pointerOverPressed_ = false;
    redraw_ = true;
}

bool FaceState::takeRedraw() {
    bool was = redraw_;
    redraw_ = false;
    return was;
}

std::uint8_t FaceState::lookOf(int button) const {
    if (pressed_ == button && pointerOverPressed_) return kLookPressed;
    if (pressed_ < 0 && hovered_ == button) return kLookHover;
    if (isSelected(button)) return kLookSelected;
    return kLookNormal;
}

namespace {

FaceColor blend(FaceColor from, FaceColor to, int step, int steps) {
    if (steps <= 1) return from;
    FaceColor out = 0;
    for (int shift = 16; shift >= 0; shift -= 8) {
        int a = static_cast<int>((from >> shift) & 0xFF);
        int b = static_cast<int>((to >> shift) & 0xFF);
        int c = a + (b - a) * step / (steps - 1);
        out |= static_cast<FaceColor>(c) << shift;
    }
    return out;
}

}  // namespace

void FaceState::renderDrawing(const FaceDrawing& d, int fx, int fy, int fw, int fh, const FaceButton* button,
                              std::vector<FaceOp>& out) const {
    FaceOp op;
    op.shape = d.shape;
    op.pen = d.pen;
    op.radius = d.radius;
    op.fill = d.fill;
    op.border = d.border;
    if (d.shape == FaceShape::Polygon) {
        for (std::size_t i = 0; i + 1 < d.polygon.size(); i += 2)
            op.points.push_back({fx + d.polygon[i].resolve(fw, fh), fy + d.polygon[i + 1].resolve(fw, fh)});
        out.push_back(std::move(op));
        return;
    }
    op.x = fx + d.x.resolve(fw, fh);
    op.y = fy + d.y.resolve(fw, fh);
    if (d.shape == FaceShape::Line) {
        op.points = {{op.x, op.y}, {fx + d.w.resolve(fw, fh), fy + d.h.resolve(fw, fh)}};
        op.color = d.border.value_or(0);
        op.border.reset();
        out.push_back(std::move(op));
        return;
    }
    op.w = d.w.resolve(fw, fh);
    op.h = d.h.resolve(fw, fh);
    if (op.w <= 0 || op.h <= 0) return;
    if (d.shape == FaceShape::Gradient) {
        int length = d.horizontal ? op.w : op.h;
        int bands = std::min(length, kFaceMaxGradientBands);
        for (int i = 0; i < bands; ++i) {
            FaceOp band;
            band.shape = FaceShape::Rect;
            int from = length * i / bands;
            int to = length * (i + 1) / bands;
            band.x = d.horizontal ? op.x + from : op.x;
            band.y = d.horizontal ? op.y : op.y + from;
            band.w = d.horizontal ? to - from : op.w;
            band.h = d.horizontal ? op.h : to - from;
            band.fill = blend(d.fill.value_or(0), d.to, i, bands);
            out.push_back(std::move(band));
        }
        return;
    }
    if (d.shape == FaceShape::Text) {
        op.text = fillIn(d.text, button);
        op.font = d.font.empty() ? face_.font : d.font;
        op.size = d.size;
        op.weight = d.weight;
        op.italic = d.italic;
        op.underline = d.underline;
        op.wrap = d.wrap;
        op.align = d.align;
        op.valign = d.valign;
        op.color = d.border.value_or(0);
        op.border.reset();
        op.fill.reset();
    }
    out.push_back(std::move(op));
}

std::vector<FaceOp> FaceState::render() const {
    std::vector<FaceOp> out;
    for (const FaceItem& item : face_.items) {
        if (!onShownPanel(item)) continue;
        if (!item.isButton) {
            renderDrawing(face_.drawings[item.index], 0, 0, face_.width, face_.height, nullptr, out);
            continue;
        }
        const FaceButton& b = face_.buttons[item.index];
        int bx = b.x.resolve(face_.width, face_.height);
        int by = b.y.resolve(face_.width, face_.height);
        int bw = b.w.resolve(face_.width, face_.height);
        int bh = b.h.resolve(face_.width, face_.height);
        std::uint8_t look = lookOf(static_cast<int>(item.index));
        if (b.style >= 0) {
            for (const FaceDrawing& d : face_.styles[static_cast<std::size_t>(b.style)].drawings)
                if (d.looks & look) renderDrawing(d, bx, by, bw, bh, &b, out);
        }
        for (const FaceDrawing& d : b.drawings)
            if (d.looks & look) renderDrawing(d, bx, by, bw, bh, &b, out);
        if (static_cast<int>(item.index) == focused_ && focusMarkShown()) renderFocusMark(bx, by, bw, bh, out);
    }
    return out;
}

void FaceState::renderFocusMark(int bx, int by, int bw, int bh, std::vector<FaceOp>& out) const {
    // Inside the button, so nothing drawn after it covers the mark's edge.
    FaceOp outer;
    outer.shape = FaceShape::Round;
    outer.x = bx + 1;
    outer.y = by + 1;
    outer.w = bw - 2;
    outer.h = bh - 2;
    outer.radius = 4;
    outer.pen = 2;
    outer.border = kFaceFocusOuter;
    FaceOp inner = outer;
    inner.x += 2;
    inner.y += 2;
    inner.w -= 4;
    inner.h -= 4;
    inner.pen = 1;
    inner.border = kFaceFocusInner;
    if (outer.w <= 0 || outer.h <= 0) return;
    out.push_back(outer);
    if (inner.w > 0 && inner.h > 0) out.push_back(inner);
}

}  // namespace quellar::ui
