#include "win/dpi_win.h"

#include <algorithm>
#include <map>

namespace quellar::win {

namespace {

constexpr int kPointsPerInch = 72;
constexpr int kDialogFontPoints = 8;

int g_dpi = 0;  // 0: not read yet
bool g_chosenByTest = false;

int readScreenDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : kDesignDpi;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : kDesignDpi;
}

}  // namespace

int screenDpi() {
    if (g_dpi == 0) g_dpi = std::max(kDesignDpi, readScreenDpi());
    return g_dpi;
}

void useDpi(int dpi) {
    g_dpi = std::max(kDesignDpi, dpi);
}

bool dpiChosenByTest() {
    return g_chosenByTest;
}

int scaled(int designPixels) {
    return MulDiv(designPixels, screenDpi(), kDesignDpi);
}

int unscaled(int pixels) {
    return MulDiv(pixels, kDesignDpi, screenDpi());
}

RECT scaledRect(int x, int y, int width, int height) {
    return RECT{scaled(x), scaled(y), scaled(x + width), scaled(y + height)};
}

int fontHeight(int points) {
    return -MulDiv(points, screenDpi(), kPointsPerInch);
}

HFONT dialogFont() {
    static std::map<int, HFONT> fonts;
    const int dpi = screenDpi();
    auto it = fonts.find(dpi);
    if (it != fonts.end()) return it->second;
    LOGFONTA lf{};
    GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
    lf.lfHeight = fontHeight(kDialogFontPoints);
    lf.lfWidth = 0;
    HFONT made = CreateFontIndirectA(&lf);
    if (!made) return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    fonts[dpi] = made;
    return made;
}

int fittingDpi(int dpi, int width, int height, int workWidth, int workHeight) {
    if (width <= 0 || height <= 0 || workWidth <= 0 || workHeight <= 0) return std::max(kDesignDpi, dpi);
    // MulDiv rounds, so step down until the rounded size fits.
    int fitted = std::min({dpi, MulDiv(workWidth, kDesignDpi, width), MulDiv(workHeight, kDesignDpi, height)});
    while (fitted > kDesignDpi &&
           (MulDiv(width, fitted, kDesignDpi) > workWidth || MulDiv(height, fitted, kDesignDpi) > workHeight))
        --fitted;
    return std::max(kDesignDpi, fitted);
}

DpiOverride::DpiOverride(int dpi) : saved_(g_dpi), savedChosen_(g_chosenByTest) {
    useDpi(dpi);
    g_chosenByTest = true;
}

DpiOverride::~DpiOverride() {
    g_dpi = saved_;
    g_chosenByTest = savedChosen_;
}

}  // namespace quellar::win
