#pragma once
#include <windows.h>

#include <string>

namespace quellar::win {
// The first top-level window whose title contains `text` (case-sensitive),
// walking the desktop's children from the first; nullptr when none does.
HWND findWindowByTitle(const std::string& text);
}  // namespace quellar::win
