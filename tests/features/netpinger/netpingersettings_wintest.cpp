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
#include "support/faceclick_win.h"
#include "support/keys_win.h"
#include "support/pump_win.h"
#include "support/recordedeffects.h"
#include "support/regsandbox_win.h"
#include "support/screenshot_win.h"
#include "support/silentloopback_win.h"
#include "win/window_win.h"
#include "support/tuningsandbox_win.h"
#include "win/registrystore_win.h"

using namespace quellar;
using namespace quellar::features;
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
    app::MainWindow main;
    NetPingerSettingsWindow* window = nullptr;

    explicit Started(Stored stored = {}) {
        const auto realEcho = netSystem().echo;
        netSystem().echo = [this, realEcho](std::uint32_t address, unsigned timeoutMs) {
            echoes.push_back(address);
            return realEcho(address, timeoutMs);
        };
        win::RegistryStore store;
        for (const auto& value : stored) store.save(kNetPingerArea, value.first, value.second);
        main.tray().notify = [](DWORD, NOTIFYICONDATAA*) { return TRUE; };
        REQUIRE(main.start());
        // The feature windows load with the first message after the show.
        quellar::testing::pumpMessages();
        window = static_cast<NetPingerSettingsWindow*>(&main.feature(app::kNetPingerSettings));
    }
    ~Started() { settle(); }

    HWND handle(const char* name) { return window->binder().handleOf(window->form()[name]); }
    std::string result() { return win::windowText(handle("lblPingResult")); }
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

TEST_CASE("loaded hidden at start-up, the pinger echoes the saved host at its ticks; Ping Now what the box holds") {
    Started s(manualLoopback("1"));
    REQUIRE(s.window->isLoaded());
    CHECK_FALSE(IsWindowVisible(s.window->hwnd()));
    CHECK_FALSE(IsWindowEnabled(s.handle("cmdSave")));

    s.ticks(1);
    CHECK(s.echoes.empty());
    s.ticks(1);
    CHECK(s.echoes == std::vector<std::uint32_t>{kLoopback});
    CHECK(s.sounds == std::vector<std::string>{"C:\\Quellar\\Ping.wav"});

    // An edit in the real box enables Save; Ping Now pings what the box
    // holds, says what came back, and sounds after the reply.
    SetWindowTextA(s.handle("txtPingHost"), "127.0.0.2");
    CHECK(IsWindowEnabled(s.handle("cmdSave")));
    s.click("cmdPingNow");
    REQUIRE(s.settle());
    CHECK(s.echoes.back() == kLoopback2);
    CHECK(s.result().rfind("Reply from 127.0.0.2 in ", 0) == 0);
    CHECK(s.sounds.size() == 2);

    s.click("cmdSave");
    CHECK_FALSE(IsWindowEnabled(s.handle("cmdSave")));
    s.ticks(2);
    CHECK(s.echoes.back() == kLoopback2);
    CHECK(s.sounds.size() == 3);
    CHECK(s.boxes.empty());
}

TEST_CASE("a host typed with real keys that is not an address or a name is refused on Save and Ping Now") {
    Started s(manualLoopback("0"));
    s.main.onFaceCommand("IDC_FS_pingSetting");
    pumpMessages();
    const RegSnapshot before = snapshotRegistry();
    for (const char* refused : {"300.1.1.1", "abc def"}) {
        CAPTURE(refused);
        SetFocus(s.handle("txtPingHost"));
        selectAllByKeys();
        typeText(refused);
        CHECK(win::windowText(s.handle("txtPingHost")) == refused);
        s.click("cmdSave");
        pumpMessages();
        CHECK(snapshotRegistry() == before);
        CHECK(IsWindowEnabled(s.handle("cmdSave")));
        CHECK(GetFocus() == s.handle("txtPingHost"));
        CHECK(win::windowText(s.handle("lblHostProblem")) == kHostRule);
        CHECK(IsWindowVisible(s.handle("lblHostProblem")));
        if (!screenshotFolder().empty()) saveScreenshot(s.main.hwnd(), screenshotFolder() + "\\pinger-refused.bmp");
        s.click("cmdPingNow");
        REQUIRE(s.settle());
        CHECK(s.echoes.empty());
    }
    CHECK(s.boxes.empty());
    SetFocus(s.handle("txtPingHost"));
    selectAllByKeys();
    typeText("127.0.0.2");
    CHECK_FALSE(IsWindowVisible(s.handle("lblHostProblem")));
    s.click("cmdSave");
    win::RegistryStore store;
    CHECK(store.load(kNetPingerArea, "txtPingHost", "") == "127.0.0.2");
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

TEST_CASE("screenshot: Ping Now's line: a reply from loopback, and no reply when loopback stays silent") {
    Started s(manualLoopback("5"));
    clickFaceButton(s.main.facePlayer(), "IDC_FS_pingSetting");
    REQUIRE(IsWindowVisible(s.window->hwnd()));
    SetWindowTextA(s.handle("txtPingHost"), "127.0.0.1");
    s.click("cmdPingNow");
    REQUIRE(s.settle());
    CHECK(s.result().rfind("Reply from 127.0.0.1 in ", 0) == 0);
    if (!screenshotFolder().empty()) {
        waitForStillScreen(s.main.hwnd());
        saveScreenshot(s.main.hwnd(), screenshotFolder() + "\\net-pinger.bmp");
    }
    SetWindowTextA(s.handle("txtPingHost"), "300.1.1.1");
    s.click("cmdPingNow");
    REQUIRE(s.settle());
    // A host that does not check out takes the line's place with its rule.
    CHECK(s.result().empty());
    CHECK(win::windowText(s.handle("lblHostProblem")) == kHostRule);
    if (!inPrivateNetworkNamespace()) {
        MESSAGE("not in a private network namespace: the silent loopback is not tried");
        return;
    }
    SilentLoopback silent;
    REQUIRE(silent.active());
    SetWindowTextA(s.handle("txtPingHost"), "127.0.0.1");
    s.click("cmdPingNow");
    CHECK(s.result() == "Pinging 127.0.0.1...");
    REQUIRE(pumpUntil([&s] { return !s.window->settings().pinger().pingRunning(); }, 15000));
    CHECK(s.result() == "No reply from 127.0.0.1 within 10 seconds.");
}
