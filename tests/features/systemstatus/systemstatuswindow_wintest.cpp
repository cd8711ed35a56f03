// The System status and RAM configuration windows at work in the started
// program, their timers driven through the seam and the memory figures and
// processor readings set by the test.
#include <doctest/doctest.h>

#include <string>
#include <utility>
#include <vector>

#include "app/mainwindow_win.h"
#include "console/consoletext.h"
#include "core/effects.h"
#include "core/osversion.h"
#include "core/timers.h"
#include "features/ramconfig/ramconfigwindow_win.h"
#include "features/systemstatus/systemstatuswindow_win.h"
#include "support/faceclick_win.h"
#include "support/monitorhooks.h"
#include "support/pump_win.h"
#include "support/regsandbox_win.h"
#include "support/resources_win.h"
#include "support/recordedeffects.h"
#include "support/screenshot_win.h"
#include "win/window_win.h"

using namespace quellar;
using namespace quellar::app;
using quellar::testing::FakeMonitor;

namespace {

using Stored = std::vector<std::pair<const char*, const char*>>;

// The program started on a 512 MB machine with 128 MB free, its timers on a
// manual clock, sounds recorded.
struct Running : testing::RecordedEffects {
    testing::RegistrySandbox sandbox;
    ManualTimersScope clock;
    FakeMonitor monitor;
    std::vector<DWORD> trayCalls;
    std::vector<std::pair<std::string, std::string>> balloons;  // title, text
    int ended = 0;
    MainWindow main;

    explicit Running(const Stored& ramSettings = {}, bool recordTray = true) {
        HKEY key;
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\BRD\\Quellar\\Settings\\RamSettings", 0, nullptr, 0,
                        KEY_ALL_ACCESS, nullptr, &key, nullptr);
        for (const auto& [name, value] : ramSettings)
            RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                           static_cast<DWORD>(strlen(value) + 1));
        RegCloseKey(key);
        monitor.setMemory(512, 128);
        main.endProcess = [this] { ++ended; };
        if (recordTray) {
            main.tray().notify = [this](DWORD message, NOTIFYICONDATAA* data) {
                trayCalls.push_back(message);
                // The fields are filled up with blanks.
                auto text = [](const char* field) {
                    std::string t(field);
                    return t.erase(t.find_last_not_of(' ') + 1);
                };
                if (data && (data->uFlags & NIF_INFO)) balloons.emplace_back(text(data->szInfoTitle), text(data->szInfo));
                return TRUE;
            };
        }
        REQUIRE(main.start());
        testing::pumpMessages();
    }

    features::SystemStatusWindow& status() {
        return static_cast<features::SystemStatusWindow&>(main.feature(kSystemStatus));
    }
    features::RamConfigurationWindow& ram() {
        return static_cast<features::RamConfigurationWindow&>(main.feature(kRamConfiguration));
    }
    std::string statusText(const char* control) {
        return win::windowText(status().binder().handleOf(status().form()[control]));
    }
    // New figures: the processor caption changes every round, the memory
    // caption and the tray tooltip every tenth; free memory stays below the
    // alarm level.
    void tick(int i) {
        monitor.setMemory(512, static_cast<std::uint64_t>(100 + (i / 10 * 7) % 140));
        monitor.processor->reading = (i * 13) % 100;
        clock.advance(300);
    }
};

}  // namespace

TEST_CASE("the graphs and the alarm on the timer seam: tray tooltip, frame captions, one processor meter") {
    Running r({{"chkSoundon", "1"}, {"chkAutomatic", "1"}, {"txtRetryOptimization", "1"}});
    r.monitor.processor->reading = 1;  // below the default threshold of 2
    CHECK(r.statusText("lblTargetMemoryNeeded") == "Target Level Of RAM 0MB.");
    CHECK(r.status().amountTooltip() == "0 MB to free when Optimize is clicked");
    r.trayCalls.clear();

    r.clock.advance(300);
    CHECK(r.main.tray().tip() == "Free Memory (128MB).");
    CHECK(r.trayCalls == std::vector<DWORD>{NIM_MODIFY});
    CHECK(r.statusText("fameMemoryUsage") == "Free Memory (25%).");
    CHECK(r.statusText("frameCPUUsage") == "Processor usage (1%).");
    // The alarm ran at 100, 200 and 300 ms, each time reading the meter the
    // processor graph reads.
    CHECK(r.monitor.claims.size() == 3);
    CHECK(r.monitor.processor->queries == 4);

    features::RamConfigurationWindow& ram = r.ram();
    SendMessageA(ram.binder().handleOf(ram.form()["optPer"]), BM_CLICK, 0, 0);
    r.monitor.setMemory(512, 312);
    r.clock.advance(300);
    CHECK(r.main.tray().tip() == "Free Memory (60.94%).");
    CHECK(r.sounds.empty());
    r.monitor.setMemory(512, 128);
    r.clock.advance(65535 - 600);
    CHECK(r.sounds == std::vector<std::string>{"C:\\Quellar\\low-memory.wav"});
}

TEST_CASE("Optimize Now says what became free; the alarm's balloon names what it freed, once a minute") {
    winVersion = 7;  // the tray's balloons are the NT family's
    Running r({{"chkAutomatic", "1"}, {"txtRetryOptimization", "1"}, {"txtTimeCheck", "1000"}, {"txtRunOnly", "0"},
               {"txtAlarm", "400"}});
    // Each claim frees 2 MB more, staying below the alarm level.
    r.monitor.onYield = [&r] { r.monitor.setMemory(512, 128 + 2 * r.monitor.claims.size()); };

    r.clock.advance(1000);
    REQUIRE(r.balloons.size() == 1);
    CHECK(r.balloons[0].second == "The memory alarm freed 2 MB (128 MB free before, 130 MB after).");
    CHECK(r.balloons[0].first.rfind("Free Memory (", 0) == 0);  // the tooltip, as it says everywhere
    r.clock.advance(58000);
    CHECK(r.monitor.claims.size() == 59);
    CHECK(r.balloons.size() == 1);
    r.clock.advance(3000);
    CHECK(r.balloons.size() == 2);
    CHECK(r.main.tray().balloonTip() == "The Program Still Running Here");

    // The tooltip and the console's status tell the same free figure.
    r.clock.advance(300);
    const monitor::MemoryStatus now = r.monitor.status;
    const std::string freeMegabytes = std::to_string(now.availPhysical / testing::kMiB);
    CHECK(r.main.tray().tip() == "Free Memory (" + freeMegabytes + "MB).");
    console::StatusFigures figures;
    figures.totalPhysical = now.totalPhysical;
    figures.availPhysical = now.availPhysical;
    CHECK(console::statusText(figures).find("Physical:   " + freeMegabytes + " MB free of 512 MB") !=
          std::string::npos);

    // Optimize Now, clicked: the line under it, and the normal pointer again.
    r.main.onFaceCommand("IDC_FS_systemSatus");
    testing::pumpMessages();
    features::SystemStatusWindow& status = r.status();
    const std::size_t claimsBefore = r.monitor.claims.size();
    SendMessageA(status.binder().handleOf(status.form()["cmdOptimaize"]), BM_CLICK, 0, 0);
    testing::pumpMessages();
    CHECK(r.monitor.claims.size() == claimsBefore + 1);
    const std::string before = std::to_string(now.availPhysical / testing::kMiB);
    const std::string after = std::to_string(now.availPhysical / testing::kMiB + 2);
    CHECK(r.statusText("lblOptimizeResult") ==
          "Freed 2 MB: " + before + " MB free before, " + after + " MB after.");
    CHECK(GetCursor() == LoadCursor(nullptr, IDC_ARROW));
    winVersion = 0;
}

TEST_CASE("thousands of ticks, shown and hidden, leave handles, GDI objects and memory where they were") {
    Running r({{"chkSoundon", "1"}, {"chkAutomatic", "1"}, {"txtRunOnly", "0"}, {"txtRetryOptimization", "1"}},
              false);
    // One brush more is seen: the counts are real.
    const DWORD gdiBefore = testing::gdiObjectCount();
    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    CHECK(testing::gdiObjectCount() == gdiBefore + 1);
    DeleteObject(brush);

    // Each round of 300 ms: a memory, a processor and three alarm ticks.
    // Shown, the window repaints after every round; hidden it draws nothing.
    auto rounds = [&r](int count, bool shown) {
        if (shown) r.main.onFaceCommand("IDC_FS_systemSatus");
        else r.main.hideFeatures();
        for (int i = 0; i < count; ++i) {
            r.tick(i);
            testing::pumpMessages();
        }
    };
    // The first rounds make what stays for good (caches, the graphs' bitmaps).
    rounds(50, true);
    rounds(50, false);
    // Claims counted without recording them, so only the program's memory
    // can move.
    int claims = 0;
    monitor::monitorHooks().claim = [&claims](std::size_t, const std::function<void()>& whileHeld) {
        ++claims;
        whileHeld();
        return true;
    };
    const testing::ResourceCounts before;
    rounds(200, true);
    rounds(2000, false);
    const testing::ResourceCounts after;
    CHECK(claims == 3 * 2200);
    CHECK(after.handles == before.handles);
    CHECK(after.gdiObjects == before.gdiObjects);
    CHECK(after.privateBytes <= before.privateBytes + 16 * 1024);
    MESSAGE("handles ", before.handles, " -> ", after.handles, ", GDI objects ", before.gdiObjects, " -> ",
            after.gdiObjects, ", private bytes ", before.privateBytes, " -> ", after.privateBytes);
}

TEST_CASE("screenshot: System status with both graphs moving, hosted in the main window") {
    const std::string folder = testing::screenshotFolder();
    if (folder.empty()) return;
    Running r;
    testing::clickFaceButton(r.main.facePlayer(), "IDC_FS_systemSatus");
    for (int i = 0; i < 40; ++i) {
        r.monitor.setMemory(512, static_cast<std::uint64_t>(180 + 60 * ((i / 4) % 3) + (i % 4) * 5));
        r.monitor.processor->reading = 15 + (i * 37) % 60;
        r.clock.advance(300);
        testing::pumpMessages();
    }
    r.status().form().range("sldFreeMomoryReq").userScroll(64);
    r.monitor.onYield = [&r] {
        if (!r.monitor.claims.empty()) r.monitor.setMemory(512, 300);
    };
    SendMessageA(r.status().binder().handleOf(r.status().form()["cmdOptimaize"]), BM_CLICK, 0, 0);
    testing::waitForStillScreen(r.main.hwnd());
    testing::saveScreenshot(r.main.hwnd(), folder + "\\system-status.bmp");
}
