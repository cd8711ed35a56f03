#pragma once
// The real timers of the running program: SetTimer on one hidden window of
// the user-interface thread, so every tick runs on that thread between
// other messages, whether or not any feature window is shown.
#include <windows.h>

#include <map>
#include <memory>

#include "core/timers.h"

namespace quellar::win {

class SystemTimers : public TimerService {
public:
    SystemTimers();
    ~SystemTimers() override;
    Id start(std::uint32_t intervalMs, std::function<void()> tick) override;
    void stop(Id id) override;

private:
    static LRESULT CALLBACK proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    // The hidden window, made on first use; null when the system refused.
    HWND window();
    HWND window_ = nullptr;
    std::map<Id, std::shared_ptr<std::function<void()>>> ticks_;
    Id next_ = 1;
};

}  // namespace quellar::win
