#include "ui/face/facewords.h"

#include <algorithm>
#include <utility>

#include "core/text.h"

namespace quellar::ui::facewords {

namespace {

const Choice<std::uint8_t> kLookWords[] = {
    {"normal", kLookNormal}, {"hover", kLookHover}, {"pressed", kLookPressed},
    {"selected", kLookSelected}, {"any", kLookAny},
};

const Choice<FaceShape> kShapeWords[] = {
    {"rect", FaceShape::Rect}, {"round", FaceShape::Round}, {"ellipse", FaceShape::Ellipse},
    {"gradient", FaceShape::Gradient}, {"line", FaceShape::Line}, {"poly", FaceShape::Polygon},
    {"text", FaceShape::Text},
};

// The text of a double-quoted part from just after its opening quote; `i`
// ends just after the closing one.
Outcome readQuoted(std::string_view line, std::size_t& i, std::string& text) {
    while (i < line.size()) {
        char q = line[i++];
        if (q == '"') return std::nullopt;
        if (q != '\\') {
            text += q;
            continue;
        }
        if (i >= line.size()) break;
        char e = line[i++];
        switch (e) {
        case 'n': text += '\n'; break;
        case 't': text += '\t'; break;
        case '"': text += '"'; break;
        case '\\': text += '\\'; break;
        default: return LineError{std::string("unknown escape '\\") + e + "'"};
        }
    }
    return LineError{"text without its closing quote"};
}

}  // namespace

Outcome tokenize(std::string_view line, Tokens& out) {
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
                if (auto e = readQuoted(line, i, text)) return e;
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

bool readWhole(std::string_view s, int lo, int hi, int& out) {
    const auto value = text::parseWhole(s, lo, hi);
    if (!value) return false;
    out = static_cast<int>(*value);
    return true;
}

bool readCoord(std::string_view s, FaceCoord& out) {
    FaceCoord c;
    if (!s.empty() && (s[0] == 'w' || s[0] == 'h')) {
        c.base = s[0] == 'w' ? FaceCoord::Base::Width : FaceCoord::Base::Height;
        s.remove_prefix(1);
        if (!s.empty() && s[0] == '/') {
            std::size_t end = 1;
            while (end < s.size() && text::isDigit(s[end])) ++end;
            if (!readWhole(s.substr(1, end - 1), 1, 100, c.divisor)) return false;
            s.remove_prefix(end);
        }
        if (!s.empty() && s[0] != '+' && s[0] != '-') return false;
    }
    if (!s.empty() || c.base == FaceCoord::Base::None) {
        if (!readWhole(s, -kFaceMaxCoordinate, kFaceMaxCoordinate, c.offset)) return false;
    }
    out = c;
    return true;
}

bool readColor(std::string_view s, std::optional<FaceColor>& out) {
    if (s == "none") {
        out.reset();
        return true;
    }
    if ((s.size() != 4 && s.size() != 7) || s[0] != '#') return false;
    const auto value = text::parseHex(s.substr(1));
    if (!value) return false;
    FaceColor color = static_cast<FaceColor>(*value);
    if (s.size() == 4) {
        // Each digit stands for itself twice: #abc is #aabbcc.
        color = ((color >> 8) & 0xF) * 0x110000 + ((color >> 4) & 0xF) * 0x1100 + (color & 0xF) * 0x11;
    }
    out = color;
    return true;
}

bool readSolidColor(std::string_view s, FaceColor& out) {
    std::optional<FaceColor> c;
    if (!readColor(s, c) || !c) return false;
    out = *c;
    return true;
}

std::optional<std::uint8_t> readLooks(std::string_view s) {
    std::uint8_t looks = 0;
    while (!s.empty()) {
        std::size_t comma = s.find(',');
        std::uint8_t look = 0;
        if (!readChoice(s.substr(0, comma), kLookWords, look)) return std::nullopt;
        looks |= look;
        if (comma == std::string_view::npos) break;
        s.remove_prefix(comma + 1);
        if (s.empty()) return std::nullopt;
    }
    if (looks == 0) return std::nullopt;
    return looks;
}

std::optional<FaceShape> shapeNamed(std::string_view s) {
    FaceShape shape = FaceShape::Rect;
    if (!readChoice(s, kShapeWords, shape)) return std::nullopt;
    return shape;
}

bool validText(std::string_view s) {
    if (s.size() > kFaceMaxTextLength) return false;
    return std::none_of(s.begin(), s.end(), [](char c) {
        auto u = static_cast<unsigned char>(c);
        return u < 0x20 && c != '\n' && c != '\t';
    });
}

bool validFontName(std::string_view s) {
    return !s.empty() && s.size() <= kFaceMaxNameLength && validText(s);
}

}  // namespace quellar::ui::facewords
