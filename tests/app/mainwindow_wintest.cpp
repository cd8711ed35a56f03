#include <doctest/doctest.h>

#include <vector>

#include "ui/balloon/balloon_win.h"
#include "support/regsandbox_win.h"
#include "features/mainsettings/mainsettings_win.h"
#include "app/mainwindow_win.h"
#include "core/osversion.h"
#include "support/pump_win.h"
#include "support/screenshot_win.h"
#include "support/tuningsandbox_win.h"
#include "features/wizard/wizardmode_win.h"

using namespace quellar;
using namespace quellar::shell;
using quellar::testing::RegistrySandbox;

namespace {

struct Started {
    RegistrySandbox sandbox;
    // The recorders outlive the main window: its end still removes the icon.
    int ended = 0;
    std::vector<DWORD> trayCalls;
    MainWindow main;

    explicit Started(bool startInTray = false) {
        if (startInTray) {
            HKEY key;
            RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\BRD\\Quellar\\Settings\\MainSettings", 0,
                            nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
            RegSetValueExA(key, "chkRunProgramMini", 0, REG_SZ, reinterpret_cast<const BYTE*>("1"), 2);
            RegCloseKey(key);
        }
        main.endProcess = [this] { ++ended; };
        main.tray().notify = [this](DWORD message, NOTIFYICONDATAA*) {
            trayCalls.push_back(message);
            return TRUE;
        };
        REQUIRE(main.start());
        quellar::testing::pumpMessages();
    }
    ~Started() {
        if (msgbox::msgFrm().isOpen()) msgbox::msgFrm().unload();
    }
};

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

// Stands in for an old player window to show the right-click guard at work.
std::vector<UINT> g_playerMessages;
LRESULT CALLBACK playerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NULL || msg == WM_RBUTTONDOWN || msg == WM_LBUTTONDOWN) g_playerMessages.push_back(msg);
    return DefWindowProcA(hwnd, msg, wParam, lParam);
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

    RECT face = childRect(main, s.main.flash().hwnd());
    CHECK(face.left == 0);
    CHECK(face.top == 0);
    CHECK(face.right == 724);
    CHECK(face.bottom == 540);
    RECT area = childRect(main, s.main.childArea());
    CHECK(area.left == 245);
    CHECK(area.top == 199);
    CHECK(area.right - area.left == 440);
    CHECK(area.bottom - area.top == 332);
    CHECK(GetWindow(main, GW_CHILD) == s.main.flash().hwnd());
    CHECK(isAbove(s.main.flash().hwnd(), s.main.childArea()));
    CHECK(s.main.flash().state().variable("_root.version") == "1.0.0.1");
    CHECK(s.main.skin().elementOf(s.main.childArea()) == "NoFrame");

    CHECK(winVersion >= 1);
    CHECK(winVersionName == winVersionNameOf(winVersion));
    CHECK(s.main.flash().state().variable("_root.windows") == winVersionName);

    CHECK(s.trayCalls == std::vector<DWORD>{NIM_ADD});
    CHECK(s.main.tray().IsVisible());

    for (int i = 0; i < kFeatureCount; ++i) {
        FeatureWindow& feature = s.main.feature(static_cast<FeatureIndex>(i));
        CAPTURE(feature.name());
        if (i == kNormalMode) {
            CHECK_FALSE(feature.isLoaded());
            continue;
        }
        REQUIRE(feature.isLoaded());
        CHECK_FALSE(IsWindowVisible(feature.hwnd()));
        CHECK(s.main.skin().elementOf(feature.hwnd()) == "controlForm");
    }
    MainSettingsWindow& settings = s.main.mainSettings();
    CHECK(s.main.skin().elementOf(settings.binder().handleOf(settings.form()["cmdSave"])) == "Button");
    CHECK(s.main.skin().elementOf(settings.binder().handleOf(settings.form()["chkRunProgramMini"])) ==
          "CheckBox");
    CHECK_FALSE(settings.settings().Changed());
    CHECK_FALSE(msgbox::msgFrm().isOpen());
}

TEST_CASE("started in the tray: the main window stays hidden and the notice shows") {
    Started s(true);
    CHECK_FALSE(IsWindowVisible(s.main.hwnd()));
    if (isNtFamily(winVersion)) {
        CHECK(s.trayCalls == std::vector<DWORD>{NIM_ADD, NIM_MODIFY});
    } else {
        REQUIRE(msgbox::msgFrm().isOpen());
        CHECK(IsWindowVisible(msgbox::msgFrm().hwnd()));
        CHECK_FALSE(msgbox::msgFrm().pointerShown());
    }
    // A click on the tray icon brings the window back.
    SendMessageA(s.main.tray().hwnd(), WM_MOUSEMOVE, 0, WM_LBUTTONDOWN);
    CHECK(IsWindowVisible(s.main.hwnd()));
}

TEST_CASE("the face's window commands") {
    Started s;
    HWND main = s.main.hwnd();

    s.main.onFSCommand("IDC_FS_settings", "");
    MainSettingsWindow& settings = s.main.mainSettings();
    CHECK(GetParent(settings.hwnd()) == s.main.childArea());
    CHECK(IsWindowVisible(settings.hwnd()));
    RECT area = childRect(main, s.main.childArea());
    CHECK(area.right - area.left == 440);
    CHECK(area.bottom - area.top == 245);
    CHECK(isAbove(s.main.childArea(), s.main.flash().hwnd()));

    s.main.onFSCommand("IDC_FS_home", "");
    CHECK(isAbove(s.main.flash().hwnd(), s.main.childArea()));
    s.main.onFSCommand("IDC_FS_settings", "");
    s.main.onFSCommand("IDC_FS_hide", "");
    CHECK(isAbove(s.main.flash().hwnd(), s.main.childArea()));

    s.main.onFSCommand("IDC_FS_minimize", "");
    CHECK(IsIconic(main));
    ShowWindow(main, SW_RESTORE);

    s.main.onFSCommand("IDC_FS_tray", "");
    CHECK_FALSE(IsWindowVisible(main));
    if (!isNtFamily(winVersion)) CHECK(msgbox::msgFrm().isOpen());
    s.main.showMainWindow();
    CHECK(IsWindowVisible(main));

    // Near misses do nothing at all.
    for (const char* text : {"IDC_FS_Close", "idc_fs_close", "IDC_FS_close ", " IDC_FS_close", "close"})
        s.main.onFSCommand(text, "");
    CHECK(s.ended == 0);
    CHECK(s.main.mainSettings().isLoaded());

    s.main.onFSCommand("IDC_FS_close", "");
    CHECK(s.ended == 1);
    CHECK(s.trayCalls.back() == static_cast<DWORD>(NIM_DELETE));
    CHECK_FALSE(s.main.tray().IsVisible());
    for (int i = 0; i < kFeatureCount; ++i) CHECK_FALSE(s.main.feature(static_cast<FeatureIndex>(i)).isLoaded());
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

TEST_CASE("Optimize in the hosted Wizard applies and sends the face home, in front") {
    Started s;
    quellar::testing::ScratchProgramFolder program("optimize");
    quellar::testing::MessageLog messages;
    s.main.flash().clickAt(100, 114);  // "Wizard Mode" in the side bar
    auto& wizard = static_cast<tuning::WizardModeWindow&>(s.main.feature(kWizardMode));
    REQUIRE(IsWindowVisible(wizard.hwnd()));
    CHECK(isAbove(s.main.childArea(), s.main.flash().hwnd()));
    CHECK(s.main.flash().state().panel() != "home");
    SendMessageA(wizard.binder().handleOf(wizard.form()["cmdOptimize"]), BM_CLICK, 0, 0);
    CHECK(isAbove(s.main.flash().hwnd(), s.main.childArea()));
    CHECK(s.main.flash().state().panel() == "home");
    CHECK(program.backupFiles() == std::vector<std::string>{"001.BCK"});
    // The window stays loaded with its selection, behind the face.
    CHECK(wizard.isLoaded());
    CHECK(wizard.wizard().selectedMode() == 0);
}

TEST_CASE("Drag hands the window to the system's move as a caption drag") {
    Started s;
    g_captionPresses.clear();
    g_mainProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
        s.main.hwnd(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&recordCaptionPress)));
    s.main.onFSCommand("Drag", "");
    SetWindowLongPtrA(s.main.hwnd(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_mainProc));
    REQUIRE(g_captionPresses.size() == 1);
    CHECK(g_captionPresses[0].first == HTCAPTION);
    CHECK(g_captionPresses[0].second == 0);
}

TEST_CASE("the right-click guard drops right presses for a player window of the old class") {
    Started s;
    WNDCLASSA wc{};
    wc.lpfnWndProc = playerProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "MacromediaFlashPlayerActiveX";
    RegisterClassA(&wc);
    HWND player = CreateWindowExA(0, wc.lpszClassName, "", WS_CHILD, 0, 0, 10, 10, s.main.hwnd(),
                                  nullptr, wc.hInstance, nullptr);
    REQUIRE(player);
    s.main.hookFlashWindow();
    g_playerMessages.clear();
    SendMessageA(player, WM_RBUTTONDOWN, 0, 0);
    SendMessageA(player, WM_LBUTTONDOWN, 0, 0);
    CHECK(g_playerMessages == std::vector<UINT>{WM_NULL, WM_LBUTTONDOWN});
    SubclassWindow(player, false);
    DestroyWindow(player);
}

TEST_CASE("screenshot: the main window, and the Main settings window hosted in it") {
    std::string folder = quellar::testing::screenshotFolder();
    if (folder.empty()) return;
    Started s;
    quellar::testing::pumpFor(500);
    quellar::testing::saveScreenshot(s.main.hwnd(), folder + "\\main-window.bmp");
    s.main.onFSCommand("IDC_FS_settings", "");
    quellar::testing::pumpFor(500);
    quellar::testing::saveScreenshot(s.main.hwnd(), folder + "\\main-settings.bmp");

    quellar::testing::ScratchProgramFolder program("shots");
    quellar::testing::MessageLog messages;
    s.main.onFSCommand("IDC_FS_wizardMode", "");
    auto& wizard = static_cast<tuning::WizardModeWindow&>(s.main.feature(kWizardMode));
    SendMessageA(wizard.binder().handleOf(wizard.form().get("optMode", 4)), BM_CLICK, 0, 0);
    quellar::testing::pumpFor(500);
    quellar::testing::saveScreenshot(s.main.hwnd(), folder + "\\main-wizard.bmp");
    SendMessageA(wizard.binder().handleOf(wizard.form().get("optMode", 7)), BM_CLICK, 0, 0);
    quellar::testing::pumpFor(500);
    quellar::testing::saveScreenshot(s.main.hwnd(), folder + "\\main-wizard-defaults.bmp");
    SendMessageA(wizard.binder().handleOf(wizard.form().get("optMode", 4)), BM_CLICK, 0, 0);
    SendMessageA(wizard.binder().handleOf(wizard.form()["cmdOptimize"]), BM_CLICK, 0, 0);
    quellar::testing::pumpFor(500);
    quellar::testing::saveScreenshot(s.main.hwnd(), folder + "\\main-after-optimize.bmp");
}
