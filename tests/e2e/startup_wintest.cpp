// The real quellar.exe, started as a user would start it, under the Windows
// versions Wine reports to it.
#include <doctest/doctest.h>

#include <memory>
#include <string>

#include "ui/balloon/balloon_win.h"
#include "app/mainwindow_win.h"
#include "support/process_win.h"
#include "support/pump_win.h"

using namespace quellar::testing;

namespace {

const char* const kMainSettingsKey = "SOFTWARE\\BRD\\Quellar\\Settings\\MainSettings";

// Stores "Run Program In system tray" as checked for the test's length and
// puts back what was there.
class TrayOptionStored {
public:
    TrayOptionStored() {
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, kMainSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                        nullptr, &key_, nullptr);
        DWORD size = sizeof previous_;
        had_ = RegQueryValueExA(key_, "chkRunProgramMini", nullptr, nullptr,
                                reinterpret_cast<BYTE*>(previous_), &size) == ERROR_SUCCESS;
        RegSetValueExA(key_, "chkRunProgramMini", 0, REG_SZ, reinterpret_cast<const BYTE*>("1"), 2);
    }
    ~TrayOptionStored() {
        if (had_) {
            RegSetValueExA(key_, "chkRunProgramMini", 0, REG_SZ,
                           reinterpret_cast<const BYTE*>(previous_),
                           static_cast<DWORD>(strlen(previous_) + 1));
        } else {
            RegDeleteValueA(key_, "chkRunProgramMini");
        }
        RegCloseKey(key_);
    }

private:
    HKEY key_ = nullptr;
    char previous_[256] = {};
    bool had_ = false;
};

HWND waitForWindow(DWORD pid, const char* cls, DWORD timeoutMs, bool visible) {
    HWND found = nullptr;
    pumpUntil(
        [&] {
            found = topLevelWindowOf(pid, cls);
            return found && (!visible || IsWindowVisible(found));
        },
        timeoutMs);
    return found && (!visible || IsWindowVisible(found)) ? found : nullptr;
}

HWND waitForMessageBox(DWORD pid, DWORD timeoutMs) {
    return waitForWindow(pid, "#32770", timeoutMs, true);
}

std::string messageBoxText(HWND box) {
    char text[256] = {};
    // The static control that carries a message box's text.
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    return text;
}

// A second start says so in its box and ends; once the box is closed, the
// first copy shows its window, restored, from the tray.
void checkSecondCopyShowsTheFirst(const std::string& exe, const std::string& folder, HWND firstMain,
                                  bool windows9x) {
    REQUIRE_FALSE(IsWindowVisible(firstMain));
    ChildProcess second(exe, folder, windows9x ? exe : "");
    REQUIRE_MESSAGE(second.started(), second.error());
    HWND box = waitForMessageBox(second.id(), 20000);
    REQUIRE(box != nullptr);
    char caption[64] = {};
    GetWindowTextA(box, caption, sizeof caption);
    CHECK(std::string(caption) == "Quellar");
    CHECK(messageBoxText(box) == "The program already opening");
    CHECK(topLevelWindowOf(second.id(), quellar::app::kMainWindowClass) == nullptr);
    CHECK_FALSE(IsWindowVisible(firstMain));
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    CHECK(second.waitExit(20000) == 0);
    CHECK(pumpUntil([&] { return IsWindowVisible(firstMain) && !IsIconic(firstMain); }, 20000));
}

}  // namespace

// quellar.exe from the test program's folder, started with the tray option
// stored and the given Windows version (a 9x one with the Windows 9x
// personality, so W functions fail as there); it is closed as the user
// closes it.
struct StartedInTray {
    TrayOptionStored option;
    std::string folder = testProgramFolder();
    std::string exe = folder + "\\quellar.exe";
    bool windows9x;
    std::unique_ptr<ChildProcess> app;

    explicit StartedInTray(const char* mode) : windows9x(std::string(mode).rfind("win9", 0) == 0) {
        setWineVersionFor("quellar.exe", mode);
        app = std::make_unique<ChildProcess>(exe, folder, windows9x ? exe : "");
        REQUIRE_MESSAGE(app->started(), app->error());
    }
    ~StartedInTray() { setWineVersionFor("quellar.exe", ""); }

    void closeAndCheckOneCopyOnly(HWND main) {
        checkSecondCopyShowsTheFirst(exe, folder, main, windows9x);
        PostMessageA(main, WM_CLOSE, 0, 0);
        CHECK(app->waitExit(20000) == 0);
    }
};

TEST_CASE("9x family, started in the tray: hidden, the own balloon bottom-right for 5 s; a second start shows it") {
    const char* mode = "win98";
    SUBCASE("Windows 95") { mode = "win95"; }
    SUBCASE("Windows 98") {}
    StartedInTray s(mode);
    HWND balloon = waitForWindow(s.app->id(), quellar::ui::kBalloonClass, 30000, true);
    REQUIRE(balloon != nullptr);
    DWORD shownAt = GetTickCount();
    HWND main = topLevelWindowOf(s.app->id(), quellar::app::kMainWindowClass);
    REQUIRE(main != nullptr);
    CHECK_FALSE(IsWindowVisible(main));

    // Pointed at (screen width - 40, screen height) from the lower right.
    RECT r;
    GetWindowRect(balloon, &r);
    int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    CHECK(r.right == doctest::Approx(sw - 40 + 42).epsilon(0.01));
    CHECK(r.bottom == doctest::Approx(sh).epsilon(0.01));
    CHECK((GetWindowLongA(balloon, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0);

    bool closed = pumpUntil([&] { return !IsWindow(balloon) || !IsWindowVisible(balloon); }, 15000);
    CHECK(closed);
    CHECK(GetTickCount() - shownAt >= 4000);
    s.closeAndCheckOneCopyOnly(main);
}

TEST_CASE("NT family, started in the tray: hidden, no own balloon (the tray's balloon instead); a second start shows it") {
    StartedInTray s("winxp");
    HWND main = waitForWindow(s.app->id(), quellar::app::kMainWindowClass, 30000, false);
    REQUIRE(main != nullptr);
    // Until its start-up has run to the end and it waits for input.
    REQUIRE(s.app->waitIdle(20000));
    settle();
    CHECK_FALSE(IsWindowVisible(main));
    HWND balloon = topLevelWindowOf(s.app->id(), quellar::ui::kBalloonClass);
    CHECK((balloon == nullptr || !IsWindowVisible(balloon)));
    s.closeAndCheckOneCopyOnly(main);
}
