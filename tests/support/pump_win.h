#pragma once
// Small helpers for Windows tests: run the message loop for a while, or
// until something holds, without ever blocking for good.
#include <windows.h>

#include <functional>

namespace quellar::testing {

inline void pumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// Pumps messages until `done` holds or `timeoutMs` has passed; returns
// whether it held.
inline bool pumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        pumpMessages();
        if (done()) return true;
        if (GetTickCount() - start > timeoutMs) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

inline void pumpFor(DWORD ms) {
    pumpUntil([] { return false; }, ms);
}

// Pumps until nothing waits in this thread's queue: what the last action
// posted, and the paints it caused, have been handled. Asking the queue
// also takes in what the display has sent meanwhile.
inline bool settle(DWORD timeoutMs = 2000) {
    return pumpUntil([] { return HIWORD(GetQueueStatus(QS_ALLINPUT)) == 0; }, timeoutMs);
}

}  // namespace quellar::testing
