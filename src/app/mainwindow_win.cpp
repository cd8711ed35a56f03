#include "app/mainwindow_win.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "core/effects.h"
#include "core/versioninfo.h"
#include "res/resource.h"
#include "win/dpi_win.h"
#include "win/files_win.h"
#include "app/addons.h"
#include "app/addons_win.h"
#include "app/commands.h"
#include "app/startupclock_win.h"
#include "features/mainsettings/mainsettings_win.h"
#include "core/osversion.h"
#include "win/osversion_win.h"
#include "ui/skin/skinpass_win.h"
#include "tuning/presets.h"
#include "features/advanced/advancedmode_win.h"
#include "features/backup/backupmanager_win.h"
#include "features/netpinger/netpingersettings_win.h"
#include "features/wizard/wizardmode_win.h"
#include "features/ramconfig/ramconfigwindow_win.h"
#include "features/systemstatus/systemstatuswindow_win.h"

namespace quellar::shell {

const char* const kMainWindowClass = "QuellarMain";
const char* const kMainCaption = "Quellar";
const char* const kFaceFileName = "speed up.swf";
const char* const kSkinFileName = "RQLRMask.skn";
const char* const kTrayNotice = "The Program Still Running Here";
const char* const kDamagedLookTitle = "Quellar";
const char* const kTrayNoticeCaption = "Program notification";
const char* const kHelpFileName = "QLRHelp.chm";
const char* const kHelpFolder = "C:\\";
const char* const kRestartRefused = "Windows did not restart. Quellar keeps running.";

// The help's page of each feature window, in their order.
const char* const kHelpPages[kFeatureCount] = {
    "wizard.html",         "advanced.html",          "backup-manager.html", "net-pinger.html",
    "system-status.html",  "ram-configuration.html", "main-settings.html",
};
// The help viewer that opens a page of a compiled help file.
const char* const kHelpViewer = "hh.exe";

ChildAreaSize hostingSize(FeatureIndex index) {
    // Each a little smaller than its window, which the area then clips.
    static const ChildAreaSize sizes[kFeatureCount] = {
        {440, 250},  // frmWizardMode
        {440, 252},  // frmNormalMode
        {440, 246},  // frmBackUp
        {440, 244},  // frmNetPingerSettings
        {440, 255},  // frmSystemStatus
        {440, 240},  // frmRamConfiguration
        {440, 245},  // frmMainSettings
    };
    return sizes[index];
}

namespace {

const char* const kChildAreaClass = "QuellarChildArea";
const char* const kPlayerClassToken = "macromediaflashplayer";
constexpr int kNoticeSeconds = 5;
constexpr long kNoticeFlags = 64;  // MB_ICONINFORMATION
constexpr COLORREF kNoticeColour = RGB(242, 248, 200);
constexpr int kNoticeRightInset = 40;
// Long enough to read the three lines after an apply.
constexpr int kAppliedNoticeSeconds = 10;
constexpr UINT kShowNoticeMessage = WM_APP + 1;
// Posted at the end of start-up: what can wait until the window is on
// screen.
constexpr UINT kAfterStartMessage = WM_APP + 2;
constexpr UINT_PTR kDamagedLookTimer = 0x51A;
constexpr UINT kDamagedLookDelayMs = 700;
const char* const kTrayMenuOpenCaption = "Open Quellar";
const char* const kTrayMenuExitCaption = "Exit";

// The player window's procedure before the right-click guard was put in.
WNDPROC g_flashPreviousProc = nullptr;

LRESULT CALLBACK childAreaProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

void registerChildAreaClass() {
    WNDCLASSA wc{};
    if (GetClassInfoA(win::moduleInstance(), kChildAreaClass, &wc)) return;
    wc.lpfnWndProc = childAreaProc;
    wc.hInstance = win::moduleInstance();
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kChildAreaClass;
    RegisterClassA(&wc);
}

std::string joinProgramFolder(const char* file) {
    // Joined as written, without normalising: at a drive root the folder
    // already ends in a backslash and the result has two.
    return effects().programFolder() + "\\" + file;
}

FileVersion ownFileVersion() {
    const std::string_view bytes = win::resourceBytes(MAKEINTRESOURCEA(VS_VERSION_INFO), RT_VERSION);
    if (bytes.empty()) return {};
    auto version = parseFixedFileVersion(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    return version.value_or(FileVersion{});
}

enum class PanelAction {
    NotHandled,      // a plain message box
    Host,            // showChildForm
    HostBackUp,      // rebuild the backup list, then showChildForm
    InternetProperties,
    SystemProperties,
    ModemSettings,
    NetworkSettings,
    Nothing,
};

struct PanelButton {
    const char* name;
    int index;
    const char* caption;
    PanelAction action;
    FeatureIndex feature;   // for the hosting actions
    const char* message;    // for NotHandled
};

// The older command panel that lies under the face. Its clicks do what the
// face's commands do, except that the child area keeps its size.
const PanelButton kPanelButtons[] = {
    {"cmdInternetBooster", 0, "Quellar", PanelAction::NotHandled, kFeatureCount, "Not handled"},
    {"cmdInternetBooster", 1, "Wizard Mode", PanelAction::Host, kWizardMode, nullptr},
    {"cmdInternetBooster", 2, "Advanced Mode", PanelAction::Host, kNormalMode, nullptr},
    {"cmdInternetBooster", 3, "Backup", PanelAction::HostBackUp, kBackUp, nullptr},
    {"cmdSystemSettings", 0, "System Settings", PanelAction::NotHandled, kFeatureCount, "Not handled"},
    {"cmdSystemSettings", 1, "Internet Properties", PanelAction::InternetProperties, kFeatureCount, nullptr},
    {"cmdSystemSettings", 2, "System Properties", PanelAction::SystemProperties, kFeatureCount, nullptr},
    {"cmdSystemSettings", 3, "Modems Settings", PanelAction::ModemSettings, kFeatureCount, nullptr},
    {"cmdSystemSettings", 4, "Network Settings", PanelAction::NetworkSettings, kFeatureCount, nullptr},
    {"cmdRamBooster", 0, "Ram Booster", PanelAction::NotHandled, kFeatureCount, "Not handled yet"},
    {"cmdRamBooster", 1, "System Status", PanelAction::Host, kSystemStatus, nullptr},
    {"cmdRamBooster", 2, "Ram Configuration", PanelAction::Host, kRamConfiguration, nullptr},
    {"cmdNetPinger", 0, "Net Pinger", PanelAction::NotHandled, kFeatureCount, "Not handled"},
    {"cmdNetPinger", 1, "Ping Settings", PanelAction::Host, kNetPingerSettings, nullptr},
    {"cmdMainSettings", -1, "Main Settings", PanelAction::Host, kMainSettings, nullptr},
    {"cmdHomePage", -1, "Home Page", PanelAction::Nothing, kFeatureCount, nullptr},
    {"cmdAbout", -1, "About", PanelAction::Nothing, kFeatureCount, nullptr},
    {"cmdHelp", -1, "Help", PanelAction::Nothing, kFeatureCount, nullptr},
};
constexpr std::size_t kPanelButtonCount = sizeof kPanelButtons / sizeof kPanelButtons[0];
constexpr int kPanelButtonWidth = 120;
constexpr int kPanelButtonHeight = 24;
constexpr int kPanelButtonPitch = 26;
constexpr int kPanelMargin = 4;
constexpr int kFirstPanelButtonId = 500;

// The windows start-up makes; frmNormalMode waits for its first use.
constexpr FeatureIndex kStartupFeatures[] = {kWizardMode,  kBackUp,           kNetPingerSettings,
                                             kSystemStatus, kRamConfiguration, kMainSettings};

}  // namespace

UINT showMainWindowMessage() {
    static const UINT message = RegisterWindowMessageA("Quellar.ShowMainWindow");
    return message;
}

void SubclassWindow(HWND hwnd, bool install) {
    if (install) {
        g_flashPreviousProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&FlashWindowProc)));
    } else if (g_flashPreviousProc) {
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_flashPreviousProc));
        g_flashPreviousProc = nullptr;
    }
}

LRESULT CALLBACK FlashWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    // The player never sees a right-button press, so it never opens its own
    // context menu.
    if (msg == WM_RBUTTONDOWN) msg = WM_NULL;
    return CallWindowProcA(g_flashPreviousProc, hwnd, msg, wParam, lParam);
}

MainWindow::MainWindow() {
    endProcess = [] { PostQuitMessage(0); };
    features_[kWizardMode] = std::make_unique<tuning::WizardModeWindow>(*this);
    features_[kNormalMode] = std::make_unique<tuning::AdvancedModeWindow>(*this);
    features_[kBackUp] = std::make_unique<backup::BackupManagerWindow>(*this);
    features_[kNetPingerSettings] = std::make_unique<net::NetPingerSettingsWindow>(*this);
    // The two monitor windows meet here: the graphs' memory tick reads the
    // tooltip unit from RAM configuration and sets the tray's tooltip; the
    // memory alarm reads System status's processor meter.
    features_[kSystemStatus] = std::make_unique<memory::SystemStatusWindow>(
        *this,
        [this] {
            auto* ram = static_cast<memory::RamConfigurationWindow*>(features_[kRamConfiguration].get());
            return ram && ram->percentTooltip();
        },
        [this](const std::string& text) {
            // Three times a second: the shell is asked only when the tip
            // changes, each request being a round trip to the tray.
            if (text == tray_.TrayToolTip() && tray_.IsVisible()) return;
            tray_.setTrayToolTip(text);
            tray_.Show(true);
        });
    auto ram = std::make_unique<memory::RamConfigurationWindow>(
        *this, [this]() -> std::shared_ptr<memory::ProcessorMeter> {
            auto* status = static_cast<memory::SystemStatusWindow*>(features_[kSystemStatus].get());
            return status ? status->processorMeter() : nullptr;
        });
    ram->setAlarmNotice([this](const std::string& text) { showTrayNotice(text, tray_.TrayToolTip()); });
    features_[kRamConfiguration] = std::move(ram);
    features_[kMainSettings] = std::make_unique<MainSettingsWindow>(*this);
}

// The program is built without run-time type information (it would cost a
// name for every lambda a std::function holds), so the two monitor windows
// reach each other by static_cast: their slots hold those windows, or a
// test's subclass of them.
void MainWindow::setFeature(FeatureIndex index, std::unique_ptr<FeatureWindow> window) {
    if (window) features_[index] = std::move(window);
}

MainWindow::~MainWindow() {
    preview_.reset();
    for (auto& feature : features_) feature.reset();
    destroy();
}

MainSettingsWindow& MainWindow::mainSettings() {
    return static_cast<MainSettingsWindow&>(*features_[kMainSettings]);
}

NormalModeWindowBase& MainWindow::normalMode() {
    return static_cast<NormalModeWindowBase&>(*features_[kNormalMode]);
}

BackUpWindowBase& MainWindow::backUp() {
    return static_cast<BackUpWindowBase&>(*features_[kBackUp]);
}

const std::vector<PanelButtonName>& MainWindow::panelButtonNames() {
    static const std::vector<PanelButtonName> names = [] {
        std::vector<PanelButtonName> all;
        for (const PanelButton& button : kPanelButtons) all.push_back({button.name, button.index});
        return all;
    }();
    return names;
}

HWND MainWindow::panelButton(const std::string& name, int index) {
    createButtonPanel();
    for (std::size_t row = 0; row < kPanelButtonCount && row < panelButtons_.size(); ++row) {
        if (name == kPanelButtons[row].name && index == kPanelButtons[row].index)
            return panelButtons_[row];
    }
    return nullptr;
}

bool MainWindow::onCreate() {
    panelButtons_.clear();
    registerChildAreaClass();
    // Siblings overlap here (face, child area, panel): each paints only
    // where it is not covered.
    const RECT area = win::scaledRect(kChildAreaLeft, kChildAreaTop, kChildAreaWidth, kChildAreaHeight);
    childArea_ = CreateWindowExA(0, kChildAreaClass, "",
                                 WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                                 area.left, area.top, area.right - area.left, area.bottom - area.top,
                                 hwnd(), nullptr, win::moduleInstance(), nullptr);
    flash_.onFSCommand = [this](const std::string& command, const std::string& args) {
        onFSCommand(command, args);
    };
    // Tab past the face's last button goes on into the window it shows.
    flash_.onTabOut = [this](bool backwards) {
        std::optional<FeatureIndex> hosted = hostedFeature();
        if (!hosted || !childAreaInFront()) return false;
        HWND window = features_[*hosted]->hwnd();
        HWND first = GetNextDlgTabItem(window, nullptr, FALSE);
        HWND target = backwards && first ? GetNextDlgTabItem(window, first, TRUE) : first;
        if (!target) return false;
        SetFocus(target);
        return true;
    };
    if (!flash_.create(hwnd(), 0, 0, win::scaled(kMainWidth), win::scaled(kMainHeight))) return false;
    return childArea_ != nullptr;
}

void MainWindow::createButtonPanel() {
    // Made when first asked for. It lies under the face, where no click or
    // key reaches it, and its buttons are of the themed system class: the
    // common controls library they load would be about 3 MB of the working
    // set of a program that may never open a window (measured under Wine),
    // and making them cost the start-up more than the face itself.
    if (!panelButtons_.empty() || !hwnd()) return;
    int y = kPanelMargin;
    for (std::size_t row = 0; row < kPanelButtonCount; ++row) {
        int id = kFirstPanelButtonId + static_cast<int>(row);
        const RECT r = win::scaledRect(kPanelMargin, y, kPanelButtonWidth, kPanelButtonHeight);
        HWND button = CreateWindowExA(0, "BUTTON", kPanelButtons[row].caption,
                                      WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | BS_PUSHBUTTON, r.left, r.top,
                                      r.right - r.left, r.bottom - r.top, hwnd(),
                                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), win::moduleInstance(),
                                      nullptr);
        SendMessageA(button, WM_SETFONT, reinterpret_cast<WPARAM>(win::dialogFont()), FALSE);
        // Under the face and the child area, as if made before them.
        SetWindowPos(button, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        panelButtons_.push_back(button);
        y += kPanelButtonPitch;
    }
}

bool MainWindow::onCommand(int id, int code, HWND) {
    if (code != BN_CLICKED || id < kFirstPanelButtonId) return false;
    auto row = static_cast<std::size_t>(id - kFirstPanelButtonId);
    if (row >= kPanelButtonCount) return false;
    onPanelButton(row);
    return true;
}

void MainWindow::onPanelButton(std::size_t row) {
    const PanelButton& button = kPanelButtons[row];
    finishStartup();
    switch (button.action) {
    case PanelAction::NotHandled:
        sayNotHandled(button.message);
        break;
    case PanelAction::HostBackUp:
        backUp().load();
        backUp().rebuildList();
        showChildForm(button.feature);
        break;
    case PanelAction::Host:
        // The Advanced mode window keeps its page here; only the face's
        // command starts it afresh.
        showChildForm(button.feature);
        break;
    case PanelAction::InternetProperties:
        OpenInternetProperties(reinterpret_cast<std::uintptr_t>(hwnd()));
        break;
    case PanelAction::SystemProperties:
        OpenSystemProperties(reinterpret_cast<std::uintptr_t>(hwnd()));
        break;
    case PanelAction::ModemSettings:
        OpenModemSettings(reinterpret_cast<std::uintptr_t>(hwnd()));
        break;
    case PanelAction::NetworkSettings:
        OpenNetworkSettings(reinterpret_cast<std::uintptr_t>(hwnd()));
        break;
    case PanelAction::Nothing:
        break;
    }
}

void MainWindow::sayNotHandled(const char* text) {
    effects().messageBox(reinterpret_cast<std::uintptr_t>(hwnd()), text, kMainCaption, MB_OK);
}

bool MainWindow::start() {
    // Scaled with the display's dpi; where that would not fit the work
    // area, everything is laid out at the largest dpi that fits. A test
    // that chose the dpi keeps it.
    RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    if (!win::dpiChosenByTest())
        win::useDpi(win::fittingDpi(win::screenDpi(), kMainWidth, kMainHeight, work.right - work.left,
                                    work.bottom - work.top));
    const int width = win::scaled(kMainWidth), height = win::scaled(kMainHeight);
    const int left = work.left + ((work.right - work.left) - width) / 2;
    const int top = work.top + ((work.bottom - work.top) - height) / 2;
    HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    // The icon resource holds each size in each colour depth: the system
    // picks the 32 x 32 image for the window and the small one (16 x 16 on
    // most displays) for the taskbar and the tray, in its display's depth.
    HICON icon = static_cast<HICON>(LoadImageA(win::moduleInstance(), MAKEINTRESOURCEA(IDI_QUELLAR),
                                               IMAGE_ICON, 32, 32, 0));
    HICON smallIcon = static_cast<HICON>(
        LoadImageA(win::moduleInstance(), MAKEINTRESOURCEA(IDI_QUELLAR), IMAGE_ICON,
                   GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    if (!smallIcon) smallIcon = icon;
    if (!create(kMainWindowClass, kMainCaption, WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX |
                                                    WS_CLIPCHILDREN,
                0, std::max(left, static_cast<int>(work.left)), std::max(top, static_cast<int>(work.top)), width,
                height, nullptr, nullptr,
                CS_HREDRAW | CS_VREDRAW, black, icon, smallIcon))
        return false;

    startupMark("window");
    // 2. The mutex lives, untested and unclosed, until the process ends.
    CreateMutexA(nullptr, FALSE, "SmQuellar");
    // 3. The face fills the window.
    MoveWindow(flash_.hwnd(), 0, 0, width, height, FALSE);
    // 4. The face covers the child area until a feature window is hosted.
    bringToFront(childArea_);
    bringToFront(flash_.hwnd());
    startupMark("layout");
    // 5.
    flash_.LoadMovie(0, joinProgramFolder(kFaceFileName));
    startupMark("face");
    // 6.
    skin_.loadSkinFile(joinProgramFolder(kSkinFileName));
    skin_.applySkinElement(childArea_, "NoFrame");
    startupMark("skin");
    // 7.
    FileVersion version = ownFileVersion();
    flash_.SetVariable("_root.version", versionText(version.major, version.minor, version.revision));
    // 8. The face names the Windows it tunes for.
    shell::detectWindowsVersion();
    flash_.SetVariable("_root.windows", winVersionName);
    startupMark("version and presets");
    // 10. The icon itself is added once the window is on screen (or at
    // once for a start in the tray).
    tray_.create(hwnd());
    tray_.setTrayImage(smallIcon);
    tray_.onLeftClick = [this] { showMainWindow(); };
    tray_.onRightClick = [this] { showTrayMenu(); };
    tray_.onMouseClick = [this](int&) { showMainWindow(); };
    // 11. Of the feature windows only Main settings comes before the show:
    // it says whether the window shows at all.
    features_[kMainSettings]->load();
    startupMark("main settings");
    // 12.
    if (mainSettings().settings().runProgramMini() == 1 && hideToTray()) {
        // Hidden: the notice says where the program went.
        startupMark("hidden in the tray");
    } else {
        ShowWindow(hwnd(), SW_SHOWNORMAL);
        startupMark("shown");
        UpdateWindow(hwnd());
        startupMark("painted");
    }
    // The rest follows as the first message the loop takes: before any
    // click or key, which the system hands out after posted messages.
    PostMessageA(hwnd(), kAfterStartMessage, 0, 0);
    // 13.
    hookFlashWindow();
    return true;
}

void MainWindow::finishStartup() {
    if (startupFinished_) return;
    startupFinished_ = true;
    startupMark("to the first message");
    // 10. The tray icon, unless a start in the tray added it already.
    if (!tray_.IsVisible()) tray_.Show(true);
    startupMark("tray icon added");
    // 11. The other feature windows, and with them the background jobs
    // (pinger, memory alarm, low-memory sound, graphs); frmNormalMode is
    // made on its first use only.
    loadStartupFeatures();
    startupMark("feature windows");
    startupReport();
}

void MainWindow::showTrayNotice() { showTrayNotice(kTrayNotice, kTrayNoticeCaption); }

void MainWindow::showTrayNotice(const std::string& text, const std::string& title9x) {
    // The balloon's title is the tooltip, as the tray shows it: the free
    // memory once System status has written it.
    if (isNtFamily(winVersion)) {
        tray_.setTrayBalloonToolTip(text);
        tray_.showBalloonTip(true);
        tray_.setTrayBalloonToolTip(kTrayNotice);
        return;
    }
    // The 9x notification area has no balloons: the program's own notice
    // stands where one would.
    const std::string& title = title9x;
    float x = static_cast<float>(GetSystemMetrics(SM_CXSCREEN) - win::scaled(kNoticeRightInset));
    float y = static_cast<float>(GetSystemMetrics(SM_CYSCREEN));
    msgbox::msgFrm().MsgAuto_box(text, kNoticeFlags, title, kNoticeSeconds, true, kNoticeColour, x, y, 0);
}

bool MainWindow::hideToTray() {
    // A window hidden without an icon to bring it back could only be had
    // again by starting the program a second time.
    if (!tray_.IsVisible()) tray_.Show(true);
    if (!tray_.IsVisible()) return false;
    ShowWindow(hwnd(), SW_HIDE);
    showTrayNotice();
    return true;
}

void MainWindow::showNotice(const std::string& title, const std::string& text) {
    // Shown once the action that asks for it has finished: the window
    // usually goes home then and hands the keyboard to the face, and under
    // Wine a change of focus inside the window lifts it above a notice shown
    // before, topmost or not.
    pendingNotice_ = Notice{title, text};
    PostMessageA(hwnd(), kShowNoticeMessage, 0, 0);
}

void MainWindow::reportDamagedLook() {
    std::string text;
    if (!flash_.damage().empty()) text += "The face file could not be used: " + flash_.damage() + ".\r\n";
    if (!skin_.loadIssues().empty()) {
        text += "The skin file could not be used: " + joinProgramFolder(kSkinFileName) + ": " +
                describeSkinIssue(skin_.loadIssues().front()) + ".\r\n";
    }
    if (text.empty()) return;
    text += "The built-in look is shown instead.";
    // Started in the tray on 9x, the notice replaces the one that says
    // where the program went; it says that too.
    if (!IsWindowVisible(hwnd()) && !isNtFamily(winVersion)) text += std::string("\r\n") + kTrayNotice + ".";
    showNotice(kDamagedLookTitle, text);
}

void MainWindow::showPendingNotice() {
    if (!pendingNotice_) return;
    const Notice notice = *pendingNotice_;
    pendingNotice_.reset();
    // At the main window's lower right corner while it is on screen, else
    // where the tray notice goes.
    RECT r{};
    float x = static_cast<float>(GetSystemMetrics(SM_CXSCREEN) - win::scaled(kNoticeRightInset));
    float y = static_cast<float>(GetSystemMetrics(SM_CYSCREEN));
    if (IsWindowVisible(hwnd()) && !IsIconic(hwnd()) && GetWindowRect(hwnd(), &r)) {
        x = static_cast<float>(r.right - win::scaled(kNoticeRightInset));
        y = static_cast<float>(r.bottom);
    }
    msgbox::msgFrm().MsgAuto_box(notice.text, kNoticeFlags, notice.title, kAppliedNoticeSeconds, true, kNoticeColour,
                                 x, y, 0);
}

void MainWindow::showTrayMenu() {
    HMENU menu = CreatePopupMenu();
    if (!menu) return;
    AppendMenuA(menu, MF_STRING, kTrayMenuOpen, kTrayMenuOpenCaption);
    AppendMenuA(menu, MF_STRING, kTrayMenuExit, kTrayMenuExitCaption);
    SetMenuDefaultItem(menu, kTrayMenuOpen, FALSE);
    POINT at{};
    GetCursorPos(&at);
    // A tray menu closes on a click elsewhere only while its owner is the
    // foreground window, and the empty message afterwards lets the next
    // click on the icon open it again.
    SetForegroundWindow(hwnd());
    // The change of foreground may arrive as messages; taken now, before
    // the menu runs, since one that arrives inside the menu's loop ends the
    // menu at once (observed under Wine with a window hidden in the tray).
    MSG pending;
    PeekMessageA(&pending, nullptr, 0, 0, PM_NOREMOVE);
    const int item = static_cast<int>(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON,
                                                     at.x, at.y, 0, hwnd(), nullptr));
    PostMessageA(hwnd(), WM_NULL, 0, 0);
    DestroyMenu(menu);
    runTrayMenuItem(item);
}

void MainWindow::runTrayMenuItem(int item) {
    switch (item) {
    case kTrayMenuOpen:
        showMainWindow();
        break;
    case kTrayMenuExit:
        closeProgram();
        break;
    default:
        break;  // closed without a choice
    }
}

bool MainWindow::isActive() const {
    return hwnd() && GetActiveWindow() == hwnd();
}

void MainWindow::focusInto(HWND window) {
    HWND first = GetNextDlgTabItem(window, nullptr, FALSE);
    SetFocus(first ? first : window);
}

void MainWindow::restoreFocus() {
    HWND target = lastFocus_;
    lastFocus_ = nullptr;
    if (target && IsWindow(target) && IsChild(hwnd(), target) && IsWindowVisible(target) &&
        IsWindowEnabled(target)) {
        SetFocus(target);
        return;
    }
    std::optional<FeatureIndex> hosted = hostedFeature();
    if (hosted && childAreaInFront()) focusInto(features_[*hosted]->hwnd());
    else SetFocus(flash_.hwnd());
}

void MainWindow::focusHostCommands() {
    // Escape in a hosted window: home, as the face's Home does.
    aboutReturn_.reset();
    returnHome(HomeReturn::FaceToFront);
    SetFocus(flash_.hwnd());
}

bool MainWindow::takeKeyboardFrom(FeatureWindow& window, bool backwards) {
    std::optional<FeatureIndex> hosted = hostedFeature();
    if (!hosted || features_[*hosted].get() != &window || !childAreaInFront()) return false;
    flash_.takeFocusFromOutside(backwards);
    return true;
}

void MainWindow::loadStartupFeatures() {
    for (FeatureIndex index : kStartupFeatures) features_[index]->load();
}

void MainWindow::bringToFront(HWND window) {
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void MainWindow::bringFaceToFront() {
    bringToFront(flash_.hwnd());
    // A control behind the face must not keep the keyboard.
    HWND focus = GetFocus();
    if (isActive() && (!focus || focus == hwnd() || focus == childArea_ || IsChild(childArea_, focus)))
        SetFocus(flash_.hwnd());
}

void MainWindow::hookFlashWindow() {
    for (HWND child = GetWindow(hwnd(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char name[250] = {};
        GetClassNameA(child, name, sizeof name);
        std::string lower(name);
        std::transform(lower.begin(), lower.end(), lower.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (lower.find(kPlayerClassToken) != std::string::npos) {
            SubclassWindow(child, true);
            return;
        }
    }
}

void MainWindow::showMainWindow() {
    // Restoring also shows a hidden window; a plain show would leave a
    // minimised one on the task bar.
    ShowWindow(hwnd(), IsIconic(hwnd()) ? SW_RESTORE : SW_SHOW);
    SetForegroundWindow(hwnd());
    BringWindowToTop(hwnd());
}

void MainWindow::dragMainWindow() {
    ReleaseCapture();
    SendMessageA(hwnd(), WM_NCLBUTTONDOWN, HTCAPTION, 0);
}

void MainWindow::returnHome(HomeReturn how) {
    (void)how;
    bringFaceToFront();
    flash_.SetVariable("_root.home", "true");
}

void MainWindow::showPreview(preview::PreviewRequest request) {
    if (!preview_) preview_ = std::make_unique<PreviewWindow>(*this);
    preview_->open(std::move(request));
}

void MainWindow::skinFeatureWindow(FeatureWindow& window) {
    skin_.applySkinElement(window.hwnd(), "controlForm");
}

void MainWindow::skinFeatureControls(FeatureWindow& window) {
    applyAllControls(skin_, window.binder());
}

void MainWindow::hideAllChildForms() {
    for (auto& feature : features_) {
        // Hiding all of them makes any that does not exist yet.
        feature->load();
        ShowWindow(feature->hwnd(), SW_HIDE);
    }
}

void MainWindow::showChildForm(FeatureIndex index) {
    aboutReturn_.reset();
    hideAllChildForms();
    features_[index]->makeControls();
    // Each window is made hidden inside the child area, at its designed
    // position, the area's top-left corner.
    HWND window = features_[index]->hwnd();
    ShowWindow(window, SW_SHOW);
    bringToFront(childArea_);
    // The window just opened takes the keyboard, as a new page would.
    if (isActive()) focusInto(window);
}

void MainWindow::sizeChildArea(int width, int height) {
    SetWindowPos(childArea_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindow::openFeature(FeatureIndex index) {
    if (index == kNormalMode) reloadNormalMode();
    if (index == kBackUp) {
        backUp().load();
        backUp().rebuildList();
    }
    host(index);
}

void MainWindow::host(FeatureIndex index) {
    showChildForm(index);
    ChildAreaSize size = hostingSize(index);
    sizeChildArea(win::scaled(size.width), win::scaled(size.height));
}

std::optional<FeatureIndex> MainWindow::hostedFeature() const {
    for (int i = 0; i < kFeatureCount; ++i) {
        HWND window = features_[static_cast<std::size_t>(i)]->hwnd();
        // Its own visible flag: the main window itself may be hidden.
        if (window && GetParent(window) == childArea_ &&
            (GetWindowLongPtrA(window, GWL_STYLE) & WS_VISIBLE))
            return static_cast<FeatureIndex>(i);
    }
    return std::nullopt;
}

bool MainWindow::childAreaInFront() const {
    for (HWND w = GetWindow(flash_.hwnd(), GW_HWNDPREV); w; w = GetWindow(w, GW_HWNDPREV)) {
        if (w == childArea_) return true;
    }
    return false;
}

void MainWindow::reloadNormalMode() {
    // Always a fresh window on its first page: whatever was entered before
    // is dropped.
    NormalModeWindowBase& window = normalMode();
    window.unload();
    window.setCurrWizardPage(0);
    window.load();
}

void MainWindow::showAbout() {
    // A second about command while the card is up must not forget what lay
    // under the first.
    if (!aboutReturn_) aboutReturn_ = AboutReturn{hostedFeature(), childAreaInFront()};
    bringFaceToFront();
    hideAllChildForms();
    bringFaceToFront();
}

void MainWindow::closeAbout() {
    // Back to what was on screen before the card: the window that was hosted
    // then, inside the child area, and the area in front only if it was.
    if (!aboutReturn_) return;
    AboutReturn back = *aboutReturn_;
    aboutReturn_.reset();
    if (!back.hosted) return;
    FeatureWindow& window = *features_[*back.hosted];
    if (!window.isLoaded() || GetParent(window.hwnd()) != childArea_) return;
    ShowWindow(window.hwnd(), SW_SHOW);
    if (back.childAreaInFront) {
        bringToFront(childArea_);
        if (isActive()) focusInto(window.hwnd());
    }
}

namespace {

ShellOpen helpOpen(HWND owner, std::string file, std::string parameters = {}) {
    ShellOpen open;
    open.owner = reinterpret_cast<std::uintptr_t>(owner);
    open.file = std::move(file);
    open.parameters = std::move(parameters);
    open.directory = kHelpFolder;
    open.showState = SW_SHOWNORMAL;
    return open;
}

}  // namespace

void MainWindow::openHelp() {
    const ShellOpen open = helpOpen(hwnd(), joinProgramFolder(kHelpFileName));
    const std::uintptr_t result = effects().shellOpen(open);
    if (result <= 32) tellNotOpened(open.owner, helpNotOpenedMessage(open.file, result));
}

void MainWindow::openHelpAtShownPage() {
    std::optional<FeatureIndex> hosted = hostedFeature();
    if (!hosted || !childAreaInFront()) {
        openHelp();
        return;
    }
    // Without the help viewer, the help file opens at its contents.
    const std::string page = joinProgramFolder(kHelpFileName) + "::/" + kHelpPages[*hosted];
    if (effects().shellOpen(helpOpen(hwnd(), kHelpViewer, "\"" + page + "\"")) <= 32) openHelp();
}

void MainWindow::unloadAll(const std::array<FeatureIndex, kFeatureCount>& order) {
    // Whatever of the start-up was still to come is not wanted any more.
    startupFinished_ = true;
    for (FeatureIndex index : order) {
        // A window that does not exist yet is made (its load runs) and
        // unloaded again, as every all-window action does.
        features_[index]->load();
        features_[index]->unload();
    }
}

void MainWindow::Form_Unload() {
    unloadAll({kWizardMode, kNormalMode, kBackUp, kNetPingerSettings, kRamConfiguration,
               kMainSettings, kSystemStatus});
    tray_.Show(false);
    endProcess();
}

void MainWindow::closeProgram() {
    unloadAll({kWizardMode, kNormalMode, kBackUp, kNetPingerSettings, kSystemStatus,
               kRamConfiguration, kMainSettings});
    tray_.Show(false);
    endProcess();
}

void MainWindow::restartWindows() {
    unloadAll({kWizardMode, kNormalMode, kBackUp, kNetPingerSettings, kRamConfiguration,
               kMainSettings, kSystemStatus});
    tray_.Show(false);
    // On success the system's shutdown ends the process.
    if (RestartWindows() != 0) return;
    // Refused: the program goes on as it was started, its icon back and its
    // windows (pinger, memory alarm, graphs) running again, and the face in
    // front: the child area's window is gone, the area must not cover it.
    tray_.Show(true);
    loadStartupFeatures();
    bringFaceToFront();
    effects().messageBox(reinterpret_cast<std::uintptr_t>(hwnd()), kRestartRefused, kMainCaption,
                         MB_OK | MB_ICONEXCLAMATION);
}

void MainWindow::onFSCommand(const std::string& command, const std::string&) {
    auto parsed = parseUiCommand(command);
    if (!parsed) return;
    // A command given in the moment between the show and the rest of the
    // start-up finds everything in place.
    finishStartup();
    switch (*parsed) {
    case UiCommand::Minimize:
        ShowWindow(hwnd(), SW_MINIMIZE);
        break;
    case UiCommand::About:
        showAbout();
        break;
    case UiCommand::CloseAbout:
        closeAbout();
        break;
    case UiCommand::Main:
    case UiCommand::SysSettingClicked:
        aboutReturn_.reset();
        hideAllChildForms();
        bringFaceToFront();
        break;
    case UiCommand::Close:
        closeProgram();
        break;
    case UiCommand::Tray:
        hideToTray();
        break;
    case UiCommand::Home:
    case UiCommand::Hide:
        aboutReturn_.reset();
        bringFaceToFront();
        break;
    case UiCommand::Settings:
        openFeature(kMainSettings);
        break;
    case UiCommand::Help:
        openHelp();
        break;
    case UiCommand::Drag:
        dragMainWindow();
        break;
    case UiCommand::WizardMode:
        openFeature(kWizardMode);
        break;
    case UiCommand::NormalMode:
        openFeature(kNormalMode);
        break;
    case UiCommand::BackupManager:
        openFeature(kBackUp);
        break;
    case UiCommand::PingSetting:
        openFeature(kNetPingerSettings);
        break;
    case UiCommand::SystemStatus:
        openFeature(kSystemStatus);
        break;
    case UiCommand::RamConfig:
        openFeature(kRamConfiguration);
        break;
    case UiCommand::InternetProperties:
        OpenInternetProperties(reinterpret_cast<std::uintptr_t>(hwnd()));
        break;
    case UiCommand::SystemSetting:
        OpenSystemProperties(reinterpret_cast<std::uintptr_t>(hwnd()));
        break;
    case UiCommand::ModemSetting:
        OpenModemSettings(reinterpret_cast<std::uintptr_t>(hwnd()));
        break;
    case UiCommand::NetworkSetting:
        OpenNetworkSettings(reinterpret_cast<std::uintptr_t>(hwnd()));
        break;
    case UiCommand::Restart:
        aboutReturn_.reset();
        restartWindows();
        break;
    }
}

bool MainWindow::onMessage(UINT msg, WPARAM wParam, LPARAM, LRESULT& result) {
    if (msg == WM_CLOSE) {
        Form_Unload();
        result = 0;
        return true;
    }
    if (msg == tray::Tray::taskbarCreatedMessage()) {
        tray_.shellRestarted();
        result = 0;
        return true;
    }
    if (msg == WM_TIMER && wParam == kDamagedLookTimer) {
        KillTimer(hwnd(), kDamagedLookTimer);
        reportDamagedLook();
        result = 0;
        return true;
    }
    if (msg == kShowNoticeMessage) {
        showPendingNotice();
        result = 0;
        return true;
    }
    if (msg == WM_HELP) {
        openHelpAtShownPage();
        result = TRUE;
        return true;
    }
    if (msg == kAfterStartMessage) {
        finishStartup();
        // A moment later: under Wine the window's own settling in (focus to
        // the face) lifts it above a notice shown at once.
        SetTimer(hwnd(), kDamagedLookTimer, kDamagedLookDelayMs, nullptr);
        result = 0;
        return true;
    }
    if (msg == showMainWindowMessage()) {
        showMainWindow();
        result = 0;
        return true;
    }
    if (msg == WM_ACTIVATE && LOWORD(wParam) == WA_INACTIVE) {
        // Kept to hand the keyboard back when the window is active again;
        // the default handling then gives it to the window itself.
        HWND focus = GetFocus();
        if (focus && IsChild(hwnd(), focus)) lastFocus_ = focus;
        return false;
    }
    if (msg == WM_SETFOCUS) {
        restoreFocus();
        result = 0;
        return true;
    }
    return false;
}

void MainWindow::onDestroy() {
    tray_.Show(false);
}

}  // namespace quellar::shell
