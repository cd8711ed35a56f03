// The face's commands, the panel under the face and the tray clicks, driven
// on a started main window; every outside effect is recorded, none happens.
#include <doctest/doctest.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/effects.h"
#include "core/timers.h"
#include "support/faceclick_win.h"
#include "support/regsandbox_win.h"
#include "app/commands.h"
#include "features/mainsettings/mainsettings_win.h"
#include "features/netpinger/netpingersettings_win.h"
#include "features/ramconfig/ramconfigwindow_win.h"
#include "features/systemstatus/systemstatuswindow_win.h"
#include "app/mainwindow_win.h"
#include "features/wizard/wizardmode_win.h"
#include "core/osversion.h"
#include "ui/balloon/balloon_win.h"
#include "support/process_win.h"
#include "support/pump_win.h"
#include "support/screenshot_win.h"

using namespace quellar;
using namespace quellar::app;
using namespace quellar::features;
using namespace quellar::ui;
using quellar::testing::RegistrySandbox;

namespace {

using Log = std::vector<std::string>;

// A feature window that notes its loads and unloads in a shared log.
template <typename Base>
class Recording : public Base {
public:
    template <typename... Args>
    explicit Recording(Log& log, Args&&... args) : Base(std::forward<Args>(args)...), log_(log) {}

protected:
    void onLoad() override {
        Base::onLoad();
        log_.push_back("load " + this->name());
    }
    void onUnload() override {
        log_.push_back("unload " + this->name());
        Base::onUnload();
    }
    Log& log_;
};

// The two windows the main window calls on beyond loading and hosting, as
// their bases: a frame alone, designed 443 pixels wide as every feature
// window (the child area, 440 wide, clips the last few pixels).
constexpr PixelRect kOuterFrame{6, 4, 428, 238};
const std::vector<ControlDecl> kAdvancedFrame = {{ControlKind::Frame, "frameNormalMode", "Normal Mode", kOuterFrame}};
const std::vector<ControlDecl> kBackupFrame = {{ControlKind::Frame, "frameBackUp", "Backup", kOuterFrame}};

class RecordingAdvancedMode : public Recording<AdvancedWindowBase> {
public:
    using Recording::Recording;
    std::vector<int> pagesAtLoad;

protected:
    void onLoad() override {
        pagesAtLoad.push_back(startPage_);
        Recording::onLoad();
    }
};

class RecordingBackupManager : public Recording<BackupWindowBase> {
public:
    using Recording::Recording;
    int lists = 0;
    bool loadedAtList = false;
    bool shownAtList = false;

    void rebuildList() override {
        ++lists;
        loadedAtList = isLoaded();
        shownAtList = isLoaded() && (GetWindowLongPtrA(hwnd(), GWL_STYLE) & WS_VISIBLE);
    }
};

struct Exit {
    unsigned flags;
    unsigned long reserved;
};

struct Box {
    std::uintptr_t owner;
    std::string text, caption;
    unsigned flags;
};

struct Started {
    RegistrySandbox sandbox;
    EffectsOverride effectsScope;
    // The recorders outlive the main window: its end still removes the icon.
    Log log;
    int ended = 0;
    std::vector<DWORD> trayCalls;
    std::vector<ProgramStart> starts;
    std::vector<ShellOpen> opens;
    std::vector<Exit> exits;
    std::vector<Box> boxes;
    int exitResult = 1;
    std::int16_t savedVersion = winVersion;
    MainWindow main;
    RecordingAdvancedMode* advanced = nullptr;
    RecordingBackupManager* backup = nullptr;

    Started() {
        Effects& e = effects();
        e.programFolder = [] { return std::string("C:\\Quellar"); };
        e.startProgram = [this](const ProgramStart& start) -> std::uintptr_t {
            starts.push_back(start);
            return 77;
        };
        e.shellOpen = [this](const ShellOpen& open) -> std::uintptr_t {
            opens.push_back(open);
            return 42;
        };
        e.exitWindows = [this](unsigned flags, unsigned long reserved) {
            exits.push_back({flags, reserved});
            return exitResult;
        };
        e.messageBox = [this](std::uintptr_t owner, const std::string& text, const std::string& caption,
                              unsigned flags) {
            boxes.push_back({owner, text, caption, flags});
            return IDOK;
        };

        main.setFeature(kWizardMode, std::make_unique<Recording<features::WizardModeWindow>>(log, main));
        auto advancedWindow = std::make_unique<RecordingAdvancedMode>(
            log, main, "frmNormalMode", "Advanced Mode", PixelRect{0, 0, 443, 257}, kAdvancedFrame);
        advanced = advancedWindow.get();
        main.setFeature(kAdvancedMode, std::move(advancedWindow));
        auto backupWindow = std::make_unique<RecordingBackupManager>(log, main, "frmBackUp", "Backup",
                                                                     PixelRect{0, 0, 443, 250}, kBackupFrame);
        backup = backupWindow.get();
        main.setFeature(kBackupManager, std::move(backupWindow));
        main.setFeature(kNetPingerSettings, std::make_unique<Recording<features::NetPingerSettingsWindow>>(log, main));
        main.setFeature(kSystemStatus, std::make_unique<Recording<features::SystemStatusWindow>>(
                                           log, main, [] { return false; }, [](const std::string&) {}));
        main.setFeature(kRamConfiguration, std::make_unique<Recording<features::RamConfigurationWindow>>(
                                               log, main, [] { return std::shared_ptr<monitor::ProcessorMeter>(); }));
        main.setFeature(kMainSettings, std::make_unique<Recording<MainSettingsWindow>>(log, main));

        main.endProcess = [this] { ++ended; };
        main.tray().notify = [this](DWORD message, NOTIFYICONDATAA*) {
            trayCalls.push_back(message);
            return TRUE;
        };
        REQUIRE(main.start());
        quellar::testing::pumpMessages();
        log.clear();
        trayCalls.clear();
    }
    ~Started() {
        winVersion = savedVersion;
        if (ui::balloon().isOpen()) ui::balloon().unload();
    }

    void send(const std::string& command) { main.onFaceCommand(command); }

    bool faceInFront() {
        for (HWND w = GetWindow(main.facePlayer().hwnd(), GW_HWNDNEXT); w; w = GetWindow(w, GW_HWNDNEXT))
            if (w == main.childArea()) return true;
        return false;
    }

    SIZE areaSize() const {
        RECT r;
        GetWindowRect(main.childArea(), &r);
        return {r.right - r.left, r.bottom - r.top};
    }

    bool outsideEffects() const {
        return !starts.empty() || !opens.empty() || !exits.empty() || !boxes.empty() || ended != 0;
    }

    void clearEffects() {
        starts.clear();
        opens.clear();
        exits.clear();
        boxes.clear();
    }
};

const char* const kNames[kFeatureCount] = {
    "frmWizardMode",       "frmNormalMode",   "frmBackUp",      "frmNetPingerSettings",
    "frmSystemStatus",     "frmRamConfiguration", "frmMainSettings",
};

// At most `expected` shows, inside the child area at its top-left corner;
// no feature window is ever a visible top-level window.
void checkHosting(Started& s, int expected) {
    for (int i = 0; i < kFeatureCount; ++i) {
        FeatureWindow& feature = s.main.feature(static_cast<FeatureIndex>(i));
        CAPTURE(feature.name());
        if (!feature.isLoaded()) continue;
        bool shown = (GetWindowLongPtrA(feature.hwnd(), GWL_STYLE) & WS_VISIBLE) != 0;
        CHECK(shown == (i == expected));
        if (!shown) continue;
        CHECK(GetParent(feature.hwnd()) == s.main.childArea());
        CHECK((GetWindowLongPtrA(feature.hwnd(), GWL_STYLE) & WS_CHILD) != 0);
        RECT r;
        GetWindowRect(feature.hwnd(), &r);
        MapWindowPoints(nullptr, s.main.childArea(), reinterpret_cast<POINT*>(&r), 2);
        CHECK(r.left == 0);
        CHECK(r.top == 0);
    }
    if (expected < 0) {
        CHECK_FALSE(s.main.hostedFeature());
    } else {
        CHECK(s.main.hostedFeature() == static_cast<FeatureIndex>(expected));
    }
}

struct Hosting {
    const char* command;
    FeatureIndex feature;
    int width, height;
};

const Hosting kHostingCommands[] = {
    {"IDC_FS_wizardMode", kWizardMode, 440, 250},
    {"IDC_FS_normalMode", kAdvancedMode, 440, 252},
    {"IDC_FS_backupManger", kBackupManager, 440, 246},
    {"IDC_FS_pingSetting", kNetPingerSettings, 440, 244},
    {"IDC_FS_systemSatus", kSystemStatus, 440, 255},
    {"IDC_FS_ramConfig", kRamConfiguration, 440, 240},
    {"IDC_FS_settings", kMainSettings, 440, 245},
};

// Lets the tray's debounce run out at once on the test program's manual clock.
bool waitTrayIdle(Started& s) {
    static_cast<ManualTimers&>(timers()).advance(ui::Tray::kDebounceMilliseconds);
    return !s.main.tray().clickBusy();
}

}  // namespace

TEST_CASE("each hosting command shows its window alone in the child area, sized, over the face") {
    Started s;
    CHECK(s.faceInFront());
    checkHosting(s, -1);
    // Twice round, so every window is also replaced by every other one.
    for (int round = 0; round < 2; ++round) {
        for (const Hosting& h : kHostingCommands) {
            CAPTURE(h.command);
            s.send(h.command);
            checkHosting(s, h.feature);
            CHECK(s.main.feature(h.feature).name() == kNames[h.feature]);
            SIZE size = s.areaSize();
            CHECK(size.cx == h.width);
            CHECK(size.cy == h.height);
            CHECK_FALSE(s.faceInFront());
            RECT area;
            GetWindowRect(s.main.childArea(), &area);
            MapWindowPoints(nullptr, s.main.hwnd(), reinterpret_cast<POINT*>(&area), 2);
            CHECK(area.left == 245);
            CHECK(area.top == 199);
        }
    }
    // The hosting commands touch nothing outside, and only the backup
    // command rebuilds a list.
    CHECK_FALSE(s.outsideEffects());
    CHECK(s.backup->lists == 2);
    CHECK(IsWindowVisible(s.main.hwnd()));
}

TEST_CASE("face to the front: home and hide keep the hosted window, main and system settings hide it") {
    Started s;
    // Home and hide touch no feature window, so start-up's missing Advanced
    // window stays missing; hiding all seven makes it.
    s.send("IDC_FS_home");
    s.send("IDC_FS_hide");
    CHECK_FALSE(s.advanced->isLoaded());
    s.send("IDC_FS_main");
    CHECK(s.advanced->isLoaded());
    s.advanced->unload();
    s.send("IDC_FS_sysSettingClicked");
    CHECK(s.advanced->isLoaded());

    for (const char* command : {"IDC_FS_home", "IDC_FS_hide"}) {
        CAPTURE(command);
        s.send("IDC_FS_pingSetting");
        s.send(command);
        CHECK(s.faceInFront());
        checkHosting(s, kNetPingerSettings);
    }
    for (const char* command : {"IDC_FS_main", "IDC_FS_sysSettingClicked"}) {
        CAPTURE(command);
        s.send("IDC_FS_ramConfig");
        s.send(command);
        CHECK(s.faceInFront());
        checkHosting(s, -1);
    }
    CHECK_FALSE(s.outsideEffects());
}

TEST_CASE("the about card hides the hosted window and closing it brings back what was there") {
    Started s;

    SUBCASE("a window hosted in front") {
        s.send("IDC_FS_systemSatus");
        s.send("IDC_FS_about");
        CHECK(s.faceInFront());
        checkHosting(s, -1);
        CHECK(s.advanced->isLoaded());
        s.send("IDC_FS_closeAbout");
        checkHosting(s, kSystemStatus);
        CHECK_FALSE(s.faceInFront());
        CHECK(s.areaSize().cy == 255);
    }
    SUBCASE("a hosted window behind the face stays behind it") {
        s.send("IDC_FS_settings");
        s.send("IDC_FS_home");
        s.send("IDC_FS_about");
        checkHosting(s, -1);
        s.send("IDC_FS_closeAbout");
        checkHosting(s, kMainSettings);
        CHECK(s.faceInFront());
    }
    SUBCASE("nothing hosted: nothing comes up, not even the windows never hosted") {
        s.send("IDC_FS_about");
        s.send("IDC_FS_closeAbout");
        checkHosting(s, -1);
        CHECK(s.faceInFront());
    }
    SUBCASE("a second about keeps the first return; a later close does nothing") {
        s.send("IDC_FS_pingSetting");
        s.send("IDC_FS_about");
        s.send("IDC_FS_about");
        s.send("IDC_FS_closeAbout");
        checkHosting(s, kNetPingerSettings);
        s.send("IDC_FS_main");
        s.send("IDC_FS_closeAbout");
        checkHosting(s, -1);
    }
    SUBCASE("hosting from the about card replaces the return") {
        s.send("IDC_FS_pingSetting");
        s.send("IDC_FS_about");
        s.send("IDC_FS_wizardMode");
        s.send("IDC_FS_closeAbout");
        checkHosting(s, kWizardMode);
        CHECK_FALSE(s.faceInFront());
    }
    CHECK_FALSE(s.outsideEffects());
}

TEST_CASE("the Advanced mode command starts the window afresh on page 0; the panel button does not") {
    Started s;
    s.send("IDC_FS_normalMode");
    REQUIRE(s.advanced->pagesAtLoad == std::vector<int>{0});
    HWND first = s.advanced->hwnd();

    s.advanced->setStartPage(3);
    s.log.clear();
    SendMessageA(s.main.panelButton("cmdInternetBooster", 2), BM_CLICK, 0, 0);
    CHECK(s.advanced->hwnd() == first);
    CHECK(s.advanced->startPage() == 3);
    CHECK(s.log.empty());
    checkHosting(s, kAdvancedMode);

    s.send("IDC_FS_normalMode");
    CHECK(s.log == Log{"unload frmNormalMode", "load frmNormalMode"});
    CHECK(s.advanced->pagesAtLoad == std::vector<int>{0, 0});
    CHECK(s.advanced->startPage() == 0);
    checkHosting(s, kAdvancedMode);
    CHECK(s.areaSize().cy == 252);
}

TEST_CASE("the backup command rebuilds the list before the window shows; other hosting does not") {
    Started s;
    s.send("IDC_FS_backupManger");
    CHECK(s.backup->lists == 1);
    CHECK(s.backup->loadedAtList);
    CHECK_FALSE(s.backup->shownAtList);
    checkHosting(s, kBackupManager);

    s.send("IDC_FS_backupManger");
    CHECK(s.backup->lists == 2);
    // Even while it is on screen the list is built before it is shown anew.
    CHECK(s.backup->shownAtList);

    // After the window was unloaded the rebuild finds it loaded again.
    s.backup->unload();
    s.send("IDC_FS_backupManger");
    CHECK(s.backup->lists == 3);
    CHECK(s.backup->loadedAtList);
    checkHosting(s, kBackupManager);

    s.send("IDC_FS_wizardMode");
    s.send("IDC_FS_about");
    s.send("IDC_FS_closeAbout");
    CHECK(s.backup->lists == 3);
}

TEST_CASE("applets, help, minimise and tray: the outside effects of the face's commands") {
    Started s;
    const std::string shell = "rundll32.exe shell32.dll,Control_RunDLL ";

    winVersion = 3;
    s.send("IDC_FS_internetProperties");
    s.send("IDC_FS_systemSetting");
    s.send("IDC_FS_modemSetting");
    REQUIRE(s.starts.size() == 3);
    CHECK(s.starts[0].commandLine == shell + "inetcpl.cpl,,0");
    CHECK(s.starts[1].commandLine == shell + "sysdm.cpl,,0");
    CHECK(s.starts[2].commandLine == shell + "modem.cpl");
    for (const ProgramStart& start : s.starts) CHECK(start.showState == 5);

    // The modems applet: telephony from Windows 2000 on, modem.cpl before.
    for (const auto& [version, applet] : {std::pair<int, const char*>{1, "modem.cpl"}, {4, "modem.cpl"},
                                          {5, "modem.cpl"}, {6, "telephon.cpl"}, {7, "telephon.cpl"},
                                          {8, "telephon.cpl"}}) {
        CAPTURE(version);
        winVersion = static_cast<std::int16_t>(version);
        s.starts.clear();
        s.send("IDC_FS_modemSetting");
        REQUIRE(s.starts.size() == 1);
        CHECK(s.starts[0].commandLine == shell + applet);
    }

    // The network applet by family; none before the version is known.
    const std::pair<int, const char*> families[] = {{1, "netcpl.cpl"}, {4, "netcpl.cpl"}, {5, "ncpa.cpl"},
                                                    {7, "ncpa.cpl"},   {8, "ncpa.cpl"},   {0, nullptr},
                                                    {9, nullptr}};
    for (const auto& [version, applet] : families) {
        CAPTURE(version);
        winVersion = static_cast<std::int16_t>(version);
        s.starts.clear();
        s.send("IDC_FS_networkSetting");
        if (!applet) {
            CHECK(s.starts.empty());
            continue;
        }
        REQUIRE(s.starts.size() == 1);
        CHECK(s.starts[0].commandLine == shell + applet);
        CHECK(s.starts[0].showState == 5);
    }

    s.send("IDC_FS_help");
    REQUIRE(s.opens.size() == 1);
    CHECK(s.opens[0].owner == reinterpret_cast<std::uintptr_t>(s.main.hwnd()));
    CHECK(s.opens[0].verb.empty());
    CHECK(s.opens[0].file == "C:\\Quellar\\QLRHelp.chm");
    CHECK(s.opens[0].parameters.empty());
    CHECK(s.opens[0].directory == "C:\\");
    CHECK(s.opens[0].showState == SW_SHOWNORMAL);
    // At a drive root the folder keeps its backslash and gets another.
    effects().programFolder = [] { return std::string("D:\\"); };
    s.send("IDC_FS_help");
    CHECK(s.opens.back().file == "D:\\\\QLRHelp.chm");

    // None of these changes what is hosted.
    checkHosting(s, -1);
    CHECK(s.faceInFront());
    CHECK(s.exits.empty());
    CHECK(s.boxes.empty());

    // An applet or the help file that cannot start: the user is told what.
    effects().startProgram = [](const ProgramStart&) -> std::uintptr_t { return 0; };
    effects().shellOpen = [](const ShellOpen&) -> std::uintptr_t { return 2; };  // SE_ERR_FNF
    winVersion = 7;
    s.send("IDC_FS_modemSetting");
    s.send("IDC_FS_help");
    REQUIRE(s.boxes.size() == 2);
    CHECK(s.boxes[0].text == "Modems Settings could not be opened: Windows did not start \"" + shell +
                                 "telephon.cpl\".");
    CHECK(s.boxes[1].text == "The help file D:\\\\QLRHelp.chm could not be opened: the file is missing.");
    for (const Box& box : s.boxes) {
        CHECK(box.caption == "Quellar");
        CHECK(box.owner == reinterpret_cast<std::uintptr_t>(s.main.hwnd()));
        CHECK(box.flags == static_cast<unsigned>(MB_OK | MB_ICONEXCLAMATION));
    }
    s.boxes.clear();

    s.send("IDC_FS_minimize");
    CHECK(IsIconic(s.main.hwnd()));
    ShowWindow(s.main.hwnd(), SW_RESTORE);
    s.send("IDC_FS_settings");
    s.send("IDC_FS_tray");
    CHECK_FALSE(IsWindowVisible(s.main.hwnd()));
    // Hidden with the main window, still hosted for when it comes back.
    checkHosting(s, kMainSettings);
}

TEST_CASE("close unloads every feature window in its order, removes the icon and ends") {
    Started s;
    s.send("IDC_FS_close");
    CHECK(s.log == Log{"unload frmWizardMode", "load frmNormalMode", "unload frmNormalMode",
                       "unload frmBackUp", "unload frmNetPingerSettings", "unload frmSystemStatus",
                       "unload frmRamConfiguration", "unload frmMainSettings"});
    CHECK(s.trayCalls == std::vector<DWORD>{NIM_DELETE});
    CHECK(s.ended == 1);
    CHECK(s.exits.empty());
}

TEST_CASE("closing the main window unloads every feature window in the unload order, removes the icon and ends") {
    Started s;
    SendMessageA(s.main.hwnd(), WM_CLOSE, 0, 0);
    CHECK(s.log == Log{"unload frmWizardMode", "load frmNormalMode", "unload frmNormalMode",
                       "unload frmBackUp", "unload frmNetPingerSettings", "unload frmRamConfiguration",
                       "unload frmMainSettings", "unload frmSystemStatus"});
    CHECK(s.trayCalls == std::vector<DWORD>{NIM_DELETE});
    CHECK(s.ended == 1);
    CHECK(s.exits.empty());
}

TEST_CASE("restart: the other unload order, the icon removed, a reboot with all reserved bits set") {
    Started s;
    s.send("IDC_FS_normalMode");
    s.log.clear();

    SUBCASE("accepted: the program waits for the system to end it") {
        s.send("IDC_FS_restart");
        CHECK(s.log == Log{"unload frmWizardMode", "unload frmNormalMode", "unload frmBackUp",
                           "unload frmNetPingerSettings", "unload frmRamConfiguration",
                           "unload frmMainSettings", "unload frmSystemStatus"});
        REQUIRE(s.exits.size() == 1);
        CHECK(s.exits[0].flags == static_cast<unsigned>(EWX_REBOOT));
        CHECK(s.exits[0].reserved == 0xFFFFFFFFUL);
        CHECK(s.trayCalls == std::vector<DWORD>{NIM_DELETE});
        CHECK_FALSE(s.main.tray().isShown());
        CHECK(s.ended == 0);
        CHECK(s.boxes.empty());
        for (int i = 0; i < kFeatureCount; ++i)
            CHECK_FALSE(s.main.feature(static_cast<FeatureIndex>(i)).isLoaded());
    }
    SUBCASE("refused: icon and windows come back and the user is told") {
        s.exitResult = 0;
        s.send("IDC_FS_restart");
        REQUIRE(s.exits.size() == 1);
        CHECK(s.trayCalls == std::vector<DWORD>{NIM_DELETE, NIM_ADD});
        CHECK(s.main.tray().isShown());
        CHECK(s.log == Log{"unload frmWizardMode", "unload frmNormalMode", "unload frmBackUp",
                           "unload frmNetPingerSettings", "unload frmRamConfiguration",
                           "unload frmMainSettings", "unload frmSystemStatus",
                           "load frmWizardMode", "load frmBackUp", "load frmNetPingerSettings",
                           "load frmSystemStatus", "load frmRamConfiguration", "load frmMainSettings"});
        checkHosting(s, -1);
        // The face, not the emptied child area, is what the user sees.
        CHECK(s.faceInFront());
        REQUIRE(s.boxes.size() == 1);
        CHECK(s.boxes[0].caption == "Quellar");
        CHECK(s.boxes[0].text.find("did not restart") != std::string::npos);
        CHECK((s.boxes[0].flags & MB_TYPEMASK) == MB_OK);
        CHECK(s.boxes[0].owner == reinterpret_cast<std::uintptr_t>(s.main.hwnd()));
        CHECK(s.ended == 0);
        CHECK(IsWindowVisible(s.main.hwnd()));
        // And everything can be hosted again.
        s.send("IDC_FS_settings");
        checkHosting(s, kMainSettings);
    }
}

TEST_CASE("a command text that is not exactly in the table does nothing at all") {
    Started s;
    s.send("IDC_FS_pingSetting");
    s.send("IDC_FS_home");
    s.clearEffects();
    s.log.clear();
    auto upper = [](std::string t) {
        for (char& c : t) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
        return t;
    };
    auto lower = [](std::string t) {
        for (char& c : t) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
        return t;
    };
    for (const std::string& text : uiCommandTexts()) {
        for (const std::string& miss : {upper(text), lower(text), text + " ", " " + text, text + "\n",
                                        text.substr(0, text.size() - 1)}) {
            if (miss == text) continue;
            CAPTURE(miss);
            s.send(miss);
        }
    }
    s.send("");
    CHECK_FALSE(s.outsideEffects());
    CHECK(s.trayCalls.empty());
    CHECK(s.log.empty());
    CHECK(IsWindowVisible(s.main.hwnd()));
    CHECK_FALSE(IsIconic(s.main.hwnd()));
    CHECK(s.faceInFront());
    checkHosting(s, kNetPingerSettings);
    CHECK(s.areaSize().cy == 244);
}

TEST_CASE("the panel under the face: each button does its action and leaves the area's size") {
    Started s;
    s.send("IDC_FS_settings");  // the area is now 440 x 245
    auto click = [&](const char* name, int index) {
        HWND button = s.main.panelButton(name, index);
        REQUIRE(button);
        SendMessageA(button, BM_CLICK, 0, 0);
    };
    REQUIRE(MainWindow::panelButtonNames().size() == 18);
    for (const PanelButtonName& b : MainWindow::panelButtonNames()) CHECK(s.main.panelButton(b.name, b.index));
    CHECK_FALSE(s.main.panelButton("cmdNetPinger", 2));
    CHECK(win::windowText(s.main.panelButton("cmdSystemSettings", 3)) == "Modems Settings");

    const std::pair<PanelButtonName, FeatureIndex> hosting[] = {
        {{"cmdInternetBooster", 1}, kWizardMode},   {{"cmdInternetBooster", 2}, kAdvancedMode},
        {{"cmdInternetBooster", 3}, kBackupManager},       {{"cmdRamBooster", 1}, kSystemStatus},
        {{"cmdRamBooster", 2}, kRamConfiguration},  {{"cmdNetPinger", 1}, kNetPingerSettings},
        {{"cmdMainSettings", -1}, kMainSettings},
    };
    for (const auto& [button, feature] : hosting) {
        CAPTURE(button.name);
        CAPTURE(button.index);
        click(button.name, button.index);
        checkHosting(s, feature);
        CHECK_FALSE(s.faceInFront());
        SIZE size = s.areaSize();
        CHECK(size.cx == 440);
        CHECK(size.cy == 245);
    }
    CHECK(s.backup->lists == 1);
    CHECK_FALSE(s.outsideEffects());

    click("cmdInternetBooster", 0);
    click("cmdSystemSettings", 0);
    click("cmdRamBooster", 0);
    click("cmdNetPinger", 0);
    REQUIRE(s.boxes.size() == 4);
    CHECK(s.boxes[0].text == "Not handled");
    CHECK(s.boxes[1].text == "Not handled");
    CHECK(s.boxes[2].text == "Not handled yet");
    CHECK(s.boxes[3].text == "Not handled");
    for (const Box& box : s.boxes) {
        CHECK(box.flags == static_cast<unsigned>(MB_OK));
        CHECK(box.caption == "Quellar");
    }

    winVersion = 6;
    for (int i = 1; i <= 4; ++i) click("cmdSystemSettings", i);
    const std::string shell = "rundll32.exe shell32.dll,Control_RunDLL ";
    REQUIRE(s.starts.size() == 4);
    CHECK(s.starts[0].commandLine == shell + "inetcpl.cpl,,0");
    CHECK(s.starts[1].commandLine == shell + "sysdm.cpl,,0");
    CHECK(s.starts[2].commandLine == shell + "telephon.cpl");
    CHECK(s.starts[3].commandLine == shell + "ncpa.cpl");

    s.clearEffects();
    for (const char* idle : {"cmdHomePage", "cmdAbout", "cmdHelp"}) click(idle, -1);
    CHECK_FALSE(s.outsideEffects());
    checkHosting(s, kMainSettings);
    CHECK(s.areaSize().cy == 245);
}

namespace {
// What the screen shows at a point of the main window's client area.
COLORREF screenPixel(HWND main, int x, int y) {
    POINT p{x, y};
    ClientToScreen(main, &p);
    HDC screen = GetDC(nullptr);
    COLORREF c = GetPixel(screen, p.x, p.y);
    ReleaseDC(nullptr, screen);
    return c;
}
}  // namespace

TEST_CASE("what lies under the face stays hidden when it repaints, and the hosted window over it") {
    Started s;
    HWND main = s.main.hwnd();
    SetForegroundWindow(main);
    quellar::testing::waitForStillScreen(main);
    // The panel's first button lies under the face's title strip.
    HWND button = s.main.panelButton("cmdInternetBooster", 0);
    RECT r;
    GetWindowRect(button, &r);
    MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&r), 2);
    int x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
    COLORREF face = screenPixel(main, x, y);
    RedrawWindow(button, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    quellar::testing::pumpMessages();
    CHECK(screenPixel(main, x, y) == face);

    // A hosted window stays whole while the face under it repaints.
    s.send("IDC_FS_settings");
    quellar::testing::waitForStillScreen(main);
    POINT inside{s.main.mainSettings().client().width / 2, 20};
    MapWindowPoints(s.main.mainSettings().hwnd(), main, &inside, 1);
    COLORREF hosted = screenPixel(main, inside.x, inside.y);
    RedrawWindow(s.main.facePlayer().hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    RedrawWindow(s.main.childArea(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    quellar::testing::pumpMessages();
    CHECK(screenPixel(main, inside.x, inside.y) == hosted);
    RedrawWindow(button, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    CHECK(screenPixel(main, x, y) == face);
}

TEST_CASE("tray clicks: left and mouse clicks show the main window, a right click does not") {
    Started s;
    HWND tray = s.main.tray().hwnd();
    s.send("IDC_FS_tray");
    REQUIRE_FALSE(IsWindowVisible(s.main.hwnd()));

    // A right click opens the tray menu; Escape, waiting in the queue,
    // closes it without a choice.
    PostMessageA(s.main.hwnd(), WM_KEYDOWN, VK_ESCAPE, 1);
    PostMessageA(s.main.hwnd(), WM_KEYDOWN, VK_ESCAPE, 1);
    SendMessageA(tray, WM_MOUSEMOVE, 0, WM_RBUTTONDOWN);
    REQUIRE(waitTrayIdle(s));
    CHECK_FALSE(IsWindowVisible(s.main.hwnd()));

    SendMessageA(tray, WM_MOUSEMOVE, 0, WM_LBUTTONDOWN);
    CHECK(IsWindowVisible(s.main.hwnd()));
    REQUIRE(waitTrayIdle(s));

    s.main.tray().setEventMode(1);
    for (UINT press : {WM_RBUTTONDOWN, WM_LBUTTONDOWN}) {
        CAPTURE(press);
        ShowWindow(s.main.hwnd(), SW_HIDE);
        SendMessageA(tray, WM_MOUSEMOVE, 0, press);
        CHECK(IsWindowVisible(s.main.hwnd()));
        REQUIRE(waitTrayIdle(s));
    }
}

TEST_CASE("clicks on the built-in face reach the commands") {
    Started s;
    REQUIRE(s.main.facePlayer().usingBuiltInFace());
    FacePlayer& face = s.main.facePlayer();

    face.clickAt(100, 515);  // side bar: Main Settings
    checkHosting(s, kMainSettings);
    CHECK(s.areaSize().cy == 245);
    face.clickAt(100, 471);  // side bar: Ping Settings
    checkHosting(s, kNetPingerSettings);

    face.clickAt(558, 16);   // title strip: About
    checkHosting(s, -1);
    CHECK(face.state().panel() == "about");
    face.clickAt(617, 467);  // the card's OK
    checkHosting(s, kNetPingerSettings);
    CHECK(face.state().panel() == "work");

    face.clickAt(504, 16);   // title strip: Help
    REQUIRE(s.opens.size() == 1);
    CHECK(s.opens[0].file == "C:\\Quellar\\QLRHelp.chm");

    face.clickAt(100, 57);   // side bar: Home
    CHECK(s.faceInFront());
    face.clickAt(100, 225);  // side bar: Internet Properties
    REQUIRE(s.starts.size() == 1);
    CHECK(s.starts[0].commandLine == "rundll32.exe shell32.dll,Control_RunDLL inetcpl.cpl,,0");
}

namespace {
// Set for a copy of this test program started by the case below: the file
// the copy writes the network applet's command line to.
const char* const kAppletProbeVariable = "QUELLAR_APPLET_PROBE";
const char* const kAppletProbeCase = "network applet probe";
}  // namespace

TEST_CASE("network applet probe") {
    const char* out = std::getenv(kAppletProbeVariable);
    if (!out) return;
    Started s;
    s.send("IDC_FS_networkSetting");
    std::ofstream file(out);
    file << winVersion << "\n" << (s.starts.empty() ? "" : s.starts[0].commandLine) << "\n";
}

TEST_CASE("the network applet under the Windows version Wine reports to the program") {
    if (std::getenv(kAppletProbeVariable)) return;
    const std::string folder = quellar::testing::testProgramFolder();
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    const std::string own(path);
    const std::string exe = own.substr(own.find_last_of('\\') + 1);
    struct Mode {
        const char* mode;
        int version;
        const char* applet;
    };
    const Mode modes[] = {{"win98", 3, "netcpl.cpl"}, {"winxp", 7, "ncpa.cpl"}, {"win7", 8, "ncpa.cpl"}};
    for (const Mode& m : modes) {
        CAPTURE(m.mode);
        const std::string result = folder + "\\applet-probe.txt";
        DeleteFileA(result.c_str());
        quellar::testing::setWineVersionFor(exe, m.mode);
        SetEnvironmentVariableA(kAppletProbeVariable, result.c_str());
        DWORD exit;
        {
            quellar::testing::ChildProcess child(
                folder + "\\" + exe + " --no-intro --no-version -tc=\"" + kAppletProbeCase + "\"", folder);
            REQUIRE(child.started());
            exit = child.waitExit(60000);
        }
        SetEnvironmentVariableA(kAppletProbeVariable, nullptr);
        quellar::testing::setWineVersionFor(exe, "");
        CHECK(exit == 0);
        std::ifstream file(result);
        int version = 0;
        std::string line, commandLine;
        file >> version;
        std::getline(file, line);
        std::getline(file, commandLine);
        CHECK(version == m.version);
        CHECK(commandLine == std::string("rundll32.exe shell32.dll,Control_RunDLL ") + m.applet);
        file.close();
        DeleteFileA(result.c_str());
    }
}

TEST_CASE("screenshot: a feature window hosted from the face, and the face back home") {
    std::string folder = quellar::testing::screenshotFolder();
    if (folder.empty()) return;
    Started s;
    quellar::testing::clickFaceButton(s.main.facePlayer(), "IDC_FS_pingSetting");
    quellar::testing::waitForStillScreen(s.main.hwnd());
    quellar::testing::saveScreenshot(s.main.hwnd(), folder + "\\dispatch-hosted.bmp");
    // What a feature window does when it has finished.
    SetWindowPos(s.main.facePlayer().hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    s.main.facePlayer().setVariable("_root.home", "true");
    quellar::testing::waitForStillScreen(s.main.hwnd());
    quellar::testing::saveScreenshot(s.main.hwnd(), folder + "\\dispatch-home.bmp");
}

