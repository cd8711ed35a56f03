#pragma once
// The main window's face: a plain-text description of everything drawn on
// the main window and of the places that report clicks as command strings
// (format: docs/face-format.md). This part reads a face, keeps its state
// (shown panel, hovered and pressed button, variables) and turns it into a
// list of plain drawing operations; the Win32 player only paints that list
// and forwards mouse input.
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quellar::shell {

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
enum FaceStateBits : std::uint8_t {
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

struct FaceParseResult {
    bool ok = false;
    int line = 0;                    // where the error is (0: the text as a whole)
    std::string message;
    Face face;
    std::string error() const;       // "line 7: unknown attribute 'fil'"
};

FaceParseResult parseFace(std::string_view text);

// A drawing resolved for painting: absolute pixel coordinates, colours
// decided, text filled in. Gradients arrive already cut into bands.
struct FaceOp {
    FaceShape shape = FaceShape::Rect;  // never Gradient
    int x = 0, y = 0, w = 0, h = 0;
    std::vector<FacePoint> points;   // Line: two points; Polygon: the corners
    std::optional<FaceColor> fill, border;
    int pen = 1;
    int radius = 0;
    std::string text, font;
    int size = 12, weight = 400;
    bool italic = false, underline = false, wrap = false;
    FaceAlign align = FaceAlign::Left;
    FaceVAlign valign = FaceVAlign::Top;
    FaceColor color = 0;             // text and line colour
};

// The ring drawn around the button that has the keyboard focus: light
// outside, dark inside, so it shows on the dark and the light parts alike.
inline constexpr FaceColor kFaceFocusOuter = 0xFFD466;
inline constexpr FaceColor kFaceFocusInner = 0x0E1828;

// The keys the face answers.
enum class FaceKey : std::uint8_t {
    Next,      // Tab, Right, Down
    Previous,  // Shift+Tab, Left, Up
    Choose,    // Enter, Space
    Cancel     // Escape
};

struct FaceCommand {
    std::string command, args;
    bool operator==(const FaceCommand& o) const { return command == o.command && args == o.args; }
};

// The live face: which panel shows, what the mouse is over, what the
// program told it. Mouse input returns the command to raise, if any.
class FaceState {
public:
    FaceState() = default;
    explicit FaceState(Face face);

    const Face& face() const { return face_; }
    const std::string& panel() const;
    bool showPanel(std::string_view name);

    void setVariable(const std::string& name, const std::string& value);
    std::string variable(const std::string& name) const;
    // Fills in {name} with variables (and {label}, {note} of a button);
    // "{{" is a plain "{".
    std::string fillIn(std::string_view text, const FaceButton* button = nullptr) const;

    // The topmost button or caption strip under the point on the shown
    // panel, or -1.
    int hitTest(int x, int y) const;
    bool overButton(int x, int y) const;  // a real button (hand cursor)

    void mouseMove(int x, int y);
    void mouseLeave();
    std::optional<FaceCommand> mouseDown(int x, int y);
    std::optional<FaceCommand> mouseUp(int x, int y);
    void cancelPress();              // the mouse was taken away mid-click

    // The keyboard. Next and Previous move the focus over the buttons of the
    // shown panel in the face's order (title strip, side bar, the panel's
    // own), round at the ends; Choose clicks the focused button, or the
    // panel's default one while no focus mark shows; Cancel clicks the
    // panel's cancel button. A mouse press hides the mark until the next
    // key; a click moves the focus to the clicked button.
    std::optional<FaceCommand> key(FaceKey key);
    // Whether Next (or Previous) would go round from the last focusable
    // button to the first (or the first to the last): where the keyboard
    // may leave the face instead.
    bool keyGoesRound(FaceKey key) const;
    // The focus to the first (or last) focusable button, as when the
    // keyboard comes in from outside the face.
    void focusEnd(bool last);
    int focused() const { return focused_; }
    // Whether the player's window has the keyboard focus: the mark shows
    // only then.
    void setKeyboardFocus(bool has);
    bool focusMarkShown() const;

    int hovered() const { return hovered_; }
    int pressed() const { return pressed_; }
    bool isSelected(int button) const;

    // True once after anything visible changed.
    bool takeRedraw();

    std::vector<FaceOp> render() const;

private:
    std::uint8_t lookOf(int button) const;
    bool onShownPanel(const FaceItem& item) const;
    // The buttons a key can reach on the shown panel, in the face's order.
    std::vector<int> focusable() const;
    bool buttonOnShownPanel(int button) const;
    std::optional<FaceCommand> click(int button);
    void renderFocusMark(int bx, int by, int bw, int bh, std::vector<FaceOp>& out) const;
    void renderDrawing(const FaceDrawing& d, int fx, int fy, int fw, int fh,
                       const FaceButton* button, std::vector<FaceOp>& out) const;
    void goHome();

    Face face_;
    int panel_ = 0;
    int previousPanel_ = 0;
    int hovered_ = -1;
    int pressed_ = -1;
    bool pointerOverPressed_ = false;
    bool pointerInside_ = false;
    int lastX_ = 0, lastY_ = 0;
    int focused_ = -1;
    bool keyboardFocus_ = false;
    bool keyboardUsed_ = false;  // since the last mouse press
    std::map<std::string, int> selected_;  // group -> button
    std::map<std::string, std::string> variables_;
    bool redraw_ = true;
};

}  // namespace quellar::shell
