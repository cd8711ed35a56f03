#include "win/programpath_win.h"

#include <windows.h>

#include <vector>

#include "win/library_win.h"

namespace quellar::win {

namespace {

// Long paths are not what the program's folder is made of; MAX_PATH and a
// little room serve every call here.
constexpr DWORD kPathBuffer = MAX_PATH * 2;

// Wide text is held in vectors, not std::wstring: the wide string class is
// a library of its own in the runtime, and these few calls are all the
// program does with wide text.
using WideText = std::vector<wchar_t>;

std::string ansiOf(const WideText& wide) {
    if (wide.empty()) return std::string();
    const int length = static_cast<int>(wide.size());
    const int bytes = WideCharToMultiByte(CP_ACP, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return std::string();
    std::string text(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), length, &text[0], bytes, nullptr, nullptr);
    return text;
}

WideText wideOf(const std::string& text) {
    if (text.empty()) return WideText();
    const int length = static_cast<int>(text.size());
    const int chars = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
    if (chars <= 0) return WideText();
    WideText wide(static_cast<std::size_t>(chars), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), length, wide.data(), chars);
    return wide;
}

// GetShortPathNameW exists only on the NT family; loaded at run time so the
// program still starts on Windows 95.
using ShortPathFunction = DWORD(WINAPI*)(LPCWSTR, LPWSTR, DWORD);

WideText shortPathOf(const WideText& path) {
    auto shortPath = systemFunction<ShortPathFunction>("kernel32.dll", "GetShortPathNameW");
    if (!shortPath) return WideText();
    WideText terminated(path);
    terminated.push_back(L'\0');
    WideText buffer(kPathBuffer, L'\0');
    const DWORD length = shortPath(terminated.data(), buffer.data(), kPathBuffer);
    if (length == 0 || length >= kPathBuffer) return WideText();
    buffer.resize(length);
    return buffer;
}

std::string ansiPathOf(const WideText& path) {
    // Best-fit mapping can turn a character into a look-alike without saying
    // so; only a round trip back to the same text proves the name survives.
    const std::string ansi = ansiOf(path);
    if (!ansi.empty() && wideOf(ansi) == path) return ansi;
    const WideText shortForm = shortPathOf(path);
    const std::string shortAnsi = ansiOf(shortForm);
    if (!shortAnsi.empty() && wideOf(shortAnsi) == shortForm) return shortAnsi;
    return std::string();
}

}  // namespace

std::string ansiPathOf(const wchar_t* path) {
    const wchar_t* end = path;
    while (*end) ++end;
    return ansiPathOf(WideText(path, end));
}

std::string programFilePath() {
    std::vector<char> ansi(kPathBuffer, '\0');
    const DWORD ansiLength = GetModuleFileNameA(nullptr, ansi.data(), kPathBuffer);
    const std::string fallback(ansi.data(), ansiLength < kPathBuffer ? ansiLength : 0);
    WideText wide(kPathBuffer, L'\0');
    const DWORD wideLength = GetModuleFileNameW(nullptr, wide.data(), kPathBuffer);
    if (wideLength == 0 || wideLength >= kPathBuffer) return fallback;  // no wide calls here (9x)
    wide.resize(wideLength);
    const std::string usable = ansiPathOf(wide);
    return usable.empty() ? fallback : usable;
}

}  // namespace quellar::win
