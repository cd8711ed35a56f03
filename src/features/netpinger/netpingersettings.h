#pragma once
// The Net Pinger window's behaviour: its controls bound to the pinger's
// fields, the Save button that follows the unsaved changes, the 65,535 ms
// timer from load to unload, Ping Now, and what happens when a ping ends
// (its Windows Sockets messages, then the sound). Where and how the echo
// runs is the window's business: it is handed a request and reports back
// through `pingFinished`.
#include <cstdint>
#include <functional>
#include <vector>

#include "core/form.h"
#include "core/store.h"
#include "core/timers.h"
#include "net/echo.h"
#include "net/pinger.h"

namespace quellar::features {

// The window's client area as designed, and its declaration table.
inline constexpr PixelRect kNetPingerClient{0, 0, 443, 248};
const std::vector<ControlDecl>& netPingerControls();

class NetPingerSettings {
public:
    // Starts the echo of `request`; the caller reports its end, on the
    // user-interface thread, with pingFinished.
    using StartPing = std::function<void(const net::PingRequest& request)>;

    // `owner` owns the Windows Sockets message boxes.
    NetPingerSettings(Form& form, SettingsStore& store, StartPing startPing, std::uintptr_t owner = 0);

    // The window's load: the interval list, the stored settings, and the
    // timer, which then runs until unload (the object's end).
    void load();

    // A ping has ended: its messages, then the sound when the rules say so.
    void pingFinished(const net::PingRequest& request, const net::EchoOutcome& outcome);

    const net::Pinger& pinger() const { return pinger_; }

private:
    void show();
    void onTick();
    void save();
    bool checkHost();

    Form& form_;
    net::Pinger pinger_;
    StartPing startPing_;
    std::uintptr_t owner_;
    Timer timer_;
};

}  // namespace quellar::features
