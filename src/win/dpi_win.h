#pragma once
// The display's dots per inch, and the one rule that turns the program's
// designed pixels into the display's. Every rectangle, offset and size of
// the program is designed at 96 dpi ("Small Fonts"); at 120 dpi ("Large
// Fonts") and above it is scaled by dpi / 96 with MulDiv, as dialog units
// grow with the system font. Fonts are given in points. At 96 dpi nothing
// moves.
//
// The dpi is read once from the screen (LOGPIXELSY; under Wine it follows
// HKCU\Control Panel\Desktop\LogPixels). Tests choose it with DpiOverride,
// so one test program lays windows out at 96, 120 and 144 dpi in turn.
#include <windows.h>

namespace quellar::win {

inline constexpr int kDesignDpi = 96;

// The dpi everything is laid out in: the screen's, a test's, or the one the
// main window fitted its work area with (useDpi).
int screenDpi();
// Sets the layout dpi for the rest of the process (never below 96).
void useDpi(int dpi);
// Whether a test chose the dpi.
bool dpiChosenByTest();

// Designed pixels to the display's, and back (a mouse position to the
// design's).
int scaled(int designPixels);
int unscaled(int pixels);
// A designed rectangle whose edges are scaled, so neighbours keep touching.
RECT scaledRect(int x, int y, int width, int height);
// lfHeight for a font of `points` at the layout dpi.
int fontHeight(int points);

// The controls' own font at the layout dpi: the system's dialog font at
// 8 points. Kept for the life of the process, one per dpi.
HFONT dialogFont();

// The largest dpi, at most `dpi` and at least 96, at which a window
// designed as width x height fits a work area of workWidth x workHeight.
int fittingDpi(int dpi, int width, int height, int workWidth, int workHeight);

class DpiOverride {
public:
    explicit DpiOverride(int dpi);
    ~DpiOverride();
    DpiOverride(const DpiOverride&) = delete;
    DpiOverride& operator=(const DpiOverride&) = delete;

private:
    int saved_;
    bool savedChosen_;
};

}  // namespace quellar::win
