#pragma once
// The live face: which panel shows, what the mouse and the keyboard are on,
// the variables the program set; and the face drawn as plain operations for
// the Win32 player to paint.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/face/face.h"

namespace quellar::ui {

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

}  // namespace quellar::ui
