#pragma once
// The balloon message window's geometry and rules, free of any window
// handle: what a caller asks for, where the balloon goes for a target point,
// the outlines of its body, pointer and shadow, how the shadow darkens the
// screen under it, what the flags ask for, where the controls of each panel
// sit, which button a key presses, and what the boxes return. The Win32
// window (balloon_win.h) only carries out what is decided here.
#include <cstdint>
#include <string>
#include <vector>

namespace quellar::ui {

// ---- What a caller asks for --------------------------------------------------

// What the notice, the question and the prompt share.
struct BalloonArgs {
    std::string text;   // the message, wrapped to the balloon's width
    std::string title;  // in bold beside the icon
    // & 7 the buttons, & 0x70 the icon, & 0x300 the default button.
    long flags = 0;
    bool noPointer = false;
    std::uint32_t color = 0;  // 0x00BBGGRR; 0 for the default balloon colour
    // The point the pointer aims at; 0 in either means the mouse position.
    float x = 0;
    float y = 0;
    short shadowIntensity = 0;  // added to each ring's factor: lightens the shadow
};

// A topmost notice that closes itself after `seconds` (none: 0 or less) or
// by its close image.
struct NoticeArgs : BalloonArgs {
    short seconds = 0;
};

// A modal question with up to three buttons and a check box (shown when
// checkText is not empty). The captions are read for flags & 7 == 6 only.
struct QuestionArgs : BalloonArgs {
    std::string checkText;
    std::string button1, button2, button3;
};

// A modal text prompt with OK, Cancel and a check box (shown when checkText
// is not empty).
struct PromptArgs : BalloonArgs {
    std::string defaultText;
    std::string checkText;
};

struct Point {
    int x = 0;
    int y = 0;
};

// Left/top inclusive, right/bottom exclusive, as GDI takes them.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
};

inline bool operator==(const Point& a, const Point& b) { return a.x == b.x && a.y == b.y; }
inline bool operator==(const Rect& a, const Rect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

struct RoundRect {
    Rect rect;
    int cornerWidth = 0;
    int cornerHeight = 0;
};

struct Triangle {
    Point corners[3];
};

// ---- Placement -------------------------------------------------------------

// Which corner of the body the pointer leaves from.
enum class PointerStyle : int {
    BottomRight = 1,
    TopRight = 2,
    BottomLeft = 3,
    TopLeft = 4,
};

struct Placement {
    PointerStyle style = PointerStyle::TopLeft;
    int left = 0;  // window position on the screen
    int top = 0;
};

// How far the pointer's tip sits from the window's nearer side edge.
constexpr int kPointerReach = 42;

// Places a window of `width` x `height` pixels so that its pointer aims at
// (px, py) on a screen of screenWidth x screenHeight. A point on a halving
// line (the exact centre included) belongs to the left or upper half.
Placement placeBalloon(int px, int py, int screenWidth, int screenHeight, int width, int height);

// The target point: both coordinates from the caller unless either is 0,
// then the mouse position. Fractions round to the nearest pixel.
Point resolveTarget(float x, float y, Point mouse);

// ---- Shape -----------------------------------------------------------------

// The body's window region (painted in kBodyRimColor) and the slightly
// smaller outline drawn over it with the balloon colour.
RoundRect bodyRegion(int width, int height);
RoundRect bodyFace(int width, int height);
// The pointer triangle for a style: the outer one is the region and is
// painted black; the inner one is painted in the balloon colour.
Triangle pointerOuter(PointerStyle style, int width, int height);
Triangle pointerInner(PointerStyle style, int width, int height);
RoundRect shadowRegion(int width, int height);

constexpr std::uint32_t kBodyRimColor = 0x464646;  // red, green and blue 70

// ---- Shadow ----------------------------------------------------------------

// One of the eighteen rings of the shadow: a row and a column of pixels that
// are darkened by the same factor. Coordinates are inclusive on both ends.
struct ShadowRing {
    int n = 0;
    int factor = 0;  // a(n), out of 256
    int rowY = 0, rowX0 = 0, rowX1 = 0;
    int columnX = 0, columnY0 = 0, columnY1 = 0;
};

constexpr int kShadowRings = 18;

// a(n): 20 for the two innermost rings (n = 17, 16) rising by 20 every two
// rings to 180 for the outermost (n = 1, 0); 0 outside 0..17.
int ringFactor(int n);

// The rings in the order they are applied, n = 17 down to 0.
std::vector<ShadowRing> shadowRings(int width, int height);

// One channel of a shadow pixel: c * (a + intensity) / 256, rounded down.
// The sum is held to 0..255 so a large intensity lightens the shadow to
// almost nothing instead of wrapping around to dark (or past white).
std::uint8_t darkenChannel(std::uint8_t channel, int factor, int intensity);

// The same for the three channels of a 0x??RRGGBB pixel; the top byte is
// cleared.
std::uint32_t darkenPixel(std::uint32_t pixel, int factor, int intensity);

// Darkens, in place, a top-down width x height copy of the screen under the
// window by the ring rule. Ring pixels outside the picture are skipped.
void applyShadow(std::vector<std::uint32_t>& pixels, int width, int height, int intensity);

// ---- Flags -----------------------------------------------------------------

struct ButtonEntry {
    std::string caption;
    short code = 0;
};

// The buttons that flags & 7 asks for, in order. With 6 the captions come
// from the caller and a button's code is its position (1, 2, 3) whether or
// not an earlier one was left out. A box that would end up with no button at
// all gets a single "OK" (1), so it can always be answered.
std::vector<ButtonEntry> decodeButtons(long flags, const std::string& btn1, const std::string& btn2,
                                      const std::string& btn3);

// The cell of the icon strip that flags & 0x70 asks for, 0 for no icon.
int decodeIconCell(long flags);

// The button (1 to 3, counted among the shown ones) that flags & 0x300
// focuses; one beyond the shown buttons falls back to the first.
int decodeDefaultButton(long flags, int buttonCount);

// Cells of the icon strip.
constexpr int kIconCellSize = 16;
constexpr int kIconCellCount = 12;
constexpr int kCloseCellNormal = 9;
constexpr int kCloseCellHover = 10;
constexpr int kCloseCellPressed = 11;

// ---- Colours, time, results ------------------------------------------------

constexpr std::uint32_t kDefaultBalloonColor = 0xCCFFFF;  // red 255, green 255, blue 204 (0x00BBGGRR)

// A colour of 0 means the default balloon colour (black would hide the text).
std::uint32_t balloonColor(std::uint32_t requested);

// The notice's countdown in milliseconds. Computed in 32 bits, so the whole
// 16-bit range of seconds is honoured (the 16-bit product would overflow
// past 32 s); 0 or less means no countdown: the notice stays until its close
// image is clicked.
unsigned noticeDelayMs(short seconds);

// What a question returns: the button's code, plus 100 when the check box
// was shown and ticked.
short questionResult(short buttonCode, bool checkShown, bool checked);

// The mark a prompt appends when its check box was shown and ticked: "¬"
// as the single ANSI byte 0xAC.
extern const char* const kCheckedMark;

// What a prompt returns: empty for Cancel, else the text, followed by
// kCheckedMark when the check box was shown and ticked.
std::string promptResult(const std::string& text, bool cancelled, bool checkShown, bool checked);

// The button Escape presses on a question (an index into `buttons`): the
// one that answers Cancel, else the only one; -1 for none.
int escapeButton(const std::vector<ButtonEntry>& buttons);

// ---- Units -----------------------------------------------------------------

// Twips per pixel for a screen resolution in dots per inch (15 at 96 dpi).
int twipsPerPixel(int dotsPerInch);
// Twips to whole pixels, rounded to the nearest.
int twipsToPixels(int twips, int twipsPerPixel);

// ---- Content layout --------------------------------------------------------

enum class Panel : int {
    Question = 0,
    Prompt = 1,
    Notice = 2,
};

struct Metrics {
    int twipsPerPixelX = 15;
    int twipsPerPixelY = 15;
};

// What the window measured with its fonts, in pixels.
struct TextSizes {
    int titleHeight = 16;
    int messageHeight = 16;  // of the message wrapped at messageWidth()
    int lineHeight = 16;     // one line of the message font
};

// Where everything goes. The panel is in window pixels; the controls are in
// panel pixels. Rectangles of controls a panel does not have stay empty.
struct PanelLayout {
    int windowWidth = 0;
    int windowHeight = 0;
    Rect panel;
    Rect icon;
    Rect title;
    Rect message;
    Rect close;
    Rect check;
    Rect text;
    Rect cancel;  // the prompt's
    Rect ok;      // the prompt's
    std::vector<Rect> buttons;  // the question's
};

struct LayoutRequest {
    Panel panel = Panel::Question;
    bool hasIcon = false;
    bool hasCheck = false;
    int buttonCount = 1;  // the question's only
    TextSizes sizes;
};

// The window's width, fixed by design (in twips, like the panels' contents).
int windowWidth(const Metrics& metrics);
// The width the message is wrapped at.
int messageWidth(const Metrics& metrics);
PanelLayout layoutPanel(const Metrics& metrics, const LayoutRequest& request);

// The horizontal positions (left edges, panel pixels) of `count` buttons of
// `buttonWidth` on a panel `panelWidth` wide.
std::vector<int> buttonLefts(int count, int panelWidth, int buttonWidth, int twipsPerPixelX);

}  // namespace quellar::ui
