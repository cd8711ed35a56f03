#pragma once
// Saves what the screen shows of a window as a 24-bit BMP file, so the
// screenshots in docs/ are made by the same code that the tests drive.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/pump_win.h"

namespace quellar::testing {

// The folder screenshots go to, or empty when they are not wanted (the
// normal test run). scripts/screenshots sets it.
inline std::string screenshotFolder() {
    const char* dir = std::getenv("QUELLAR_SHOTS_DIR");
    return dir ? dir : "";
}

inline bool saveScreenRect(const RECT& r, const std::string& path);

inline bool saveScreenshot(HWND hwnd, const std::string& path) {
    RECT r;
    if (!GetWindowRect(hwnd, &r)) return false;
    return saveScreenRect(r, path);
}

// What the screen shows inside `r` (screen coordinates), as the rows of a
// bottom-up 24-bit bitmap.
inline std::vector<unsigned char> screenPixels(const RECT& r, BITMAPINFOHEADER& info) {
    int width = r.right - r.left, height = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    SelectObject(memory, old);

    info = BITMAPINFOHEADER{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    int stride = ((width * 3) + 3) & ~3;
    std::vector<unsigned char> pixels(static_cast<size_t>(stride) * static_cast<size_t>(height));
    GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), pixels.data(),
              reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

// Pumps until what the screen shows inside `r` stays the same from one look
// to the next: the windows there have painted, and the display shows it.
// Under Wine the picture reaches the X server after the paint, so a look
// straight after pumping may still find the old one.
inline bool waitForStillScreen(const RECT& r, DWORD timeoutMs = 3000) {
    constexpr DWORD kBetweenLooks = 25;  // longer than a paint and its copy to the display take
    BITMAPINFOHEADER info;
    std::vector<unsigned char> last = screenPixels(r, info);
    DWORD lastAt = GetTickCount();
    return pumpUntil(
        [&] {
            if (GetTickCount() - lastAt < kBetweenLooks) return false;
            std::vector<unsigned char> now = screenPixels(r, info);
            if (now == last && HIWORD(GetQueueStatus(QS_ALLINPUT)) == 0) return true;
            last.swap(now);
            lastAt = GetTickCount();
            return false;
        },
        timeoutMs);
}

inline bool waitForStillScreen(HWND hwnd, DWORD timeoutMs = 3000) {
    RECT r;
    return GetWindowRect(hwnd, &r) && waitForStillScreen(r, timeoutMs);
}

inline bool saveScreenRect(const RECT& r, const std::string& path) {
    BITMAPINFOHEADER info;
    const std::vector<unsigned char> pixels = screenPixels(r, info);

    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = static_cast<DWORD>(file.bfOffBits + pixels.size());
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return false;
    std::fwrite(&file, sizeof file, 1, out);
    std::fwrite(&info, sizeof info, 1, out);
    std::fwrite(pixels.data(), 1, pixels.size(), out);
    std::fclose(out);
    return true;
}

}  // namespace quellar::testing
