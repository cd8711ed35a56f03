#include "ui/face/face.h"

#include <algorithm>
#include <iterator>
#include <set>
#include <utility>

#include "core/text.h"

namespace quellar::shell {

namespace {

// ---- Reading one line ---------------------------------------------------

struct Token {
    std::string key;    // empty for a plain word
    std::string value;
    bool keyed = false;
};

struct LineError {
    std::string message;
};

bool isNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '.' || c == '-';
}

bool isName(std::string_view s) {
    if (s.empty() || s.size() > kFaceMaxNameLength) return false;
    return std::all_of(s.begin(), s.end(), isNameChar);
}

// Splits a line into words and key=value pairs; double quotes keep blanks
// and take the escapes \" \\ \n \t.
std::optional<LineError> tokenize(std::string_view line, std::vector<Token>& out) {
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        if (i >= line.size()) break;
        Token token;
        std::string text;
        bool quoted = false;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') {
            char c = line[i];
            if (c == '"') {
                quoted = true;
                ++i;
                bool closed = false;
                while (i < line.size()) {
                    char q = line[i++];
                    if (q == '"') {
                        closed = true;
                        break;
                    }
                    if (q == '\\') {
                        if (i >= line.size()) break;
                        char e = line[i++];
                        switch (e) {
                        case 'n': text += '\n'; break;
                        case 't': text += '\t'; break;
                        case '"': text += '"'; break;
                        case '\\': text += '\\'; break;
                        default: return LineError{std::string("unknown escape '\\") + e + "'"};
                        }
                    } else {
                        text += q;
                    }
                }
                if (!closed) return LineError{"text without its closing quote"};
            } else if (c == '=' && !token.keyed && !quoted) {
                if (text.empty()) return LineError{"'=' without a name before it"};
                token.keyed = true;
                token.key = std::move(text);
                text.clear();
                ++i;
            } else {
                text += c;
                ++i;
            }
        }
        token.value = std::move(text);
        out.push_back(std::move(token));
    }
    return std::nullopt;
}

bool parseInt(std::string_view s, int lo, int hi, int& out) {
    const auto value = text::parseWhole(s, lo, hi);
    if (!value) return false;
    out = static_cast<int>(*value);
    return true;
}

// "120", "-4", "w", "w-8", "h/2+3".
bool parseCoord(std::string_view s, FaceCoord& out) {
    FaceCoord c;
    if (!s.empty() && (s[0] == 'w' || s[0] == 'h')) {
        c.base = s[0] == 'w' ? FaceCoord::Base::Width : FaceCoord::Base::Height;
        s.remove_prefix(1);
        if (!s.empty() && s[0] == '/') {
            std::size_t end = 1;
            while (end < s.size() && s[end] >= '0' && s[end] <= '9') ++end;
            if (!parseInt(s.substr(1, end - 1), 1, 100, c.divisor)) return false;
            s.remove_prefix(end);
        }
        if (!s.empty()) {
            if (s[0] != '+' && s[0] != '-') return false;
            if (!parseInt(s, -kFaceMaxCoordinate, kFaceMaxCoordinate, c.offset)) return false;
        }
        out = c;
        return true;
    }
    if (!parseInt(s, -kFaceMaxCoordinate, kFaceMaxCoordinate, c.offset)) return false;
    out = c;
    return true;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// "#rgb", "#rrggbb" or "none".
bool parseColor(std::string_view s, std::optional<FaceColor>& out) {
    if (s == "none") {
        out.reset();
        return true;
    }
    if (s.size() != 4 && s.size() != 7) return false;
    if (s[0] != '#') return false;
    FaceColor value = 0;
    for (std::size_t i = 1; i < s.size(); ++i) {
        int d = hexDigit(s[i]);
        if (d < 0) return false;
        value = value * 16 + static_cast<FaceColor>(d);
        if (s.size() == 4) value = value * 16 + static_cast<FaceColor>(d);
    }
    out = value;
    return true;
}

std::optional<std::uint8_t> parseLooks(std::string_view s) {
    std::uint8_t looks = 0;
    while (!s.empty()) {
        std::size_t comma = s.find(',');
        std::string_view part = s.substr(0, comma);
        if (part == "normal") looks |= kLookNormal;
        else if (part == "hover") looks |= kLookHover;
        else if (part == "pressed") looks |= kLookPressed;
        else if (part == "selected") looks |= kLookSelected;
        else if (part == "any") looks |= kLookAny;
        else return std::nullopt;
        if (comma == std::string_view::npos) break;
        s.remove_prefix(comma + 1);
        if (s.empty()) return std::nullopt;
    }
    if (looks == 0) return std::nullopt;
    return looks;
}

std::optional<FaceShape> shapeNamed(std::string_view s) {
    if (s == "rect") return FaceShape::Rect;
    if (s == "round") return FaceShape::Round;
    if (s == "ellipse") return FaceShape::Ellipse;
    if (s == "gradient") return FaceShape::Gradient;
    if (s == "line") return FaceShape::Line;
    if (s == "poly") return FaceShape::Polygon;
    if (s == "text") return FaceShape::Text;
    return std::nullopt;
}

bool validText(std::string_view s) {
    if (s.size() > kFaceMaxTextLength) return false;
    return std::none_of(s.begin(), s.end(), [](char c) {
        auto u = static_cast<unsigned char>(c);
        return u < 0x20 && c != '\n' && c != '\t';
    });
}

// ---- The parser ---------------------------------------------------------

class Parser {
public:
    FaceParseResult run(std::string_view text);

private:
    std::optional<LineError> statement(std::vector<Token>& tokens);
    std::optional<LineError> drawing(FaceShape shape, std::uint8_t looks, const std::vector<Token>& tokens,
                                     std::size_t first, FaceDrawing& out);
    std::optional<LineError> button(bool dragArea, const std::vector<Token>& tokens);
    std::optional<LineError> rect(const std::vector<Token>& tokens, std::size_t first, FaceCoord* four);
    std::optional<LineError> finish();
    std::optional<LineError> countItem();

    enum class Owner { None, Style, Button };

    Face face_;
    bool haveHeader_ = false;
    int section_ = -1;
    Owner owner_ = Owner::None;
    std::size_t items_ = 0;
    std::size_t gradients_ = 0;
    std::string homeName_;
    int homeLine_ = 0;
    int line_ = 0;
};

std::optional<LineError> Parser::countItem() {
    if (++items_ > kFaceMaxItems) return LineError{"too many drawings and buttons"};
    return std::nullopt;
}

std::optional<LineError> Parser::rect(const std::vector<Token>& tokens, std::size_t first, FaceCoord* four) {
    static const char* const names[] = {"x", "y", "width", "height"};
    for (std::size_t k = 0; k < 4; ++k) {
        std::size_t at = first + k;
        if (at >= tokens.size() || tokens[at].keyed) return LineError{std::string("missing ") + names[k]};
        if (!parseCoord(tokens[at].value, four[k]))
            return LineError{std::string("bad ") + names[k] + " '" + tokens[at].value + "'"};
    }
    return std::nullopt;
}

std::optional<LineError> Parser::drawing(FaceShape shape, std::uint8_t looks, const std::vector<Token>& tokens,
                                         std::size_t first, FaceDrawing& d) {
    d.shape = shape;
    d.looks = looks;
    d.line = line_;
    std::size_t next = first;
    if (shape == FaceShape::Polygon) {
        while (next < tokens.size() && !tokens[next].keyed && tokens[next].value.find(',') != std::string::npos) {
            const std::string& v = tokens[next].value;
            std::size_t comma = v.find(',');
            FaceCoord px, py;
            if (!parseCoord(std::string_view(v).substr(0, comma), px) ||
                !parseCoord(std::string_view(v).substr(comma + 1), py))
                return LineError{"bad point '" + v + "'"};
            if (d.polygon.size() / 2 >= kFaceMaxPolygonPoints) return LineError{"too many points"};
            d.polygon.push_back(px);
            d.polygon.push_back(py);
            ++next;
        }
        if (d.polygon.size() < 6) return LineError{"a polygon needs at least three points x,y"};
    } else {
        FaceCoord four[4];
        if (auto e = rect(tokens, first, four)) return e;
        d.x = four[0];
        d.y = four[1];
        d.w = four[2];
        d.h = four[3];
        next = first + 4;
    }
    if (shape == FaceShape::Text) {
        if (next >= tokens.size() || tokens[next].keyed) return LineError{"missing the text"};
        if (!validText(tokens[next].value)) return LineError{"text too long or with control characters"};
        d.text = tokens[next].value;
        ++next;
    }
    if (shape == FaceShape::Gradient) {
        if (++gradients_ > kFaceMaxGradients) return LineError{"too many gradients"};
    }
    bool haveFrom = false, haveTo = false;
    for (std::size_t i = next; i < tokens.size(); ++i) {
        const Token& t = tokens[i];
        const std::string& v = t.value;
        if (!t.keyed) {
            if (shape == FaceShape::Text && v == "italic") d.italic = true;
            else if (shape == FaceShape::Text && v == "underline") d.underline = true;
            else if (shape == FaceShape::Text && v == "wrap") d.wrap = true;
            else if (shape == FaceShape::Text && v == "bold") d.weight = 700;
            else return LineError{"unexpected '" + v + "'"};
            continue;
        }
        const std::string& k = t.key;
        bool filled = shape == FaceShape::Rect || shape == FaceShape::Round || shape == FaceShape::Ellipse ||
                      shape == FaceShape::Polygon;
        if (filled && (k == "fill" || k == "border")) {
            if (!parseColor(v, k == "fill" ? d.fill : d.border)) return LineError{"bad colour '" + v + "'"};
        } else if ((filled || shape == FaceShape::Line) && k == "pen") {
            if (!parseInt(v, 1, kFaceMaxPen, d.pen)) return LineError{"bad pen width '" + v + "'"};
        } else if (shape == FaceShape::Round && k == "r") {
            if (!parseInt(v, 0, kFaceMaxCoordinate, d.radius)) return LineError{"bad radius '" + v + "'"};
        } else if ((shape == FaceShape::Line || shape == FaceShape::Text) && k == "color") {
            std::optional<FaceColor> c;
            if (!parseColor(v, c) || !c) return LineError{"bad colour '" + v + "'"};
            d.border = c;
        } else if (shape == FaceShape::Gradient && (k == "from" || k == "to")) {
            std::optional<FaceColor> c;
            if (!parseColor(v, c) || !c) return LineError{"bad colour '" + v + "'"};
            if (k == "from") {
                d.fill = c;
                haveFrom = true;
            } else {
                d.to = *c;
                haveTo = true;
            }
        } else if (shape == FaceShape::Gradient && k == "dir") {
            if (v == "down") d.horizontal = false;
            else if (v == "right") d.horizontal = true;
            else return LineError{"dir must be down or right"};
        } else if (shape == FaceShape::Text && k == "size") {
            if (!parseInt(v, 1, kFaceMaxFontSize, d.size)) return LineError{"bad size '" + v + "'"};
        } else if (shape == FaceShape::Text && k == "weight") {
            if (v == "normal") d.weight = 400;
            else if (v == "bold") d.weight = 700;
            else if (v == "light") d.weight = 300;
            else if (v == "semibold") d.weight = 600;
            else if (!parseInt(v, 100, 900, d.weight)) return LineError{"bad weight '" + v + "'"};
        } else if (shape == FaceShape::Text && k == "align") {
            if (v == "left") d.align = FaceAlign::Left;
            else if (v == "center") d.align = FaceAlign::Center;
            else if (v == "right") d.align = FaceAlign::Right;
            else return LineError{"align must be left, center or right"};
        } else if (shape == FaceShape::Text && k == "valign") {
            if (v == "top") d.valign = FaceVAlign::Top;
            else if (v == "middle") d.valign = FaceVAlign::Middle;
            else if (v == "bottom") d.valign = FaceVAlign::Bottom;
            else return LineError{"valign must be top, middle or bottom"};
        } else if (shape == FaceShape::Text && k == "font") {
            if (v.empty() || v.size() > kFaceMaxNameLength || !validText(v)) return LineError{"bad font name"};
            d.font = v;
        } else {
            return LineError{"unknown attribute '" + k + "'"};
        }
    }
    if (shape == FaceShape::Gradient && (!haveFrom || !haveTo)) return LineError{"a gradient needs from= and to="};
    if (shape == FaceShape::Line && !d.border) d.border = 0;
    if (shape == FaceShape::Text && !d.border) d.border = 0;
    return std::nullopt;
}

std::optional<LineError> Parser::button(bool dragArea, const std::vector<Token>& tokens) {
    if (face_.buttons.size() >= kFaceMaxButtons) return LineError{"too many buttons"};
    FaceButton b;
    b.dragArea = dragArea;
    b.line = line_;
    FaceCoord four[4];
    if (auto e = rect(tokens, 1, four)) return e;
    b.x = four[0];
    b.y = four[1];
    b.w = four[2];
    b.h = four[3];
    for (std::size_t i = 5; i < tokens.size(); ++i) {
        const Token& t = tokens[i];
        if (!t.keyed && !dragArea && t.value == "default") {
            b.isDefault = true;
            continue;
        }
        if (!t.keyed && !dragArea && t.value == "cancel") {
            b.isCancel = true;
            continue;
        }
        if (!t.keyed) return LineError{"unexpected '" + t.value + "'"};
        const std::string& k = t.key;
        const std::string& v = t.value;
        if (k == "style") {
            auto it = std::find_if(face_.styles.begin(), face_.styles.end(),
                                   [&](const FaceStyle& s) { return s.name == v; });
            if (it == face_.styles.end()) return LineError{"unknown style '" + v + "'"};
            b.style = static_cast<int>(it - face_.styles.begin());
        } else if (dragArea) {
            return LineError{"unknown attribute '" + k + "'"};
        } else if (k == "label" || k == "note") {
            if (!validText(v)) return LineError{"text too long or with control characters"};
            (k == "label" ? b.label : b.note) = v;
        } else if (k == "send") {
            if (v.empty() || v.size() > kFaceMaxNameLength || !validText(v) || v.find('\n') != std::string::npos)
                return LineError{"bad command '" + v + "'"};
            b.command = v;
        } else if (k == "arg") {
            if (!validText(v)) return LineError{"bad argument"};
            b.args = v;
        } else if (k == "show") {
            if (!isName(v)) return LineError{"bad panel name '" + v + "'"};
            b.show = v;
        } else if (k == "group") {
            if (!isName(v)) return LineError{"bad group name '" + v + "'"};
            b.group = v;
        } else {
            return LineError{"unknown attribute '" + k + "'"};
        }
    }
    if (!dragArea && b.command.empty() && b.show.empty()) return LineError{"a button needs send= or show="};
    if (auto e = countItem()) return e;
    face_.items.push_back({section_, true, face_.buttons.size()});
    face_.buttons.push_back(std::move(b));
    owner_ = Owner::Button;
    return std::nullopt;
}

std::optional<LineError> Parser::statement(std::vector<Token>& tokens) {
    for (const Token& t : tokens)
        if (t.keyed && !isName(t.key)) return LineError{"bad attribute name '" + t.key + "'"};
    if (tokens[0].keyed) return LineError{"a line must start with a keyword"};
    const std::string word = tokens[0].value;
    auto words = [&](std::size_t n) -> std::optional<LineError> {
        if (tokens.size() != n + 1) return LineError{"'" + word + "' takes " + std::to_string(n) + " value(s)"};
        for (std::size_t i = 1; i < tokens.size(); ++i)
            if (tokens[i].keyed) return LineError{"'" + word + "' takes no attributes"};
        return std::nullopt;
    };

    if (!haveHeader_) {
        if (word != "face") return LineError{"a face starts with 'face <width> <height>'"};
        if (auto e = words(2)) return e;
        if (!parseInt(tokens[1].value, 1, kFaceMaxCanvas, face_.width) ||
            !parseInt(tokens[2].value, 1, kFaceMaxCanvas, face_.height))
            return LineError{"bad canvas size"};
        haveHeader_ = true;
        return std::nullopt;
    }
    if (word == "face") return LineError{"'face' appears twice"};

    if (auto looks = parseLooks(word)) {
        if (tokens.size() < 2 || tokens[1].keyed) return LineError{"a look needs a drawing after it"};
        auto shape = shapeNamed(tokens[1].value);
        if (!shape) return LineError{"unknown drawing '" + tokens[1].value + "'"};
        if (owner_ == Owner::None) return LineError{"a look belongs under a style or a button"};
        FaceDrawing d;
        if (auto e = drawing(*shape, *looks, tokens, 2, d)) return e;
        if (auto e = countItem()) return e;
        if (owner_ == Owner::Style) face_.styles.back().drawings.push_back(std::move(d));
        else face_.buttons.back().drawings.push_back(std::move(d));
        return std::nullopt;
    }

    owner_ = Owner::None;
    if (auto shape = shapeNamed(word)) {
        FaceDrawing d;
        if (auto e = drawing(*shape, kLookAny, tokens, 1, d)) return e;
        if (auto e = countItem()) return e;
        face_.items.push_back({section_, false, face_.drawings.size()});
        face_.drawings.push_back(std::move(d));
        return std::nullopt;
    }
    if (word == "button") return button(false, tokens);
    if (word == "drag") return button(true, tokens);
    if (word == "font") {
        if (auto e = words(1)) return e;
        if (tokens[1].value.empty() || tokens[1].value.size() > kFaceMaxNameLength || !validText(tokens[1].value))
            return LineError{"bad font name"};
        face_.font = tokens[1].value;
        return std::nullopt;
    }
    if (word == "home") {
        if (auto e = words(1)) return e;
        if (!isName(tokens[1].value)) return LineError{"bad panel name '" + tokens[1].value + "'"};
        homeName_ = tokens[1].value;
        homeLine_ = line_;
        return std::nullopt;
    }
    if (word == "set") {
        if (auto e = words(2)) return e;
        if (!isName(tokens[1].value)) return LineError{"bad variable name '" + tokens[1].value + "'"};
        if (tokens[2].value.size() > kFaceMaxValueLength || !validText(tokens[2].value))
            return LineError{"value too long or with control characters"};
        if (face_.variables.size() >= kFaceMaxVariables && !face_.variables.count(tokens[1].value))
            return LineError{"too many variables"};
        face_.variables[tokens[1].value] = tokens[2].value;
        return std::nullopt;
    }
    if (word == "style") {
        if (auto e = words(1)) return e;
        if (!isName(tokens[1].value)) return LineError{"bad style name '" + tokens[1].value + "'"};
        for (const FaceStyle& s : face_.styles)
            if (s.name == tokens[1].value) return LineError{"style '" + s.name + "' is defined twice"};
        if (face_.styles.size() >= kFaceMaxStyles) return LineError{"too many styles"};
        face_.styles.push_back({tokens[1].value, {}});
        owner_ = Owner::Style;
        return std::nullopt;
    }
    if (word == "common") {
        if (auto e = words(0)) return e;
        section_ = -1;
        return std::nullopt;
    }
    if (word == "panel") {
        if (auto e = words(1)) return e;
        if (!isName(tokens[1].value) || tokens[1].value == kBackPanel)
            return LineError{"bad panel name '" + tokens[1].value + "'"};
        int at = face_.panelIndex(tokens[1].value);
        if (at < 0) {
            if (face_.panels.size() >= kFaceMaxPanels) return LineError{"too many panels"};
            face_.panels.push_back(tokens[1].value);
            at = static_cast<int>(face_.panels.size()) - 1;
        }
        section_ = at;
        return std::nullopt;
    }
    return LineError{"unknown keyword '" + word + "'"};
}

std::optional<LineError> Parser::finish() {
    if (!haveHeader_) {
        line_ = 0;
        return LineError{"the face is empty: it must start with 'face <width> <height>'"};
    }
    if (face_.panels.empty()) face_.panels.push_back("home");
    if (!homeName_.empty()) {
        face_.home = face_.panelIndex(homeName_);
        if (face_.home < 0) {
            line_ = homeLine_;
            face_.home = 0;
            return LineError{"unknown panel '" + homeName_ + "'"};
        }
    }
    for (const FaceButton& b : face_.buttons) {
        if (!b.show.empty() && b.show != kBackPanel && face_.panelIndex(b.show) < 0) {
            line_ = b.line;
            return LineError{"unknown panel '" + b.show + "'"};
        }
    }
    return std::nullopt;
}

FaceParseResult Parser::run(std::string_view text) {
    FaceParseResult result;
    auto fail = [&](const LineError& e) {
        result.ok = false;
        result.line = line_;
        result.message = e.message;
        result.face = Face{};
        return result;
    };
    if (text.size() > kFaceMaxBytes) return fail(LineError{"the face is larger than 256 KB"});
    std::size_t pos = 0;
    while (pos < text.size()) {
        ++line_;
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view raw = text.substr(pos, end - pos);
        pos = end + 1;
        if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
        if (raw.size() > kFaceMaxLineLength) return fail(LineError{"line too long"});
        for (char c : raw) {
            auto u = static_cast<unsigned char>(c);
            if (u < 0x20 && c != '\t') return fail(LineError{"control character in the line"});
        }
        std::size_t start = raw.find_first_not_of(" \t");
        if (start == std::string_view::npos || raw[start] == '#') continue;
        std::vector<Token> tokens;
        if (auto e = tokenize(raw.substr(start), tokens)) return fail(*e);
        if (tokens.empty()) continue;
        if (auto e = statement(tokens)) return fail(*e);
    }
    if (auto e = finish()) return fail(*e);
    result.ok = true;
    result.face = std::move(face_);
    return result;
}

}  // namespace

// ---- Face ---------------------------------------------------------------

int FaceCoord::resolve(int frameWidth, int frameHeight) const {
    switch (base) {
    case Base::Width: return frameWidth / divisor + offset;
    case Base::Height: return frameHeight / divisor + offset;
    case Base::None: break;
    }
    return offset;
}

int Face::panelIndex(std::string_view name) const {
    for (std::size_t i = 0; i < panels.size(); ++i)
        if (panels[i] == name) return static_cast<int>(i);
    return -1;
}

std::vector<std::string> Face::commands() const {
    // Only what a user can reach: the home panel, and every panel that a
    // button on a reachable panel (or on all panels) switches to.
    std::vector<bool> reached(panels.size(), false);
    if (!panels.empty()) reached[static_cast<std::size_t>(home)] = true;
    bool grew = true;
    while (grew) {
        grew = false;
        for (const FaceItem& item : items) {
            if (!item.isButton) continue;
            if (item.panel >= 0 && !reached[static_cast<std::size_t>(item.panel)]) continue;
            const FaceButton& b = buttons[item.index];
            int target = b.show.empty() ? -1 : panelIndex(b.show);
            if (target >= 0 && !reached[static_cast<std::size_t>(target)]) {
                reached[static_cast<std::size_t>(target)] = true;
                grew = true;
            }
        }
    }
    std::set<std::string> found;
    for (const FaceItem& item : items) {
        if (!item.isButton) continue;
        if (item.panel >= 0 && !reached[static_cast<std::size_t>(item.panel)]) continue;
        const FaceButton& b = buttons[item.index];
        if (b.dragArea) found.insert(kDragCommand);
        else if (!b.command.empty()) found.insert(b.command);
    }
    return {found.begin(), found.end()};
}

std::string FaceParseResult::error() const {
    if (ok) return {};
    if (line <= 0) return message;
    return "line " + std::to_string(line) + ": " + message;
}

FaceParseResult parseFace(std::string_view text) {
    return Parser().run(text);
}

// ---- FaceState ----------------------------------------------------------

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
        if (!isName(name)) {
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

}  // namespace quellar::shell
