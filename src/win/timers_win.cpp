#include "win/timers_win.h"

#include "win/window_win.h"

namespace quellar::win {

namespace {
const char* const kTimerWindowClass = "QuellarTimers";
}

SystemTimers::SystemTimers() = default;

HWND SystemTimers::window() {
    // Made with the first timer: the program's first window to be made is
    // the one the user waits for, not this one (each window made before
    // the show is time under Wine).
    if (window_) return window_;
    registerClassOnce(kTimerWindowClass, proc);
    // A plain hidden pop-up: message-only windows do not exist before
    // Windows 2000.
    window_ = CreateWindowExA(0, kTimerWindowClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                              moduleInstance(), nullptr);
    if (window_) SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    return window_;
}

SystemTimers::~SystemTimers() {
    if (!window_) return;
    for (const auto& entry : ticks_) KillTimer(window_, entry.first);
    SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
}

TimerService::Id SystemTimers::start(std::uint32_t intervalMs, std::function<void()> tick) {
    const Id id = next_++;
    ticks_[id] = std::make_shared<std::function<void()>>(std::move(tick));
    if (!window() || !SetTimer(window_, id, intervalMs ? intervalMs : 1, nullptr)) ticks_.erase(id);
    return id;
}

void SystemTimers::stop(Id id) {
    if (ticks_.erase(id) && window_) KillTimer(window_, id);
}

LRESULT CALLBACK SystemTimers::proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_TIMER) {
        auto* self = reinterpret_cast<SystemTimers*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (self) {
            auto it = self->ticks_.find(static_cast<Id>(wParam));
            if (it != self->ticks_.end()) {
                const auto tick = it->second;  // the tick may stop its own timer
                try {
                    if (*tick) (*tick)();
                } catch (...) {
                    // No exception crosses a window procedure; the next tick
                    // comes all the same.
                }
            }
        }
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace quellar::win
