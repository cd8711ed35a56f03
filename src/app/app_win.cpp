#include "app/app_win.h"

#include <commctrl.h>

#include "core/effects.h"
#include "core/timers.h"
#include "app/mainwindow_win.h"
#include "app/startupclock_win.h"
#include "monitor/memory_win.h"
#include "win/dialogkeys_win.h"
#include "win/effects_win.h"
#include "win/library_win.h"
#include "win/timers_win.h"

namespace quellar::app {

namespace {

const char* const kInstanceMutex = "Quellar.PreviousInstance";
const char* const kAlreadyRunning = "The program already opening";

// True when another copy of this program already runs in this session. The
// mutex that answers it is held until the process ends, so the copy that
// asks first is the one that stays.
bool previousInstanceRunning() {
    HANDLE mutex = CreateMutexA(nullptr, FALSE, kInstanceMutex);
    return mutex && GetLastError() == ERROR_ALREADY_EXISTS;
}

// Has the copy that runs show its main window (hidden in the tray or
// minimised as it may be). The running copy is in the background, so this
// copy, which the user just started, lets it come to the front; the call is
// looked up because Windows 95 and NT 4 have none (nor that rule).
void showRunningCopy() {
    using AllowForeground = BOOL(WINAPI*)(DWORD);
    auto allow = win::systemFunction<AllowForeground>("user32.dll", "AllowSetForegroundWindow");
    for (HWND main = FindWindowExA(nullptr, nullptr, kMainWindowClass, kMainCaption); main;
         main = FindWindowExA(nullptr, main, kMainWindowClass, kMainCaption)) {
        DWORD process = 0;
        GetWindowThreadProcessId(main, &process);
        if (process == GetCurrentProcessId()) continue;
        if (allow) allow(process);
        PostMessageA(main, showMainWindowMessage(), 0, 0);
    }
}

}  // namespace

int runQuellar(HINSTANCE, int) {
    startupBegin();
    win::installWin32Effects();
    if (previousInstanceRunning()) {
        // Nothing else is touched: no mutex, no face, no tray icon, no setting.
        effects().messageBox(0, kAlreadyRunning, kMainCaption, MB_OK);
        showRunningCopy();
        return 0;
    }
    monitor::installWin32MonitorHooks();
    // Real timers for the background jobs (the pinger, the memory alarm, the
    // graphs); they outlive the main window, which stops its own first.
    win::SystemTimers systemTimers;
    setTimerService(&systemTimers);
    struct Restore {
        ~Restore() { setTimerService(nullptr); }
    } restore;
    startupMark("single instance, timers");
    MainWindow main;
    if (!main.start()) return 1;
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        // Tab, Enter, Escape and the mnemonics in the feature windows.
        if (win::handleDialogKeys(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}

}  // namespace quellar::app
