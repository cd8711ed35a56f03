#pragma once
// The main window's face: a plain-text description of everything drawn on
// the main window and of the places that report clicks as command strings
// (format: docs/face-format.md). This part is the description as read: its
// limits, drawings, buttons and panels. faceparser.h reads it from the face
// text; facestate.h keeps the live face (shown panel, hovered and pressed
// button, variables) and turns it into plain drawing operations, which the
// Win32 player only paints.
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quellar::ui {

// Limits that keep a damaged or hostile face file from costing more than a
// face could sensibly need.
inline constexpr std::size_t kFaceMaxBytes = 256 * 1024;
inline constexpr std::size_t kFaceMaxLineLength = 2048;
inline constexpr std::size_t kFaceMaxItems = 4096;     // drawing lines, buttons and areas together
inline constexpr std::size_t kFaceMaxButtons = 512;
inline constexpr std::size_t kFaceMaxPanels = 64;
inline constexpr std::size_t kFaceMaxStyles = 64;
inline constexpr std::size_t kFaceMaxGradients = 128;
inline constexpr std::size_t kFaceMaxNameLength = 64;
inline constexpr std::size_t kFaceMaxTextLength = 1024;
inline constexpr std::size_t kFaceMaxPolygonPoints = 64;
inline constexpr std::size_t kFaceMaxVariables = 128;
inline constexpr std::size_t kFaceMaxValueLength = 1024;
inline constexpr std::size_t kFaceMaxShownText = 4096;  // a text after its variables are filled in
inline constexpr int kFaceMaxCanvas = 4096;
inline constexpr int kFaceMaxCoordinate = 10000;
inline constexpr int kFaceMaxGradientBands = 256;
inline constexpr int kFaceMaxFontSize = 200;
inline constexpr int kFaceMaxPen = 32;

// The command a left-button press on the caption strip sends.
inline constexpr const char* kDragCommand = "Drag";
// Set to "true" by the program to send the face back to its home panel.
inline constexpr const char* kHomeVariable = "_root.home";
inline constexpr const char* kVersionVariable = "_root.version";
// A button's show= target that returns to the panel shown before.
inline constexpr const char* kBackPanel = "back";

using FaceColor = std::uint32_t;  // 0xRRGGBB

// Letters, digits, '_', '.' and '-', at most kFaceMaxNameLength of them: the
// names of panels, styles, groups and variables.
bool isFaceName(std::string_view s);

// A coordinate of the face text: a number, or a fraction of the enclosing
// frame's width or height plus a number ("w", "w/2-14", "h-8").
struct FaceCoord {
    enum class Base : std::uint8_t { None, Width, Height };
    Base base = Base::None;
    int divisor = 1;
    int offset = 0;
    int resolve(int frameWidth, int frameHeight) const;
};

struct FacePoint {
    int x = 0, y = 0;
    bool operator==(const FacePoint& o) const { return x == o.x && y == o.y; }
};

enum class FaceShape : std::uint8_t { Rect, Round, Ellipse, Gradient, Line, Polygon, Text };
enum class FaceAlign : std::uint8_t { Left, Center, Right };
enum class FaceVAlign : std::uint8_t { Top, Middle, Bottom };

// Button looks: which of a button's states a drawing line belongs to.
enum FaceLook : std::uint8_t {
    kLookNormal = 1,
    kLookHover = 2,
    kLookPressed = 4,
    kLookSelected = 8,
    kLookAny = kLookNormal | kLookHover | kLookPressed | kLookSelected,
};

// One drawing line of the face text, coordinates still relative.
struct FaceDrawing {
    FaceShape shape = FaceShape::Rect;
    std::uint8_t looks = kLookAny;
    FaceCoord x, y, w, h;            // Line: x, y to w, h as the end point
    std::vector<FaceCoord> polygon;  // x, y pairs
    std::optional<FaceColor> fill, border;
    FaceColor to = 0;                // Gradient: the bottom (or right) colour; `fill` is the top
    bool horizontal = false;         // Gradient running left to right
    int pen = 1;
    int radius = 0;
    std::string text;
    std::string font;                // empty: the face's font
    int size = 12;
    int weight = 400;
    bool italic = false, underline = false, wrap = false;
    FaceAlign align = FaceAlign::Left;
    FaceVAlign valign = FaceVAlign::Top;
    int line = 0;                    // in the face text, for messages
};

struct FaceStyle {
    std::string name;
    std::vector<FaceDrawing> drawings;
};

// Something that reacts to the mouse: a button, or a caption strip that
// sends "Drag" on press.
struct FaceButton {
    bool dragArea = false;
    FaceCoord x, y, w, h;
    int style = -1;                  // index into Face::styles
    std::string label, note;         // shown through {label} and {note}
    std::string command, args;       // empty command: the button only switches the panel
    std::string show;                // panel to switch to on click
    std::string group;               // the last clicked button of a group looks selected
    bool isDefault = false;          // Enter clicks it when no button has the keyboard focus
    bool isCancel = false;           // Escape clicks it
    std::vector<FaceDrawing> drawings;
    int line = 0;
};

// One thing in the face's drawing order: a drawing or a button, on every
// panel (panel -1) or on one.
struct FaceItem {
    int panel = -1;
    bool isButton = false;
    std::size_t index = 0;           // into Face::drawings or Face::buttons
};

struct Face {
    int width = 0, height = 0;
    std::string font = "Tahoma";
    std::vector<std::string> panels;
    int home = 0;                    // index into panels
    std::vector<FaceStyle> styles;
    std::vector<FaceDrawing> drawings;
    std::vector<FaceButton> buttons;
    std::vector<FaceItem> items;
    std::map<std::string, std::string> variables;  // the face's own defaults

    int panelIndex(std::string_view name) const;
    // Every command string the face can send, sorted, each once.
    std::vector<std::string> commands() const;
};

}  // namespace quellar::ui
