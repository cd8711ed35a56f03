#include "ui/skin/skin.h"

#include <cstdio>

#include "builtinskin.h"
#include "core/text.h"

namespace quellar::ui {

namespace {

const char* const kElementNames[kSkinElementCount] = {
    "controlForm", "NoFrame", "Button", "Label", "Frame", "CheckBox", "RadioBox",
};

using text::trim;

bool sameWord(std::string_view a, std::string_view b) { return text::equalsIgnoreCase(a, b); }

// A whole decimal number within [min, max]; no sign, no blanks inside.
bool parseWhole(std::string_view s, int min, int max, int& out) {
    const auto value = text::parseWhole(s, min, max, false);
    if (!value) return false;
    out = static_cast<int>(*value);
    return true;
}

// A value as it may appear in a message: short and printable, whatever the
// file held.
std::string quoted(std::string_view value) {
    constexpr std::size_t kShown = 40;
    std::string out = "'";
    for (std::size_t i = 0; i < value.size() && i < kShown; ++i) {
        unsigned char c = static_cast<unsigned char>(value[i]);
        out += (c < 0x20 || c == 0x7f) ? '?' : value[i];
    }
    if (value.size() > kShown) out += "...";
    out += "'";
    return out;
}

struct ColorProperty {
    const char* key;
    SkinColor ElementStyle::*member;
};

const ColorProperty kColorProperties[] = {
    {"face", &ElementStyle::face},
    {"disabledFace", &ElementStyle::disabledFace},
    {"text", &ElementStyle::text},
    {"disabledText", &ElementStyle::disabledText},
    {"hover", &ElementStyle::hover},
    {"pressed", &ElementStyle::pressed},
    {"border", &ElementStyle::border},
    {"focus", &ElementStyle::focus},
    {"checkMark", &ElementStyle::checkMark},
};

const char* const kColorExpected = "expected a colour as #RRGGBB or r,g,b";

struct BorderStyleName {
    const char* name;
    BorderStyle style;
};

const BorderStyleName kBorderStyles[] = {
    {"none", BorderStyle::None},     {"solid", BorderStyle::Solid},
    {"etched", BorderStyle::Etched}, {"raised", BorderStyle::Raised},
    {"sunken", BorderStyle::Sunken},
};

bool validFontFace(std::string_view face) {
    if (face.empty() || face.size() > static_cast<std::size_t>(kMaxFontFaceLength)) return false;
    for (char c : face) {
        unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7f) return false;
    }
    return true;
}

enum class Outcome { Set, UnknownKey, BadValue };

// Sets one property; `expected` says what a bad value should have been.
Outcome setProperty(ElementStyle& style, std::string_view key, std::string_view value,
                    std::string& expected) {
    for (const ColorProperty& p : kColorProperties) {
        if (!sameWord(key, p.key)) continue;
        if (parseSkinColor(value, style.*p.member)) return Outcome::Set;
        expected = kColorExpected;
        return Outcome::BadValue;
    }
    if (sameWord(key, "background")) {
        if (sameWord(value, "parent")) {
            style.backgroundFromParent = true;
            return Outcome::Set;
        }
        if (parseSkinColor(value, style.background)) {
            style.backgroundFromParent = false;
            return Outcome::Set;
        }
        expected = "expected a colour as #RRGGBB or r,g,b, or 'parent'";
        return Outcome::BadValue;
    }
    if (sameWord(key, "borderStyle")) {
        for (const BorderStyleName& b : kBorderStyles) {
            if (sameWord(value, b.name)) {
                style.borderStyle = b.style;
                return Outcome::Set;
            }
        }
        expected = "expected none, solid, etched, raised or sunken";
        return Outcome::BadValue;
    }
    if (sameWord(key, "cornerRadius")) {
        if (parseWhole(value, 0, kMaxCornerRadius, style.cornerRadius)) return Outcome::Set;
        expected = "expected a whole number of pixels from 0 to " + std::to_string(kMaxCornerRadius);
        return Outcome::BadValue;
    }
    if (sameWord(key, "fontFace")) {
        if (validFontFace(value)) {
            style.fontFace = std::string(value);
            return Outcome::Set;
        }
        expected = "expected a font name of 1 to " + std::to_string(kMaxFontFaceLength) +
                   " characters";
        return Outcome::BadValue;
    }
    if (sameWord(key, "fontSize")) {
        if (parseWhole(value, kMinFontSize, kMaxFontSize, style.fontSize)) return Outcome::Set;
        expected = "expected a whole number of points from " + std::to_string(kMinFontSize) +
                   " to " + std::to_string(kMaxFontSize);
        return Outcome::BadValue;
    }
    if (sameWord(key, "fontWeight")) {
        if (sameWord(value, "normal")) {
            style.fontWeight = kFontWeightNormal;
            return Outcome::Set;
        }
        if (sameWord(value, "bold")) {
            style.fontWeight = kFontWeightBold;
            return Outcome::Set;
        }
        if (parseWhole(value, 100, 900, style.fontWeight)) return Outcome::Set;
        expected = "expected normal, bold or a number from 100 to 900";
        return Outcome::BadValue;
    }
    return Outcome::UnknownKey;
}

class Parser {
public:
    explicit Parser(const Skin& base) { result_.skin = base; }

    void line(int number, std::string_view raw) {
        std::string_view text = trim(raw);
        if (text.empty() || text.front() == '#' || text.front() == ';') return;
        if (text.front() == '[') {
            section(number, text);
            return;
        }
        std::size_t eq = text.find('=');
        if (eq == std::string_view::npos) {
            issue(number, "expected 'key = value' or '[Element]', found " + quoted(text));
            return;
        }
        std::string_view key = trim(text.substr(0, eq));
        std::string_view value = trim(text.substr(eq + 1));
        if (key.empty()) {
            issue(number, "missing key before '='");
            return;
        }
        // Settings before the first element describe the skin as a whole;
        // those of elements this program does not know belong to a newer
        // skin. Neither changes how anything looks.
        if (!current_) return;
        std::string expected;
        if (setProperty(result_.skin.style(element_), key, value, expected) == Outcome::BadValue)
            issue(number, "bad value " + quoted(value) + " for '" + std::string(key) + "': " + expected);
    }

    SkinParseResult take() { return std::move(result_); }

private:
    void section(int number, std::string_view text) {
        current_ = false;
        std::size_t close = text.find(']');
        if (close == std::string_view::npos) {
            issue(number, "missing ']' after the element name");
            return;
        }
        if (!trim(text.substr(close + 1)).empty()) {
            issue(number, "unexpected text after ']'");
            return;
        }
        std::string_view name = trim(text.substr(1, close - 1));
        if (name.empty()) {
            issue(number, "empty element name");
            return;
        }
        current_ = findSkinElement(name, element_);
    }

    void issue(int number, std::string message) {
        if (result_.issues.size() < kMaxSkinIssues)
            result_.issues.push_back({number, std::move(message)});
    }

    SkinParseResult result_;
    bool current_ = false;
    SkinElement element_ = SkinElement::ControlForm;
};

}  // namespace

bool ElementStyle::operator==(const ElementStyle& o) const {
    return background == o.background && backgroundFromParent == o.backgroundFromParent &&
           face == o.face && disabledFace == o.disabledFace && text == o.text &&
           disabledText == o.disabledText && hover == o.hover && pressed == o.pressed &&
           border == o.border && focus == o.focus && checkMark == o.checkMark &&
           borderStyle == o.borderStyle && cornerRadius == o.cornerRadius &&
           fontFace == o.fontFace && fontSize == o.fontSize && fontWeight == o.fontWeight;
}

bool parseSkinColor(std::string_view text, SkinColor& out) {
    text = trim(text);
    if (!text.empty() && text.front() == '#') {
        if (text.size() != 7) return false;
        int digits[6];
        for (std::size_t i = 0; i < 6; ++i) {
            digits[i] = text::hexDigitValue(text[i + 1]);
            if (digits[i] < 0) return false;
        }
        out.r = static_cast<std::uint8_t>(digits[0] * 16 + digits[1]);
        out.g = static_cast<std::uint8_t>(digits[2] * 16 + digits[3]);
        out.b = static_cast<std::uint8_t>(digits[4] * 16 + digits[5]);
        return true;
    }
    int parts[3];
    for (int i = 0; i < 3; ++i) {
        std::size_t comma = text.find(',');
        bool last = i == 2;
        if (last != (comma == std::string_view::npos)) return false;
        std::string_view part = trim(last ? text : text.substr(0, comma));
        if (part.size() > 3 || !parseWhole(part, 0, 255, parts[i])) return false;
        if (!last) text = text.substr(comma + 1);
    }
    out.r = static_cast<std::uint8_t>(parts[0]);
    out.g = static_cast<std::uint8_t>(parts[1]);
    out.b = static_cast<std::uint8_t>(parts[2]);
    return true;
}

std::string formatSkinColor(const SkinColor& color) {
    return text::formatted("#%02X%02X%02X", color.r, color.g, color.b);
}

const char* skinElementName(SkinElement element) {
    return kElementNames[static_cast<std::size_t>(element)];
}

bool findSkinElement(std::string_view name, SkinElement& out) {
    for (std::size_t i = 0; i < kSkinElementCount; ++i) {
        if (name == kElementNames[i]) {
            out = static_cast<SkinElement>(i);
            return true;
        }
    }
    return false;
}

SkinParseResult parseSkin(std::string_view text, const Skin& base) {
    Parser parser(base);
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) text.remove_prefix(kByteOrderMark.size());
    int number = 1;
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        parser.line(number, text.substr(0, end));
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
        ++number;
    }
    return parser.take();
}

SkinParseResult parseSkin(std::string_view text) {
    return parseSkin(text, builtInSkin());
}

std::string describeSkinIssue(const SkinIssue& issue) {
    return "line " + std::to_string(issue.line) + ": " + issue.message;
}

const Skin& builtInSkin() {
    static const Skin skin = parseSkin(kBuiltInSkinText, Skin()).skin;
    return skin;
}

// Kept identical to src/res/RQLRMask.skn (a test compares them), so the
// program looks the same whether it reads the file, its own resource or this.
// Made at build time from src/res/RQLRMask.skn, so the built-in skin and the
// file shipped beside the program cannot drift apart.
const char* const kBuiltInSkinText = kBuiltInSkinFileText;

}  // namespace quellar::ui
