#pragma once
// The skin model: which colours, border and font each skin element uses, and
// the reader of the skin file that fills it (format: docs/skin-format.md).
// Nothing here touches a window; the Win32 engine (skin_win.h) draws with it.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quellar::ui {

struct SkinColor {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;

    bool operator==(const SkinColor& other) const {
        return r == other.r && g == other.g && b == other.b;
    }
    bool operator!=(const SkinColor& other) const { return !(*this == other); }
};

// "#RRGGBB" or "r,g,b" (each 0 to 255, blanks allowed around the numbers).
bool parseSkinColor(std::string_view text, SkinColor& out);
std::string formatSkinColor(const SkinColor& color);  // "#RRGGBB"

enum class BorderStyle { None, Solid, Etched, Raised, Sunken };

constexpr int kMinFontSize = 6;
constexpr int kMaxFontSize = 36;
constexpr int kMaxCornerRadius = 20;
constexpr int kMaxFontFaceLength = 31;  // what a Windows font face name holds
constexpr int kFontWeightNormal = 400;
constexpr int kFontWeightBold = 700;

// Every property that any element may use; each element reads the ones
// that make sense for it and ignores the rest.
struct ElementStyle {
    SkinColor background{240, 240, 240};
    // Paint behind the control what its parent gives its children instead
    // of `background`, so a control looks right on a form and in a frame.
    bool backgroundFromParent = false;
    SkinColor face{255, 255, 255};
    SkinColor disabledFace{240, 240, 240};
    SkinColor text{0, 0, 0};
    SkinColor disabledText{128, 128, 128};
    SkinColor hover{229, 241, 251};
    SkinColor pressed{204, 228, 247};
    SkinColor border{128, 128, 128};
    SkinColor focus{0, 0, 0};
    SkinColor checkMark{0, 0, 0};
    BorderStyle borderStyle = BorderStyle::Solid;
    int cornerRadius = 0;
    std::string fontFace = "MS Sans Serif";
    int fontSize = 8;  // points
    int fontWeight = kFontWeightNormal;

    bool operator==(const ElementStyle& other) const;
    bool operator!=(const ElementStyle& other) const { return !(*this == other); }
};

enum class SkinElement { ControlForm, NoFrame, Button, Label, Frame, CheckBox, RadioBox };
constexpr std::size_t kSkinElementCount = 7;

// The name a skin file and the program use for an element, e.g. "controlForm".
const char* skinElementName(SkinElement element);
// Exact, case-sensitive match of one of the seven names.
bool findSkinElement(std::string_view name, SkinElement& out);

class Skin {
public:
    Skin() = default;

    const ElementStyle& style(SkinElement element) const {
        return styles_[static_cast<std::size_t>(element)];
    }
    ElementStyle& style(SkinElement element) { return styles_[static_cast<std::size_t>(element)]; }

    bool operator==(const Skin& other) const { return styles_ == other.styles_; }
    bool operator!=(const Skin& other) const { return !(*this == other); }

private:
    std::array<ElementStyle, kSkinElementCount> styles_;
};

struct SkinIssue {
    int line = 0;  // 1-based
    std::string message;
};

// Issues past this many are not recorded: a file that bad is rejected anyway,
// and a huge garbage file must not cost memory per line.
constexpr std::size_t kMaxSkinIssues = 100;

struct SkinParseResult {
    Skin skin;
    std::vector<SkinIssue> issues;  // malformed lines; empty for a sound file
};

// Reads a skin file's text over `base`: what the text does not set keeps
// the base's value. Unknown elements and keys are skipped without an issue
// (a newer skin still loads); a malformed line is reported and skipped.
SkinParseResult parseSkin(std::string_view text, const Skin& base);
// The same over the built-in skin, so anything a file omits looks as shipped.
SkinParseResult parseSkin(std::string_view text);

// "line 7: ..." for messages and logs.
std::string describeSkinIssue(const SkinIssue& issue);

// The built-in skin: the same text as the shipped RQLRMask.skn, used when
// that file is missing or cannot be used.
extern const char* const kBuiltInSkinText;
const Skin& builtInSkin();

}  // namespace quellar::ui
