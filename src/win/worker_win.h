#pragma once
// Work that must not hold up the user-interface thread runs on a thread of
// its own. Work whose end the window may not live to see (an echo that
// waits up to its timeout, an MTU search of a dozen echoes) reports back by
// a message to the window that asked (runOnWorker), so the result is
// handled on the window's thread. `work` must not touch the window object:
// it shares only what it captures (a shared_ptr held by the window as well
// lets either side go first). The exe's thread model has no
// std::thread; CreateThread is on every Windows this program runs on.
#include <windows.h>

#include <functional>

namespace quellar::win {

// Starts `work` on a new thread; when it is done, posts `message` with
// `wParam` to `window` (a window gone by then simply gets nothing). False,
// with nothing started, when no thread can be had.
bool runOnWorker(std::function<void()> work, HWND window, UINT message, WPARAM wParam);

}  // namespace quellar::win
