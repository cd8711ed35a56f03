#pragma once
// Functions looked up by name rather than imported: those some Windows lack
// (Windows 95 and NT 4 miss several), and those of libraries the program
// needs only now and then (sounds, name look-ups), which are loaded on
// first use so that they add nothing to the time the program takes to
// appear.
#include <windows.h>

namespace quellar::win {

// The library by file name, loaded on first call and kept for the life of
// the process; nullptr when the system has none.
HMODULE keptLibrary(const char* name);

// The common controls library, loaded and initialised with the first
// control that needs it (a list, a slider, a tooltip...). Its own classes
// are registered from then on; nullptr when the system has none.
HMODULE commonControls();

// Asks for WM_MOUSELEAVE once the mouse leaves the window (the system's
// call, or on Windows 95 the common controls' version). False when it
// cannot.
bool trackMouseLeave(HWND window);

// A function of a library, or nullptr when either is missing.
template <typename Fn>
Fn functionOf(HMODULE module, const char* name) {
    if (!module) return nullptr;
    // GetProcAddress hands back a generic function pointer; the cast
    // through void* keeps GCC's function-type warning out of it.
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// A function of a library the process has loaded already (kernel32, user32,
// ntdll), or nullptr.
template <typename Fn>
Fn systemFunction(const char* library, const char* name) {
    return functionOf<Fn>(GetModuleHandleA(library), name);
}

}  // namespace quellar::win
