#include "ui/face/faceattributes.h"

#include <algorithm>
#include <iterator>

namespace quellar::shell::facewords {

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
         if (!readChoice(v, kDirections, d.horizontal)) return LineError{"dir must be down or right"};
         return std::nullopt;
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
         if (!readChoice(v, kAligns, d.align)) return LineError{"align must be left, center or right"};
         return std::nullopt;
     }},
    {"valign", shapeBit(FaceShape::Text),
     [](std::string_view v, FaceDrawing& d, DrawingSeen&) -> Outcome {
         static const Choice<FaceVAlign> kVAligns[] = {
             {"top", FaceVAlign::Top}, {"middle", FaceVAlign::Middle}, {"bottom", FaceVAlign::Bottom}};
         if (!readChoice(v, kVAligns, d.valign)) return LineError{"valign must be top, middle or bottom"};
         return std::nullopt;
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

using ButtonAttributeReader = Outcome (*)(const std::string& value, FaceButton& b);

struct ButtonAttribute {
    const char* key;
    ButtonAttributeReader read;
};

// The attributes of a real button; a caption strip takes only style=.
const ButtonAttribute kButtonAttributes[] = {
    {"label",
     [](const std::string& v, FaceButton& b) -> Outcome {
         if (!validText(v)) return LineError{"text too long or with control characters"};
         b.label = v;
         return std::nullopt;
     }},
    {"note",
     [](const std::string& v, FaceButton& b) -> Outcome {
         if (!validText(v)) return LineError{"text too long or with control characters"};
         b.note = v;
         return std::nullopt;
     }},
    {"send",
     [](const std::string& v, FaceButton& b) -> Outcome {
         if (v.empty() || v.size() > kFaceMaxNameLength || !validText(v) || v.find('\n') != std::string::npos)
             return LineError{"bad command '" + v + "'"};
         b.command = v;
         return std::nullopt;
     }},
    {"arg",
     [](const std::string& v, FaceButton& b) -> Outcome {
         if (!validText(v)) return LineError{"bad argument"};
         b.args = v;
         return std::nullopt;
     }},
    {"show",
     [](const std::string& v, FaceButton& b) -> Outcome {
         if (!isFaceName(v)) return LineError{"bad panel name '" + v + "'"};
         b.show = v;
         return std::nullopt;
     }},
    {"group",
     [](const std::string& v, FaceButton& b) -> Outcome {
         if (!isFaceName(v)) return LineError{"bad group name '" + v + "'"};
         b.group = v;
         return std::nullopt;
     }},
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
        if (auto e = attribute->read(t.value, b)) return e;
    }
    return std::nullopt;
}

}  // namespace quellar::shell::facewords
