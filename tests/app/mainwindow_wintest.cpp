#include <doctest/doctest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "ui/balloon/balloon_win.h"
#include "support/regsandbox_win.h"
#include "features/mainsettings/mainsettings_win.h"
#include "app/mainwindow_win.h"
#include "core/osversion.h"
#include "support/faceclick_win.h"
#include "res/resource.h"
#include "win/files_win.h"
#include "core/timers.h"
#include "support/keys_win.h"
#include "support/pump_win.h"
#include "support/screenshot_win.h"
#include "support/tuningsandbox_win.h"
#include "features/wizard/wizardmode_win.h"
#include "tuning/tuning.h"

using namespace quellar;
using namespace quellar::app;
using namespace quellar::features;
using namespace quellar::ui;
using quellar::testing::RegistrySandbox;

namespace {

struct Started {
    RegistrySandbox sandbox;
    // The recorders outlive the main window: its end still removes the icon.
    int ended = 0;
    std::vector<DWORD> trayCalls;
    std::vector<std::string> trayTips;  // the tooltip field of each call
    BOOL shellAnswer = TRUE;            // FALSE: the shell refuses the icon
    std::vector<std::pair<HWND, UINT>> allowedMessages;  // through the message filter
    MainWindow main;

    // `finishStartup` false: only start() has run, not the first message
    // after it.
    explicit Started(bool startInTray = false, BOOL answer = TRUE, bool finishStartup = true)
        : shellAnswer(answer) {
        if (startInTray) {
            HKEY key;
            RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\BRD\\Quellar\\Settings\\MainSettings", 0,
                            nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
            RegSetValueExA(key, "chkRunProgramMini", 0, REG_SZ, reinterpret_cast<const BYTE*>("1"), 2);
            RegCloseKey(key);
        }
        main.endProcess = [this] { ++ended; };
        main.tray().notify = [this](DWORD message, NOTIFYICONDATAA* record) {
            trayCalls.push_back(message);
            trayTips.push_back(record->szTip);
            return shellAnswer;
        };
        main.tray().allowMessage = [this](HWND window, UINT message) {
            allowedMessages.push_back({window, message});
            return true;
        };
        REQUIRE(main.start());
        if (finishStartup) quellar::testing::pumpMessages();
    }
    ~Started() {
        if (ui::balloon().isOpen()) ui::balloon().unload();
    }

    // A press on the tray icon as the shell reports it; the debounce is
    // let run out at once on the test program's manual clock.
    void trayPress(UINT mouseMessage) {
        SendMessageA(main.tray().hwnd(), ui::Tray::kCallbackMessage, 0, static_cast<LPARAM>(mouseMessage));
        static_cast<ManualTimers&>(timers()).advance(ui::Tray::kDebounceMilliseconds);
    }
    bool shownRestored() const { return IsWindowVisible(main.hwnd()) && !IsIconic(main.hwnd()); }
};

// The face's button that sends `command` (the first, in the face's order).
int faceButton(MainWindow& main, const std::string& command) {
    const auto& buttons = main.facePlayer().state().face().buttons;
    for (std::size_t i = 0; i < buttons.size(); ++i)
        if (buttons[i].command == command) return static_cast<int>(i);
    return -1;
}

// Runs `whileOpen` with the tray menu's window once the menu is up, then
// presses `keys` in it; a menu that never shows is closed by Escape, so the
// test cannot hang in the menu's own loop.
std::function<void(HWND)> g_whileMenuOpen;
std::vector<WPARAM> g_menuKeys;
int g_menuTicks = 0;
BOOL CALLBACK findShownMenu(HWND hwnd, LPARAM found) {
    if (win::className(hwnd) != "#32768" || !IsWindowVisible(hwnd)) return TRUE;
    *reinterpret_cast<HWND*>(found) = hwnd;
    return FALSE;
}
void CALLBACK driveTrayMenu(HWND, UINT, UINT_PTR id, DWORD) {
    HWND menu = nullptr;
    EnumWindows(findShownMenu, reinterpret_cast<LPARAM>(&menu));
    // Once up, a few ticks more, so the menu has drawn itself.
    static int shownTicks = 0;
    if (!menu) shownTicks = 0;
    const bool up = menu != nullptr && ++shownTicks > 3;
    if (!up && ++g_menuTicks < 500) return;  // 10 s: a loaded machine draws menus late
    shownTicks = 0;
    KillTimer(nullptr, id);
    if (!up) g_menuKeys = {VK_ESCAPE, VK_ESCAPE};
    else if (g_whileMenuOpen) g_whileMenuOpen(menu);
    for (WPARAM key : g_menuKeys) {
        PostMessageA(menu, WM_KEYDOWN, key, 1);
        PostMessageA(menu, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
    }
}
void rightClickTrayMenu(Started& s, std::vector<WPARAM> keys, std::function<void(HWND)> whileOpen = {}) {
    g_menuKeys = std::move(keys);
    g_whileMenuOpen = std::move(whileOpen);
    g_menuTicks = 0;
    SetTimer(nullptr, 0, 20, driveTrayMenu);
    s.trayPress(WM_RBUTTONDOWN);
    quellar::testing::pumpMessages();
}

RECT childRect(HWND parent, HWND child) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

bool isAbove(HWND upper, HWND lower) {
    for (HWND w = GetWindow(upper, GW_HWNDNEXT); w; w = GetWindow(w, GW_HWNDNEXT)) {
        if (w == lower) return true;
    }
    return false;
}

}  // namespace

TEST_CASE("start-up: the window, the face over the child area, tray icon, hidden feature windows") {
    Started s;
    HWND main = s.main.hwnd();
    CHECK(win::windowText(main) == "Quellar");
    RECT client;
    GetClientRect(main, &client);
    CHECK(client.right == 724);
    CHECK(client.bottom == 540);
    CHECK((GetWindowLongA(main, GWL_STYLE) & WS_CAPTION) == 0);
    CHECK(IsWindowVisible(main));

    RECT face = childRect(main, s.main.facePlayer().hwnd());
    CHECK(face.left == 0);
    CHECK(face.top == 0);
    CHECK(face.right == 724);
    CHECK(face.bottom == 540);
    RECT area = childRect(main, s.main.childArea());
    CHECK(area.left == 245);
    CHECK(area.top == 199);
    CHECK(area.right - area.left == 440);
    CHECK(area.bottom - area.top == 332);
    CHECK(GetWindow(main, GW_CHILD) == s.main.facePlayer().hwnd());
    CHECK(isAbove(s.main.facePlayer().hwnd(), s.main.childArea()));
    CHECK(s.main.facePlayer().state().variable("_root.version") == "1.0.0.1");
    CHECK(s.main.skin().elementOf(s.main.childArea()) == "NoFrame");

    CHECK(winVersion >= 1);
    CHECK(winVersionName == winVersionNameOf(winVersion));
    CHECK(s.main.facePlayer().state().variable("_root.windows") == winVersionName);

    CHECK(s.trayCalls == std::vector<DWORD>{NIM_ADD});
    CHECK(s.main.tray().isShown());

    for (int i = 0; i < kFeatureCount; ++i) {
        FeatureWindow& feature = s.main.feature(static_cast<FeatureIndex>(i));
        CAPTURE(feature.name());
        if (i == kAdvancedMode) {
            CHECK_FALSE(feature.isLoaded());
            continue;
        }
        REQUIRE(feature.isLoaded());
        CHECK_FALSE(IsWindowVisible(feature.hwnd()));
        CHECK(GetParent(feature.hwnd()) == s.main.childArea());
        CHECK(s.main.skin().elementOf(feature.hwnd()) == "controlForm");
        CHECK_FALSE(feature.hasControls());
    }
    // The controls come with the first showing and start from the models
    // as they stand then.
    MainSettingsWindow& settings = s.main.mainSettings();
    settings.form()["chkRunMainProgram"].setValueQuietly(1);
    s.main.hostFeature(kMainSettings);
    REQUIRE(settings.hasControls());
    CHECK(SendMessageA(settings.binder().handleOf(settings.form()["chkRunMainProgram"]), BM_GETCHECK, 0, 0) ==
          BST_CHECKED);
    CHECK(s.main.skin().elementOf(settings.binder().handleOf(settings.form()["cmdSave"])) == "Button");
    CHECK(s.main.skin().elementOf(settings.binder().handleOf(settings.form()["chkRunProgramMini"])) ==
          "CheckBox");
    CHECK_FALSE(settings.settings().changed());
    CHECK_FALSE(ui::balloon().isOpen());
}

TEST_CASE("start-up shows the window first; the rest comes with the first message, or with a command before it") {
    // A fresh clock shows when the background jobs' timers start.
    ManualTimersScope timers;
    Started s(false, TRUE, /*finishStartup=*/false);
    const DWORD shown = GetTickCount();
    CHECK(IsWindowVisible(s.main.hwnd()));
    CHECK(s.trayCalls.empty());
    CHECK_FALSE(s.main.feature(kNetPingerSettings).isLoaded());
    CHECK(timers.clock().running() == 0);

    SUBCASE("the first message: the tray icon, the feature windows and their jobs, within 250 ms") {
        quellar::testing::pumpMessages();
        CHECK(GetTickCount() - shown <= 250);
    }
    SUBCASE("a click on the face before it hosts its window, which is made then") {
        const auto& buttons = s.main.facePlayer().state().face().buttons;
        const int wizard = faceButton(s.main, "IDC_FS_wizardMode");
        REQUIRE(wizard >= 0);
        const FaceButton& b = buttons[static_cast<std::size_t>(wizard)];
        s.main.facePlayer().clickAt(b.x.resolve(kMainWidth, kMainHeight) + 5, b.y.resolve(kMainWidth, kMainHeight) + 5);
        CHECK(s.main.hostedFeature() == kWizardMode);
        CHECK(s.main.feature(kWizardMode).hasControls());
    }
    // Either way everything is there, and only once.
    CHECK(s.trayCalls == std::vector<DWORD>{NIM_ADD});
    CHECK(s.main.feature(kNetPingerSettings).isLoaded());
    CHECK(s.main.feature(kSystemStatus).isLoaded());
    CHECK(s.main.feature(kRamConfiguration).isLoaded());
    const std::size_t jobs = timers.clock().running();
    CHECK(jobs > 0);
    quellar::testing::pumpMessages();
    CHECK(s.trayCalls == std::vector<DWORD>{NIM_ADD});
    CHECK(timers.clock().running() == jobs);
}

TEST_CASE("started in the tray: the main window stays hidden and the notice shows") {
    Started s(true);
    CHECK_FALSE(IsWindowVisible(s.main.hwnd()));
    if (isNtFamily(winVersion)) {
        CHECK(s.trayCalls == std::vector<DWORD>{NIM_ADD, NIM_MODIFY});
    } else {
        REQUIRE(ui::balloon().isOpen());
        CHECK(IsWindowVisible(ui::balloon().hwnd()));
        CHECK_FALSE(ui::balloon().pointerShown());
    }
    // A click on the tray icon brings the window back.
    SendMessageA(s.main.tray().hwnd(), WM_MOUSEMOVE, 0, WM_LBUTTONDOWN);
    CHECK(IsWindowVisible(s.main.hwnd()));
}

TEST_CASE("a face file cut in the middle and a damaged skin: the built-in look, and a notice that names the lines") {
    quellar::testing::ScratchProgramFolder folder("damaged-look");
    const std::string face(win::resourceBytes(MAKEINTRESOURCEA(IDR_FACE), MAKEINTRESOURCEA(RT_QUELLAR_DATA)));
    quellar::testing::writeFile(folder.path() + "\\speed up.swf", face.substr(0, face.size() / 2));
    quellar::testing::writeFile(folder.path() + "\\RQLRMask.skn", "[Button]\r\nnot a line at all\r\n");
    Started s;
    CHECK(IsWindowVisible(s.main.hwnd()));
    CHECK(s.main.facePlayer().usingBuiltInFace());
    ui::Balloon& notice = ui::balloon();
    static_cast<ManualTimers&>(timers()).advance(700);
    quellar::testing::pumpUntil([&notice] { return notice.isOpen(); }, 5000);
    REQUIRE(notice.isOpen());
    const std::string text = win::windowText(notice.control(ui::kIdMessage));
    CHECK(text.find("The face file could not be used: " + folder.path() + "\\speed up.swf: line ") == 0);
    CHECK(text.find("The skin file could not be used: " + folder.path() + "\\RQLRMask.skn: line 2: ") !=
          std::string::npos);
    CHECK(text.find("The built-in look is shown instead.") != std::string::npos);
}

TEST_CASE("the face's window commands") {
    Started s;
    HWND main = s.main.hwnd();

    s.main.onFaceCommand("IDC_FS_settings");
    MainSettingsWindow& settings = s.main.mainSettings();
    CHECK(GetParent(settings.hwnd()) == s.main.childArea());
    CHECK(IsWindowVisible(settings.hwnd()));
    RECT area = childRect(main, s.main.childArea());
    CHECK(area.right - area.left == 440);
    CHECK(area.bottom - area.top == 245);
    CHECK(isAbove(s.main.childArea(), s.main.facePlayer().hwnd()));

    s.main.onFaceCommand("IDC_FS_home");
    CHECK(isAbove(s.main.facePlayer().hwnd(), s.main.childArea()));
    s.main.onFaceCommand("IDC_FS_settings");
    s.main.onFaceCommand("IDC_FS_hide");
    CHECK(isAbove(s.main.facePlayer().hwnd(), s.main.childArea()));

    s.main.onFaceCommand("IDC_FS_minimize");
    CHECK(IsIconic(main));
    ShowWindow(main, SW_RESTORE);

    s.main.onFaceCommand("IDC_FS_tray");
    CHECK_FALSE(IsWindowVisible(main));
    if (!isNtFamily(winVersion)) CHECK(ui::balloon().isOpen());
    s.main.showMainWindow();
    CHECK(IsWindowVisible(main));

    // Near misses do nothing at all.
    for (const char* text : {"IDC_FS_Close", "idc_fs_close", "IDC_FS_close ", " IDC_FS_close", "close"})
        s.main.onFaceCommand(text);
    CHECK(s.ended == 0);
    CHECK(s.main.mainSettings().isLoaded());

    s.main.onFaceCommand("IDC_FS_close");
    CHECK(s.ended == 1);
    CHECK(s.trayCalls.back() == static_cast<DWORD>(NIM_DELETE));
    CHECK_FALSE(s.main.tray().isShown());
    for (int i = 0; i < kFeatureCount; ++i) CHECK_FALSE(s.main.feature(static_cast<FeatureIndex>(i)).isLoaded());
}

TEST_CASE("the tray icon brings the window back restored and in front, and comes back with the shell") {
    Started s;
    HWND main = s.main.hwnd();
    SUBCASE("from minimised") { s.main.onFaceCommand("IDC_FS_minimize"); }
    SUBCASE("from the tray") { s.main.onFaceCommand("IDC_FS_tray"); }
    SUBCASE("minimised, then to the tray") {
        s.main.onFaceCommand("IDC_FS_minimize");
        s.main.onFaceCommand("IDC_FS_tray");
    }
    REQUIRE_FALSE(s.shownRestored());
    s.trayPress(WM_LBUTTONDOWN);
    CHECK(s.shownRestored());
    CHECK(GetActiveWindow() == main);

    // Explorer started anew: its broadcast was let through the filter of
    // an elevated program, and the icon is added again with the tooltip it
    // has now.
    CHECK(std::count(s.allowedMessages.begin(), s.allowedMessages.end(),
                     std::pair<HWND, UINT>{main, ui::Tray::taskbarCreatedMessage()}) == 1);
    s.main.tray().setTip("Free Memory (312MB).");
    s.trayCalls.clear();
    s.trayTips.clear();
    PostMessageA(HWND_BROADCAST, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    quellar::testing::pumpUntil([&s] { return !s.trayCalls.empty(); }, 2000);
    quellar::testing::settle();
    CHECK(s.trayCalls == std::vector<DWORD>{NIM_ADD});
    CHECK(s.trayTips == std::vector<std::string>{" Free Memory (312MB). "});
    CHECK(s.main.tray().isShown());
}

TEST_CASE("without a tray icon the window is never hidden: not at start-up, not by the tray command") {
    Started s(/*startInTray=*/true, /*answer=*/FALSE);
    CHECK_FALSE(s.main.tray().isShown());
    CHECK(s.shownRestored());
    s.main.onFaceCommand("IDC_FS_tray");
    CHECK(s.shownRestored());
    CHECK_FALSE(ui::balloon().isOpen());
    // Each time the icon was asked for once more, and each refusal checked.
    CHECK(s.trayCalls == std::vector<DWORD>{NIM_ADD, NIM_MODIFY, NIM_ADD, NIM_MODIFY, NIM_ADD, NIM_MODIFY});
}

TEST_CASE("the tray icon's menu: \"Open Quellar\" (default) shows the window, \"Exit\" closes the program") {
    Started s;
    s.main.onFaceCommand("IDC_FS_tray");
    REQUIRE_FALSE(IsWindowVisible(s.main.hwnd()));
    std::vector<std::string> items;
    UINT defaultItem = 0;
    rightClickTrayMenu(s, {VK_DOWN, VK_RETURN}, [&](HWND menuWindow) {
        constexpr UINT kGetMenuOfWindow = 0x01E1;  // MN_GETHMENU
        HMENU menu = reinterpret_cast<HMENU>(SendMessageA(menuWindow, kGetMenuOfWindow, 0, 0));
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            char text[64] = {};
            GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
            items.push_back(text);
        }
        defaultItem = GetMenuDefaultItem(menu, FALSE, 0);
    });
    CHECK(items == std::vector<std::string>{"Open Quellar", "Exit"});
    CHECK(defaultItem == static_cast<UINT>(kTrayMenuOpen));
    CHECK(s.shownRestored());
    CHECK(s.ended == 0);

    rightClickTrayMenu(s, {VK_ESCAPE});  // closed without a choice
    CHECK(s.ended == 0);
    rightClickTrayMenu(s, {VK_DOWN, VK_DOWN, VK_RETURN});
    CHECK(s.ended == 1);
    CHECK(s.trayCalls.back() == static_cast<DWORD>(NIM_DELETE));
    for (int i = 0; i < kFeatureCount; ++i) CHECK_FALSE(s.main.feature(static_cast<FeatureIndex>(i)).isLoaded());
}

std::string storedMainSetting(const char* name) {
    char value[16] = {};
    DWORD size = sizeof value;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\BRD\\Quellar\\Settings\\MainSettings", 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return "<none>";
    const bool read = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size) ==
                      ERROR_SUCCESS;
    RegCloseKey(key);
    return read ? value : "<none>";
}

TEST_CASE("the keyboard: the face's commands, Tab, Enter and mnemonics in the windows, the About card") {
    using quellar::testing::pressAlt;
    using quellar::testing::pressKey;
    Started s;
    quellar::testing::ScratchProgramFolder program("keys");
    quellar::testing::MessageLog messages;
    const FaceState& face = s.main.facePlayer().state();
    HWND faceWindow = s.main.facePlayer().hwnd();
    REQUIRE(GetActiveWindow() == s.main.hwnd());
    CHECK(GetFocus() == faceWindow);
    CHECK_FALSE(face.focusMarkShown());

    // Over the title strip and the side bar to "Wizard Mode", its mark on.
    const int wizardItem = faceButton(s.main, "IDC_FS_wizardMode");
    for (int i = 0; i < 40 && face.focused() != wizardItem; ++i) pressKey(VK_TAB);
    REQUIRE(face.focused() == wizardItem);
    CHECK(face.focusMarkShown());
    pressKey(VK_DOWN);
    CHECK(face.focused() != wizardItem);
    pressKey(VK_TAB, /*shift=*/true);
    CHECK(face.focused() == wizardItem);
    pressKey(VK_RETURN);
    REQUIRE(s.main.hostedFeature() == kWizardMode);

    // The Wizard has the keyboard. Tab and Shift+Tab go from the chosen mode
    // to the buttons and back; the arrows choose among the modes.
    auto& wizard = static_cast<features::WizardModeWindow&>(s.main.feature(kWizardMode));
    const ui::FormBinder& binder = wizard.binder();
    HWND firstMode = binder.handleOf(wizard.form().get("optMode", 0));
    CHECK(GetFocus() == firstMode);
    pressKey(VK_TAB);
    CHECK(GetFocus() == binder.handleOf(wizard.form()["cmdOptimize"]));
    pressKey(VK_TAB, /*shift=*/true);
    CHECK(GetFocus() == firstMode);
    pressKey(VK_DOWN);
    CHECK(GetFocus() == binder.handleOf(wizard.form().get("optMode", 1)));
    CHECK(wizard.wizard().selectedMode() == 1);
    pressKey(VK_UP);
    CHECK(wizard.wizard().selectedMode() == 0);
    CHECK(GetFocus() == firstMode);
    // Enter presses the default button, "Optimize Now"; the face, at home,
    // takes the keyboard back, its focus still on "Wizard Mode".
    pressKey(VK_RETURN);
    CHECK(program.backupFiles() == std::vector<std::string>{"001.BCK"});
    CHECK(face.panel() == "home");
    CHECK(GetFocus() == faceWindow);
    pressKey(VK_RETURN);
    REQUIRE(s.main.hostedFeature() == kWizardMode);
    pressAlt('N');
    CHECK(program.backupFiles() == std::vector<std::string>{"001.BCK", "002.BCK"});
    CHECK(messages.entries.empty());

    // Main settings: Tab to the tray option, Space ticks it, Enter saves
    // ("&Save" is the default), and after a change Alt+S saves again.
    s.main.onFaceCommand("IDC_FS_settings");
    MainSettingsWindow& settings = s.main.mainSettings();
    CHECK(GetFocus() == settings.binder().handleOf(settings.form()["chkRunMainProgram"]));
    pressKey(VK_TAB);
    CHECK(GetFocus() == settings.binder().handleOf(settings.form()["chkRunProgramMini"]));
    pressKey(VK_SPACE);
    CHECK(settings.settings().changed());
    pressKey(VK_RETURN);
    CHECK_FALSE(settings.settings().changed());
    CHECK(storedMainSetting("chkRunProgramMini") == "1");
    pressKey(VK_SPACE);
    REQUIRE(settings.settings().changed());
    pressAlt('S');
    CHECK_FALSE(settings.settings().changed());
    CHECK(storedMainSetting("chkRunProgramMini") == "0");
    // Escape, where no button cancels, goes home and hands the keyboard
    // back to the face.
    pressKey(VK_ESCAPE);
    CHECK(GetFocus() == faceWindow);
    CHECK(face.panel() == "home");
    CHECK_FALSE(s.main.childAreaInFront());
    s.main.onFaceCommand("IDC_FS_settings");

    // The About card closes with Escape, and with Enter; what was hosted
    // comes back.
    for (WPARAM key : {VK_ESCAPE, VK_RETURN}) {
        CAPTURE(key);
        s.main.facePlayer().clickAt(558, 16);  // "About" in the title strip
        REQUIRE(face.panel() == "about");
        pressKey(key);
        CHECK(face.panel() != "about");
        CHECK(s.main.hostedFeature() == kMainSettings);
        CHECK(s.main.childAreaInFront());
    }
}

TEST_CASE("Tab leaves a hosted window for the face and comes back; F1 opens the help at the shown window") {
    using quellar::testing::pressKey;
    Started s;
    quellar::testing::ScratchProgramFolder program("tabout");
    quellar::testing::MessageLog messages;
    std::vector<ShellOpen> opened;
    effects().shellOpen = [&opened](const ShellOpen& open) -> std::uintptr_t {
        opened.push_back(open);
        return 42;
    };
    const FaceState& face = s.main.facePlayer().state();
    HWND faceWindow = s.main.facePlayer().hwnd();

    // At home F1 opens the help's contents.
    pressKey(VK_F1);
    REQUIRE(opened.size() == 1);
    CHECK(opened[0].file == program.path() + "\\QLRHelp.chm");

    quellar::testing::clickFaceButton(s.main.facePlayer(), "IDC_FS_wizardMode");
    REQUIRE(s.main.hostedFeature() == kWizardMode);
    auto& wizard = static_cast<features::WizardModeWindow&>(s.main.feature(kWizardMode));
    HWND lastControl = wizard.binder().handleOf(wizard.form()["cmdPreview"]);
    pressKey(VK_TAB);
    pressKey(VK_TAB);
    REQUIRE(GetFocus() == lastControl);
    // From the Wizard's last control Tab goes on to the face's title strip
    // and side bar; Shift+Tab comes back.
    pressKey(VK_TAB);
    CHECK(GetFocus() == faceWindow);
    CHECK(face.focusMarkShown());
    pressKey(VK_TAB, /*shift=*/true);
    CHECK(GetFocus() == lastControl);
    pressKey(VK_TAB);
    REQUIRE(GetFocus() == faceWindow);

    // The arrows walk the side bar; Enter chooses.
    const int ramItem = faceButton(s.main, "IDC_FS_ramConfig");
    for (int i = 0; i < 40 && face.focused() != ramItem; ++i) pressKey(VK_DOWN);
    REQUIRE(face.focused() == ramItem);
    pressKey(VK_RETURN);
    REQUIRE(s.main.hostedFeature() == kRamConfiguration);
    CHECK(IsChild(s.main.feature(kRamConfiguration).hwnd(), GetFocus()));

    // F1 asks the help viewer for the RAM configuration page.
    pressKey(VK_F1);
    REQUIRE(opened.size() == 2);
    CHECK(opened[1].file == "hh.exe");
    CHECK(opened[1].parameters == "\"" + program.path() + "\\QLRHelp.chm::/ram-configuration.html\"");

    // Escape goes home.
    pressKey(VK_ESCAPE);
    CHECK(GetFocus() == faceWindow);
    CHECK(face.panel() == "home");
    CHECK_FALSE(s.main.childAreaInFront());
    CHECK(messages.entries.empty());
}

namespace {
std::vector<std::pair<WPARAM, LPARAM>> g_captionPresses;
WNDPROC g_mainProc = nullptr;
// The real move loop would wait for the mouse; record the request instead.
LRESULT CALLBACK recordCaptionPress(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCLBUTTONDOWN) {
        g_captionPresses.emplace_back(wParam, lParam);
        return 0;
    }
    return CallWindowProcA(g_mainProc, hwnd, msg, wParam, lParam);
}
}  // namespace

TEST_CASE("Optimize in the hosted Wizard applies, says so with the backup's name and sends the face home") {
    Started s;
    quellar::testing::ScratchProgramFolder program("optimize");
    quellar::testing::MessageLog messages;
    s.main.facePlayer().clickAt(100, 114);  // "Wizard Mode" in the side bar
    const int wizardItem = faceButton(s.main, "IDC_FS_wizardMode");
    CHECK(s.main.facePlayer().state().isSelected(wizardItem));
    auto& wizard = static_cast<features::WizardModeWindow&>(s.main.feature(kWizardMode));
    REQUIRE(IsWindowVisible(wizard.hwnd()));
    CHECK(isAbove(s.main.childArea(), s.main.facePlayer().hwnd()));
    CHECK(s.main.facePlayer().state().panel() != "home");
    SendMessageA(wizard.binder().handleOf(wizard.form().get("optMode", 4)), BM_CLICK, 0, 0);
    HWND optimize = wizard.binder().handleOf(wizard.form()["cmdOptimize"]);
    SendMessageA(optimize, BM_CLICK, 0, 0);
    quellar::testing::pumpMessages();
    CHECK(isAbove(s.main.facePlayer().hwnd(), s.main.childArea()));
    CHECK(s.main.facePlayer().state().panel() == "home");
    CHECK_FALSE(s.main.facePlayer().state().isSelected(wizardItem));
    CHECK(program.backupFiles() == std::vector<std::string>{"001.BCK"});
    // The window stays loaded with its selection, behind the face.
    CHECK(wizard.isLoaded());
    CHECK(wizard.wizard().selectedMode() == 4);

    // The program's own notice, not a box, says what happened.
    CHECK(messages.entries.empty());
    ui::Balloon& notice = ui::balloon();
    REQUIRE(notice.isOpen());
    CHECK(notice.panel() == ui::Panel::Notice);
    CHECK(win::windowText(notice.control(ui::kIdTitle)) == "TCP/IP settings applied");
    CHECK(win::windowText(notice.control(ui::kIdMessage)) ==
          "Applied: Automatic-E.\r\nThe values from before are kept in the backup 001.BCK.\r\n"
          "Restart Windows for the TCP/IP changes to take effect.");
    notice.unload();

    // Writes that fail keep their error box, and nothing claims success.
    const char* key = isNtFamily(winVersion) ? tuning::keys::kTcpipParameters : tuning::keys::kMstcp;
    HKEY created = nullptr;
    REQUIRE(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &created,
                            nullptr) == ERROR_SUCCESS);
    RegCloseKey(created);
    REQUIRE(quellar::testing::makeReadOnly(HKEY_LOCAL_MACHINE, key));
    s.main.onFaceCommand("IDC_FS_wizardMode");
    SendMessageA(optimize, BM_CLICK, 0, 0);
    quellar::testing::pumpMessages();
    REQUIRE(messages.entries.size() == 1);
    CHECK(messages.entries[0].text.find("could not be written") != std::string::npos);
    CHECK_FALSE(notice.isOpen());
}

TEST_CASE("Drag hands the window to the system's move as a caption drag") {
    Started s;
    g_captionPresses.clear();
    g_mainProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
        s.main.hwnd(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&recordCaptionPress)));
    s.main.onFaceCommand("Drag");
    SetWindowLongPtrA(s.main.hwnd(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_mainProc));
    REQUIRE(g_captionPresses.size() == 1);
    CHECK(g_captionPresses[0].first == HTCAPTION);
    CHECK(g_captionPresses[0].second == 0);
}

TEST_CASE("screenshot: the main window, and the Main settings window hosted in it") {
    std::string folder = quellar::testing::screenshotFolder();
    if (folder.empty()) return;
    Started s;
    quellar::testing::waitForStillScreen(s.main.hwnd());
    quellar::testing::saveScreenshot(s.main.hwnd(), folder + "\\main-window.bmp");
    quellar::testing::clickFaceButton(s.main.facePlayer(), "IDC_FS_about");
    quellar::testing::waitForStillScreen(s.main.hwnd());
    quellar::testing::saveScreenshot(s.main.hwnd(), folder + "\\main-face-about.bmp");
    quellar::testing::clickFaceButton(s.main.facePlayer(), "IDC_FS_closeAbout");
    quellar::testing::clickFaceButton(s.main.facePlayer(), "IDC_FS_settings");
    quellar::testing::waitForStillScreen(s.main.hwnd());
    quellar::testing::saveScreenshot(s.main.hwnd(), folder + "\\main-settings.bmp");

    quellar::testing::ScratchProgramFolder program("shots");
    quellar::testing::MessageLog messages;
    quellar::testing::clickFaceButton(s.main.facePlayer(), "IDC_FS_wizardMode");
    auto& wizard = static_cast<features::WizardModeWindow&>(s.main.feature(kWizardMode));
    SendMessageA(wizard.binder().handleOf(wizard.form().get("optMode", 4)), BM_CLICK, 0, 0);
    quellar::testing::waitForStillScreen(s.main.hwnd());
    quellar::testing::saveScreenshot(s.main.hwnd(), folder + "\\main-wizard.bmp");
    SendMessageA(wizard.binder().handleOf(wizard.form().get("optMode", 7)), BM_CLICK, 0, 0);
    quellar::testing::waitForStillScreen(s.main.hwnd());
    quellar::testing::saveScreenshot(s.main.hwnd(), folder + "\\main-wizard-defaults.bmp");
    SendMessageA(wizard.binder().handleOf(wizard.form().get("optMode", 4)), BM_CLICK, 0, 0);
    SendMessageA(wizard.binder().handleOf(wizard.form()["cmdOptimize"]), BM_CLICK, 0, 0);
    quellar::testing::waitForStillScreen(s.main.hwnd());
    quellar::testing::saveScreenshot(s.main.hwnd(), folder + "\\main-after-optimize.bmp");
}

TEST_CASE("screenshot: the face's keyboard focus, the notice after an apply, the tray icon's menu") {
    std::string folder = quellar::testing::screenshotFolder();
    if (folder.empty()) return;
    Started s;
    quellar::testing::ScratchProgramFolder program("shots-everyday");
    quellar::testing::MessageLog messages;
    const int wizardItem = faceButton(s.main, "IDC_FS_wizardMode");
    for (int i = 0; i < 40 && s.main.facePlayer().state().focused() != wizardItem; ++i)
        quellar::testing::pressKey(VK_TAB);
    quellar::testing::waitForStillScreen(s.main.hwnd());
    quellar::testing::saveScreenshot(s.main.hwnd(), folder + "\\face-keyboard-focus.bmp");

    quellar::testing::pressKey(VK_RETURN);
    auto& wizard = static_cast<features::WizardModeWindow&>(s.main.feature(kWizardMode));
    SendMessageA(wizard.binder().handleOf(wizard.form().get("optMode", 4)), BM_CLICK, 0, 0);
    SendMessageA(wizard.binder().handleOf(wizard.form()["cmdOptimize"]), BM_CLICK, 0, 0);
    quellar::testing::pumpUntil([] { return ui::balloon().isOpen(); }, 3000);
    RECT shot, notice;
    GetWindowRect(s.main.hwnd(), &shot);
    GetWindowRect(ui::balloon().hwnd(), &notice);
    UnionRect(&shot, &shot, &notice);
    quellar::testing::waitForStillScreen(shot);
    quellar::testing::saveScreenRect(shot, folder + "\\applied-notice.bmp");
    ui::balloon().unload();

    s.main.onFaceCommand("IDC_FS_tray");
    quellar::testing::settle();
    SetCursorPos(30, 40);  // by the icon in the tray window at the top left
    rightClickTrayMenu(s, {VK_ESCAPE}, [&](HWND menu) {
        RECT r;
        GetWindowRect(menu, &r);
        RECT around{0, 0, r.right + 60, r.bottom + 40};
        quellar::testing::saveScreenRect(around, folder + "\\tray-menu.bmp");
    });
}

