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
    static const TrackFn track = functionOf<TrackFn>(commonControls(), "_TrackMouseEvent");
    if (!track) return false;
    TRACKMOUSEEVENT request{};
    request.cbSize = sizeof request;
    request.dwFlags = TME_LEAVE;
    request.hwndTrack = window;
    return track(&request) != FALSE;
}

}  // namespace quellar::win
