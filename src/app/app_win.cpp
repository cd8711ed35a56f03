#include "app/app_win.h"

#include <commctrl.h>

#include "core/effects.h"
#include "core/timers.h"
#include "app/mainwindow_win.h"
#include "app/startupclock_win.h"
#include "monitor/memory_win.h"
#include "win/effects_win.h"
#include "win/timers_win.h"

namespace quellar::shell {

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

}  // namespace

int runQuellar(HINSTANCE, int) {
    startupMark("process");
    win::installWin32Effects();
    if (previousInstanceRunning()) {
        // Nothing else is touched: no mutex, no face, no tray icon, no setting.
        effects().messageBox(0, kAlreadyRunning, kMainCaption, MB_OK);
        return 0;
    }
    InitCommonControls();
    memory::installWin32MonitorHooks();
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
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}

}  // namespace quellar::shell
