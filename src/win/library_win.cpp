#include "win/library_win.h"

namespace quellar::win {

HMODULE keptLibrary(const char* name) {
    // Loaded once: each LoadLibrary would add a reference that nothing
    // takes back, and the module stays until the process ends anyway.
    if (HMODULE loaded = GetModuleHandleA(name)) return loaded;
    return LoadLibraryA(name);
}

HMODULE commonControls() {
    static const HMODULE module = [] {
        HMODULE found = keptLibrary("comctl32.dll");
        if (auto initialise = functionOf<void(WINAPI*)()>(found, "InitCommonControls")) initialise();
        return found;
    }();
    return module;
}

bool trackMouseLeave(HWND window) {
    using TrackFn = BOOL(WINAPI*)(LPTRACKMOUSEEVENT);
    // The system's own from Windows 98 and NT 4 on; the common controls'
    // only on 95. Asking the common controls first would load them with
    // the first move of the mouse over the window, and with them some
    // megabytes of working set under Wine.
    static const TrackFn track = [] {
        auto own = systemFunction<TrackFn>("user32.dll", "TrackMouseEvent");
        return own ? own : functionOf<TrackFn>(commonControls(), "_TrackMouseEvent");
    }();
    if (!track) return false;
    TRACKMOUSEEVENT request{};
    request.cbSize = sizeof request;
    request.dwFlags = TME_LEAVE;
    request.hwndTrack = window;
    return track(&request) != FALSE;
}

}  // namespace quellar::win
