#include "ui/face/faceattributes.h"

#include <algorithm>
#include <iterator>

namespace quellar::ui::facewords {

namespace {

// What a drawing line has said so far beyond the drawing itself.
struct DrawingSeen {
    bool from = false, to = false;
};

using DrawingAttributeReader = Outcome (*)(std::string_view value, FaceDrawing& d, DrawingSeen& seen);

constexpr std::uint8_t shapeBit(FaceShape shape) {
    return static_cast<std::uint8_t>(1u << static_cast<unsigned>(shape));
}

constexpr std::uint8_t kFilledShapes = shapeBit(FaceShape::Rect) | shapeBit(FaceShape::Round) |
                                       shapeBit(FaceShape::Ellipse) | shapeBit(FaceShape::Polygon);

LineError badColour(std::string_view v) {
    return LineError{"bad colour '" + std::string(v) + "'"};
}

// A word from a fixed list, refused with `refusal`.
template <typename T, std::size_t N>
Outcome oneOf(std::string_view v, const Choice<T> (&choices)[N], T& out, const char* refusal) {
    if (readChoice(v, choices, out)) return std::nullopt;
    return LineError{refusal};
}

struct DrawingAttribute {
    const char* key;
    std::uint8_t shapes;  // shapeBit of each shape that takes it
    DrawingAttributeReader read;
};

const DrawingAttribute kDrawingAttributes[] = {
    {"fill", kFilledShapes,
     [](std::string_view v, FaceDrawing& d, DrawingSeen&) -> Outcome {
         if (!readColor(v, d.fill)) return badColour(v);
         return std::nullopt;
     }},
    {"border", kFilledShapes,
     [](std::string_view v, FaceDrawing& d, DrawingSeen&) -> Outcome {
         if (!readColor(v, d.border)) return badColour(v);
         return std::nullopt;
     }},
    {"pen", kFilledShapes | shapeBit(FaceShape::Line),
     [](std::string_view v, FaceDrawing& d, DrawingSeen&) -> Outcome {
         if (!readWhole(v, 1, kFaceMaxPen, d.pen)) return LineError{"bad pen width '" + std::string(v) + "'"};
         return std::nullopt;
     }},
    {"r", shapeBit(FaceShape::Round),
     [](std::string_view v, FaceDrawing& d, DrawingSeen&) -> Outcome {
         if (!readWhole(v, 0, kFaceMaxCoordinate, d.radius)) return LineError{"bad radius '" + std::string(v) + "'"};
         return std::nullopt;
     }},
    // Lines and texts keep their colour where the filled shapes keep their
    // border.
    {"color", shapeBit(FaceShape::Line) | shapeBit(FaceShape::Text),
     [](std::string_view v, FaceDrawing& d, DrawingSeen&) -> Outcome {
         FaceColor c = 0;
         if (!readSolidColor(v, c)) return badColour(v);
         d.border = c;
         return std::nullopt;
     }},
    // A gradient's top (or left) colour is its fill.
    {"from", shapeBit(FaceShape::Gradient),
     [](std::string_view v, FaceDrawing& d, DrawingSeen& seen) -> Outcome {
         FaceColor c = 0;
         if (!readSolidColor(v, c)) return badColour(v);
         d.fill = c;
         seen.from = true;
         return std::nullopt;
     }},
    {"to", shapeBit(FaceShape::Gradient),
     [](std::string_view v, FaceDrawing& d, DrawingSeen& seen) -> Outcome {
         if (!readSolidColor(v, d.to)) return badColour(v);
         seen.to = true;
         return std::nullopt;
     }},
    {"dir", shapeBit(FaceShape::Gradient),
     [](std::string_view v, FaceDrawing& d, DrawingSeen&) -> Outcome {
         static const Choice<bool> kDirections[] = {{"down", false}, {"right", true}};
         return oneOf(v, kDirections, d.horizontal, "dir must be down or right");
     }},
    {"size", shapeBit(FaceShape::Text),
     [](std::string_view v, FaceDrawing& d, DrawingSeen&) -> Outcome {
         if (!readWhole(v, 1, kFaceMaxFontSize, d.size)) return LineError{"bad size '" + std::string(v) + "'"};
         return std::nullopt;
     }},
    {"weight", shapeBit(FaceShape::Text),
     [](std::string_view v, FaceDrawing& d, DrawingSeen&) -> Outcome {
         static const Choice<int> kWeights[] = {{"normal", 400}, {"bold", 700}, {"light", 300}, {"semibold", 600}};
         if (!readChoice(v, kWeights, d.weight) && !readWhole(v, 100, 900, d.weight))
             return LineError{"bad weight '" + std::string(v) + "'"};
         return std::nullopt;
     }},
    {"align", shapeBit(FaceShape::Text),
     [](std::string_view v, FaceDrawing& d, DrawingSeen&) -> Outcome {
         static const Choice<FaceAlign> kAligns[] = {
             {"left", FaceAlign::Left}, {"center", FaceAlign::Center}, {"right", FaceAlign::Right}};
         return oneOf(v, kAligns, d.align, "align must be left, center or right");
     }},
    {"valign", shapeBit(FaceShape::Text),
     [](std::string_view v, FaceDrawing& d, DrawingSeen&) -> Outcome {
         static const Choice<FaceVAlign> kVAligns[] = {
             {"top", FaceVAlign::Top}, {"middle", FaceVAlign::Middle}, {"bottom", FaceVAlign::Bottom}};
         return oneOf(v, kVAligns, d.valign, "valign must be top, middle or bottom");
     }},
    {"font", shapeBit(FaceShape::Text),
     [](std::string_view v, FaceDrawing& d, DrawingSeen&) -> Outcome {
         if (!validFontName(v)) return LineError{"bad font name"};
         d.font = std::string(v);
         return std::nullopt;
     }},
};

// The plain words a text drawing takes after its text.
using TextFlag = void (*)(FaceDrawing& d);
const Choice<TextFlag> kTextFlags[] = {
    {"italic", [](FaceDrawing& d) { d.italic = true; }},
    {"underline", [](FaceDrawing& d) { d.underline = true; }},
    {"wrap", [](FaceDrawing& d) { d.wrap = true; }},
    {"bold", [](FaceDrawing& d) { d.weight = 700; }},
};

bool validCommand(std::string_view v) {
    return !v.empty() && v.size() <= kFaceMaxNameLength && validText(v) && v.find('\n') == std::string_view::npos;
}

// A button attribute is a text of the button, checked before it is kept.
struct ButtonAttribute {
    const char* key;
    std::string FaceButton::*field;
    bool (*valid)(std::string_view value);
    const char* refusal;
    bool quoteValue;  // the refusal names the value
};

// The attributes of a real button; a caption strip takes only style=.
const ButtonAttribute kButtonAttributes[] = {
    {"label", &FaceButton::label, validText, "text too long or with control characters", false},
    {"note", &FaceButton::note, validText, "text too long or with control characters", false},
    {"send", &FaceButton::command, validCommand, "bad command", true},
    {"arg", &FaceButton::args, validText, "bad argument", false},
    {"show", &FaceButton::show, isFaceName, "bad panel name", true},
    {"group", &FaceButton::group, isFaceName, "bad group name", true},
};

using ButtonFlag = void (*)(FaceButton& b);
const Choice<ButtonFlag> kButtonFlags[] = {
    {"default", [](FaceButton& b) { b.isDefault = true; }},
    {"cancel", [](FaceButton& b) { b.isCancel = true; }},
};

Outcome buttonStyle(const std::string& name, const std::vector<FaceStyle>& styles, FaceButton& b) {
    auto it = std::find_if(styles.begin(), styles.end(),
                           [&](const FaceStyle& s) { return s.name == name; });
    if (it == styles.end()) return LineError{"unknown style '" + name + "'"};
    b.style = static_cast<int>(it - styles.begin());
    return std::nullopt;
}

}  // namespace

Outcome readDrawingAttributes(const Tokens& tokens, std::size_t first, FaceDrawing& d) {
    DrawingSeen seen;
    for (std::size_t i = first; i < tokens.size(); ++i) {
        const Token& t = tokens[i];
        if (!t.keyed) {
            TextFlag flag = nullptr;
            if (d.shape != FaceShape::Text || !readChoice(t.value, kTextFlags, flag))
                return LineError{"unexpected '" + t.value + "'"};
            flag(d);
            continue;
        }
        const auto attribute = std::find_if(std::begin(kDrawingAttributes), std::end(kDrawingAttributes),
                                            [&](const DrawingAttribute& a) { return t.key == a.key; });
        if (attribute == std::end(kDrawingAttributes) || !(attribute->shapes & shapeBit(d.shape)))
            return LineError{"unknown attribute '" + t.key + "'"};
        if (auto e = attribute->read(t.value, d, seen)) return e;
    }
    if (d.shape == FaceShape::Gradient && (!seen.from || !seen.to)) return LineError{"a gradient needs from= and to="};
    if ((d.shape == FaceShape::Line || d.shape == FaceShape::Text) && !d.border) d.border = 0;
    return std::nullopt;
}

Outcome readButtonAttributes(const Tokens& tokens, std::size_t first, const std::vector<FaceStyle>& styles,
                             FaceButton& b) {
    const bool dragArea = b.dragArea;
    for (std::size_t i = first; i < tokens.size(); ++i) {
        const Token& t = tokens[i];
        if (!t.keyed) {
            ButtonFlag flag = nullptr;
            if (dragArea || !readChoice(t.value, kButtonFlags, flag)) return LineError{"unexpected '" + t.value + "'"};
            flag(b);
            continue;
        }
        if (t.key == "style") {
            if (auto e = buttonStyle(t.value, styles, b)) return e;
            continue;
        }
        const auto attribute = std::find_if(std::begin(kButtonAttributes), std::end(kButtonAttributes),
                                            [&](const ButtonAttribute& a) { return t.key == a.key; });
        if (dragArea || attribute == std::end(kButtonAttributes))
            return LineError{"unknown attribute '" + t.key + "'"};
        if (!attribute->valid(t.value))
            return LineError{attribute->quoteValue ? std::string(attribute->refusal) + " '" + t.value + "'"
                                                   : std::string(attribute->refusal)};
        b.*attribute->field = t.value;
    }
    return std::nullopt;
}

}  // namespace quellar::ui::facewords
