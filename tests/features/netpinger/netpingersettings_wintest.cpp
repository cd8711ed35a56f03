// The Net Pinger window in a started main window: its timer on the manual
// clock, real echoes to loopback on worker threads, its real controls.
#include <doctest/doctest.h>

#include <string>
#include <utility>
#include <vector>

#include "app/mainwindow_win.h"
#include "core/effects.h"
#include "core/timers.h"
#include "features/netpinger/netpingersettings_win.h"
#include "net/echo_win.h"
#include "support/pump_win.h"
#include "support/recordedeffects.h"
#include "support/regsandbox_win.h"
#include "support/screenshot_win.h"
#include "win/registrystore_win.h"

using namespace quellar;
using namespace quellar::net;
using namespace quellar::testing;

namespace {

constexpr std::uint32_t kLoopback = 0x0100007F;   // 127.0.0.1
constexpr std::uint32_t kLoopback2 = 0x0200007F;  // 127.0.0.2

using Stored = std::vector<std::pair<std::string, std::string>>;

// Manual mode, pinging 127.0.0.1 every `index` + 1 ticks, with sound.
Stored manualLoopback(const std::string& index) {
    return {{"chkDoPinging", "1"}, {"optAuto", "False"}, {"optManual", "True"},
            {"txtPingHost", "127.0.0.1"}, {"cmbPingInterval", index}, {"chkSound", "1"}};
}

struct Started : RecordedEffects {
    ManualTimersScope clock;
    RegistrySandbox sandbox;
    NetSystemOverride netScope;
    std::vector<std::uint32_t> echoes;  // written by the workers, read once they are done
    shell::MainWindow main;
    NetPingerSettingsWindow* window = nullptr;

    explicit Started(Stored stored = {}) {
        const auto realEcho = netSystem().echo;
        netSystem().echo = [this, realEcho](std::uint32_t address, unsigned timeoutMs) {
            echoes.push_back(address);
            return realEcho(address, timeoutMs);
        };
        settings::RegistryStore store;
        for (const auto& value : stored) store.save(kNetPingerArea, value.first, value.second);
        main.tray().notify = [](DWORD, NOTIFYICONDATAA*) { return TRUE; };
        REQUIRE(main.start());
        // The feature windows load with the first message after the show.
        quellar::testing::pumpMessages();
        window = static_cast<NetPingerSettingsWindow*>(&main.feature(shell::kNetPingerSettings));
    }
    ~Started() { settle(); }

    HWND handle(const char* name) { return window->binder().handleOf(window->form()[name]); }
    void click(const char* name) { SendMessageA(handle(name), BM_CLICK, 0, 0); }
    // Waits until no echo is out (each comes back as a message).
    bool settle() {
        return pumpUntil([this] { return !window->isLoaded() || !window->settings().pinger().pingRunning(); },
                         5000);
    }
    void ticks(int count) {
        clock.advance(static_cast<std::uint64_t>(count) * kPingerTimerMs);
        REQUIRE(settle());
    }
};

}  // namespace

TEST_CASE("loaded hidden at start-up, the pinger echoes the saved host at its ticks; Ping Now the saved one too") {
    Started s(manualLoopback("1"));
    REQUIRE(s.window->isLoaded());
    CHECK_FALSE(IsWindowVisible(s.window->hwnd()));
    CHECK_FALSE(IsWindowEnabled(s.handle("cmdSave")));

    s.ticks(1);
    CHECK(s.echoes.empty());
    s.ticks(1);
    CHECK(s.echoes == std::vector<std::uint32_t>{kLoopback});
    CHECK(s.sounds == std::vector<std::string>{"C:\\Quellar\\Ping.wav"});

    // An edit in the real box enables Save; Ping Now still pings the saved
    // host, and sounds after its reply.
    SetWindowTextA(s.handle("txtPingHost"), "127.0.0.2");
    CHECK(IsWindowEnabled(s.handle("cmdSave")));
    s.click("cmdPingNow");
    REQUIRE(s.settle());
    CHECK(s.echoes.back() == kLoopback);
    CHECK(s.sounds.size() == 2);

    s.click("cmdSave");
    CHECK_FALSE(IsWindowEnabled(s.handle("cmdSave")));
    s.ticks(2);
    CHECK(s.echoes.back() == kLoopback2);
    CHECK(s.sounds.size() == 3);
    CHECK(s.boxes.empty());
}

TEST_CASE("while an echo waits for its reply the window answers, and starts no second one") {
    Started s(manualLoopback("0"));
    HANDLE reply = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    LONG echoes = 0;
    netSystem().echo = [&](std::uint32_t, unsigned) {
        InterlockedIncrement(&echoes);
        WaitForSingleObject(reply, 3000);
        return EchoReply{1, 0};
    };
    s.click("cmdPingNow");
    CHECK(s.window->settings().pinger().pingRunning());  // the click came back before the reply
    s.clock.advance(kPingerTimerMs);                     // a tick meanwhile
    s.click("cmdPingNow");
    s.click("chkSound");                                 // and the window takes edits
    CHECK(IsWindowEnabled(s.handle("cmdSave")));
    SetEvent(reply);
    REQUIRE(s.settle());
    CHECK(echoes == 1);
    CHECK(s.sounds.empty());  // sound switched off before the reply came
    CloseHandle(reply);
}

TEST_CASE("a failing Windows Sockets start-up shows its box once while it stays open") {
    Started s(manualLoopback("0"));
    netSystem().startup = [] { return WinsockStart{10091, 0, 0}; };  // WSASYSNOTREADY
    int nested = 0;
    effects().messageBox = [&](std::uintptr_t, const std::string& text, const std::string&, unsigned) {
        s.boxes.push_back(text);
        // While the box is open the timer goes on: two more failing pings.
        if (nested++ == 0) {
            s.ticks(1);
            s.ticks(1);
        }
        return IDOK;
    };
    s.ticks(1);
    CHECK(nested == 1);
    CHECK(s.boxes == std::vector<std::string>{
                         "Windows Sockets for 32 bit Windows environments is not successfully responding."});
    CHECK(s.sounds.size() == 3);  // each ping, false, still sounds
    CHECK(s.echoes.empty());

    s.ticks(1);  // the box has closed: the next failure shows again
    CHECK(s.boxes.size() == 2);
}

TEST_CASE("screenshot: the Net Pinger window in manual mode") {
    const std::string folder = screenshotFolder();
    if (folder.empty()) return;
    Started s;
    s.main.onFSCommand("IDC_FS_pingSetting", "");
    s.click("chkDoPinging");
    s.click("optManual");
    pumpFor(500);
    saveScreenshot(s.main.hwnd(), folder + "\\net-pinger.bmp");
}
