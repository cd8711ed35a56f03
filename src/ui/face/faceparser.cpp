#include "ui/face/faceparser.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <optional>
#include <utility>
#include <vector>

#include "ui/face/faceattributes.h"
#include "ui/face/facewords.h"

namespace quellar::ui {

namespace {

using namespace facewords;

// ---- The parser ---------------------------------------------------------

class Parser {
public:
    FaceParseResult run(std::string_view text);

private:
    using Statement = Outcome (Parser::*)(const Tokens& tokens);
    struct Keyword {
        const char* word;
        int values;  // plain values it takes; -1: it reads its own
        Statement read;
    };
    static const Keyword kKeywords[];

    Outcome statement(const Tokens& tokens);
    Outcome header(const Tokens& tokens);
    Outcome lookLine(std::uint8_t looks, const Tokens& tokens);
    Outcome drawingLine(FaceShape shape, const Tokens& tokens);
    Outcome drawing(FaceShape shape, std::uint8_t looks, const Tokens& tokens, std::size_t first,
                    FaceDrawing& out);
    Outcome buttonLine(const Tokens& tokens) { return button(false, tokens); }
    Outcome dragLine(const Tokens& tokens) { return button(true, tokens); }
    Outcome button(bool dragArea, const Tokens& tokens);
    Outcome fontLine(const Tokens& tokens);
    Outcome homeLine(const Tokens& tokens);
    Outcome setLine(const Tokens& tokens);
    Outcome styleLine(const Tokens& tokens);
    Outcome commonLine(const Tokens& tokens);
    Outcome panelLine(const Tokens& tokens);
    // x, y, width and height from tokens[first] on.
    Outcome rect(const Tokens& tokens, std::size_t first, FaceCoord& x, FaceCoord& y, FaceCoord& w,
                 FaceCoord& h);
    Outcome finish();
    Outcome countItem();

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

const Parser::Keyword Parser::kKeywords[] = {
    {"button", -1, &Parser::buttonLine}, {"drag", -1, &Parser::dragLine}, {"font", 1, &Parser::fontLine},
    {"home", 1, &Parser::homeLine},      {"set", 2, &Parser::setLine},    {"style", 1, &Parser::styleLine},
    {"common", 0, &Parser::commonLine},  {"panel", 1, &Parser::panelLine},
};

// A keyword line that takes exactly `n` plain values.
Outcome takesValues(const Tokens& tokens, std::size_t n) {
    const std::string& word = tokens[0].value;
    if (tokens.size() != n + 1) return LineError{"'" + word + "' takes " + std::to_string(n) + " value(s)"};
    for (std::size_t i = 1; i < tokens.size(); ++i)
        if (tokens[i].keyed) return LineError{"'" + word + "' takes no attributes"};
    return std::nullopt;
}

Outcome Parser::countItem() {
    if (++items_ > kFaceMaxItems) return LineError{"too many drawings and buttons"};
    return std::nullopt;
}

Outcome Parser::rect(const Tokens& tokens, std::size_t first, FaceCoord& x, FaceCoord& y, FaceCoord& w,
                     FaceCoord& h) {
    static const char* const names[] = {"x", "y", "width", "height"};
    FaceCoord* const four[] = {&x, &y, &w, &h};
    for (std::size_t k = 0; k < 4; ++k) {
        std::size_t at = first + k;
        if (at >= tokens.size() || tokens[at].keyed) return LineError{std::string("missing ") + names[k]};
        if (!readCoord(tokens[at].value, *four[k]))
            return LineError{std::string("bad ") + names[k] + " '" + tokens[at].value + "'"};
    }
    return std::nullopt;
}

Outcome Parser::drawing(FaceShape shape, std::uint8_t looks, const Tokens& tokens, std::size_t first,
                        FaceDrawing& d) {
    d.shape = shape;
    d.looks = looks;
    d.line = line_;
    std::size_t next = first;
    if (shape == FaceShape::Polygon) {
        while (next < tokens.size() && !tokens[next].keyed && tokens[next].value.find(',') != std::string::npos) {
            const std::string& v = tokens[next].value;
            std::size_t comma = v.find(',');
            FaceCoord px, py;
            if (!readCoord(std::string_view(v).substr(0, comma), px) ||
                !readCoord(std::string_view(v).substr(comma + 1), py))
                return LineError{"bad point '" + v + "'"};
            if (d.polygon.size() / 2 >= kFaceMaxPolygonPoints) return LineError{"too many points"};
            d.polygon.push_back(px);
            d.polygon.push_back(py);
            ++next;
        }
        if (d.polygon.size() < 6) return LineError{"a polygon needs at least three points x,y"};
    } else {
        if (auto e = rect(tokens, first, d.x, d.y, d.w, d.h)) return e;
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
    return readDrawingAttributes(tokens, next, d);
}

Outcome Parser::button(bool dragArea, const Tokens& tokens) {
    if (face_.buttons.size() >= kFaceMaxButtons) return LineError{"too many buttons"};
    FaceButton b;
    b.dragArea = dragArea;
    b.line = line_;
    if (auto e = rect(tokens, 1, b.x, b.y, b.w, b.h)) return e;
    if (auto e = readButtonAttributes(tokens, 5, face_.styles, b)) return e;
    if (!dragArea && b.command.empty() && b.show.empty()) return LineError{"a button needs send= or show="};
    if (auto e = countItem()) return e;
    face_.items.push_back({section_, true, face_.buttons.size()});
    face_.buttons.push_back(std::move(b));
    owner_ = Owner::Button;
    return std::nullopt;
}

Outcome Parser::header(const Tokens& tokens) {
    if (tokens[0].value != "face") return LineError{"a face starts with 'face <width> <height>'"};
    if (auto e = takesValues(tokens, 2)) return e;
    if (!readWhole(tokens[1].value, 1, kFaceMaxCanvas, face_.width) ||
        !readWhole(tokens[2].value, 1, kFaceMaxCanvas, face_.height))
        return LineError{"bad canvas size"};
    haveHeader_ = true;
    return std::nullopt;
}

// A drawing of one or more looks of the style or button above it.
Outcome Parser::lookLine(std::uint8_t looks, const Tokens& tokens) {
    if (tokens.size() < 2 || tokens[1].keyed) return LineError{"a look needs a drawing after it"};
    auto shape = shapeNamed(tokens[1].value);
    if (!shape) return LineError{"unknown drawing '" + tokens[1].value + "'"};
    if (owner_ == Owner::None) return LineError{"a look belongs under a style or a button"};
    FaceDrawing d;
    if (auto e = drawing(*shape, looks, tokens, 2, d)) return e;
    if (auto e = countItem()) return e;
    if (owner_ == Owner::Style) face_.styles.back().drawings.push_back(std::move(d));
    else face_.buttons.back().drawings.push_back(std::move(d));
    return std::nullopt;
}

Outcome Parser::drawingLine(FaceShape shape, const Tokens& tokens) {
    FaceDrawing d;
    if (auto e = drawing(shape, kLookAny, tokens, 1, d)) return e;
    if (auto e = countItem()) return e;
    face_.items.push_back({section_, false, face_.drawings.size()});
    face_.drawings.push_back(std::move(d));
    return std::nullopt;
}

Outcome Parser::fontLine(const Tokens& tokens) {
    if (!validFontName(tokens[1].value)) return LineError{"bad font name"};
    face_.font = tokens[1].value;
    return std::nullopt;
}

Outcome Parser::homeLine(const Tokens& tokens) {
    if (!isFaceName(tokens[1].value)) return LineError{"bad panel name '" + tokens[1].value + "'"};
    homeName_ = tokens[1].value;
    homeLine_ = line_;
    return std::nullopt;
}

Outcome Parser::setLine(const Tokens& tokens) {
    const std::string& name = tokens[1].value;
    const std::string& value = tokens[2].value;
    if (!isFaceName(name)) return LineError{"bad variable name '" + name + "'"};
    if (value.size() > kFaceMaxValueLength || !validText(value))
        return LineError{"value too long or with control characters"};
    if (face_.variables.size() >= kFaceMaxVariables && !face_.variables.count(name))
        return LineError{"too many variables"};
    face_.variables[name] = value;
    return std::nullopt;
}

Outcome Parser::styleLine(const Tokens& tokens) {
    const std::string& name = tokens[1].value;
    if (!isFaceName(name)) return LineError{"bad style name '" + name + "'"};
    for (const FaceStyle& s : face_.styles)
        if (s.name == name) return LineError{"style '" + s.name + "' is defined twice"};
    if (face_.styles.size() >= kFaceMaxStyles) return LineError{"too many styles"};
    face_.styles.push_back({name, {}});
    owner_ = Owner::Style;
    return std::nullopt;
}

Outcome Parser::commonLine(const Tokens&) {
    section_ = -1;
    return std::nullopt;
}

Outcome Parser::panelLine(const Tokens& tokens) {
    const std::string& name = tokens[1].value;
    if (!isFaceName(name) || name == kBackPanel) return LineError{"bad panel name '" + name + "'"};
    int at = face_.panelIndex(name);
    if (at < 0) {
        if (face_.panels.size() >= kFaceMaxPanels) return LineError{"too many panels"};
        face_.panels.push_back(name);
        at = static_cast<int>(face_.panels.size()) - 1;
    }
    section_ = at;
    return std::nullopt;
}

Outcome Parser::statement(const Tokens& tokens) {
    for (const Token& t : tokens)
        if (t.keyed && !isFaceName(t.key)) return LineError{"bad attribute name '" + t.key + "'"};
    if (tokens[0].keyed) return LineError{"a line must start with a keyword"};
    const std::string& word = tokens[0].value;
    if (!haveHeader_) return header(tokens);
    if (word == "face") return LineError{"'face' appears twice"};
    if (auto looks = readLooks(word)) return lookLine(*looks, tokens);

    // Anything but a look ends the style or button that looks belong to.
    owner_ = Owner::None;
    if (auto shape = shapeNamed(word)) return drawingLine(*shape, tokens);
    for (const Keyword& keyword : kKeywords) {
        if (word != keyword.word) continue;
        if (keyword.values >= 0) {
            if (auto e = takesValues(tokens, static_cast<std::size_t>(keyword.values))) return e;
        }
        return (this->*keyword.read)(tokens);
    }
    return LineError{"unknown keyword '" + word + "'"};
}

Outcome Parser::finish() {
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
        Tokens tokens;
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

std::string FaceParseResult::error() const {
    if (ok) return {};
    if (line <= 0) return message;
    return "line " + std::to_string(line) + ": " + message;
}

FaceParseResult parseFace(std::string_view text) {
    return Parser().run(text);
}

}  // namespace quellar::ui
