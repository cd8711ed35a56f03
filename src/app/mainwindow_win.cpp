#include "app/mainwindow_win.h"

#include <algorithm>

#include "core/effects.h"
#include "core/versioninfo.h"
#include "res/resource.h"
#include "win/dpi_win.h"
#include "win/files_win.h"
#include "app/addons.h"
#include "app/addons_win.h"
#include "app/startupclock_win.h"
#include "features/mainsettings/mainsettings_win.h"
#include "core/osversion.h"
#include "win/osversion_win.h"
#include "ui/skin/skinpass_win.h"
#include "tuning/presets.h"

namespace quellar::app {

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

// The help viewer that opens a page of a compiled help file.
const char* const kHelpViewer = "hh.exe";

namespace {

const char* const kChildAreaClass = "QuellarChildArea";
constexpr int kNoticeSeconds = 5;
constexpr long kNoticeFlags = 64;  // MB_ICONINFORMATION
constexpr COLORREF kNoticeColour = RGB(242, 248, 200);
constexpr int kNoticeRightInset = 40;
// Long enough to read the three lines after an apply.
constexpr int kAppliedNoticeSeconds = 10;

// The program's notices look alike: no pointer, the information icon, the
// notice colour; only the words, the time and the place differ.
void showBalloonNotice(const std::string& title, const std::string& text, int seconds, float x, float y) {
    ui::NoticeArgs notice;
    notice.title = title;
    notice.text = text;
    notice.flags = kNoticeFlags;
    notice.seconds = static_cast<short>(seconds);
    notice.noPointer = true;
    notice.color = kNoticeColour;
    notice.x = x;
    notice.y = y;
    ui::balloon().show(notice);
}

constexpr UINT kShowNoticeMessage = WM_APP + 1;
// Posted at the end of start-up: what can wait until the window is on
// screen.
constexpr UINT kAfterStartMessage = WM_APP + 2;
constexpr std::uint32_t kDamagedLookDelayMs = 700;
const char* const kTrayMenuOpenCaption = "Open Quellar";
const char* const kTrayMenuExitCaption = "Exit";

LRESULT CALLBACK childAreaProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

void registerChildAreaClass() {
    win::registerClassOnce(kChildAreaClass, childAreaProc, 0, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
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

}  // namespace

UINT showMainWindowMessage() {
    static const UINT message = RegisterWindowMessageA("Quellar.ShowMainWindow");
    return message;
}

MainWindow::MainWindow() {
    endProcess = [] { PostQuitMessage(0); };
    for (const FeatureRow& row : featureTable()) features_[row.index] = row.make(*this);
}

void MainWindow::setFeature(FeatureIndex index, std::unique_ptr<ui::FeatureWindow> window) {
    if (window) features_[index] = std::move(window);
}

MainWindow::~MainWindow() {
    // A notice still up goes with the window that showed it, and with it
    // its countdown, before the timer service it runs on.
    ui::balloon().unload();
    preview_.reset();
    for (auto& feature : features_) feature.reset();
    destroy();
}

features::MainSettingsWindow& MainWindow::mainSettings() {
    return static_cast<features::MainSettingsWindow&>(*features_[kMainSettings]);
}

ui::AdvancedWindowBase& MainWindow::advancedMode() {
    return static_cast<ui::AdvancedWindowBase&>(*features_[kAdvancedMode]);
}

ui::BackupWindowBase& MainWindow::backupManager() {
    return static_cast<ui::BackupWindowBase&>(*features_[kBackupManager]);
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
    facePlayer_.onCommand = [this](const std::string& command, const std::string&) { onFaceCommand(command); };
    // Tab past the face's last button goes on into the window it shows.
    facePlayer_.onTabOut = [this](bool backwards) {
        std::optional<FeatureIndex> shown = featureInFront();
        if (!shown) return false;
        HWND window = features_[*shown]->hwnd();
        HWND first = GetNextDlgTabItem(window, nullptr, FALSE);
        HWND target = backwards && first ? GetNextDlgTabItem(window, first, TRUE) : first;
        if (!target) return false;
        SetFocus(target);
        return true;
    };
    if (!facePlayer_.create(hwnd(), 0, 0, win::scaled(kMainWidth), win::scaled(kMainHeight))) return false;
    return childArea_ != nullptr;
}

bool MainWindow::createCentred(HICON& smallIcon) {
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
    smallIcon = static_cast<HICON>(
        LoadImageA(win::moduleInstance(), MAKEINTRESOURCEA(IDI_QUELLAR), IMAGE_ICON,
                   GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    if (!smallIcon) smallIcon = icon;
    return create(kMainWindowClass, kMainCaption, WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN, 0,
                  std::max(left, static_cast<int>(work.left)), std::max(top, static_cast<int>(work.top)), width,
                  height, nullptr, nullptr, CS_HREDRAW | CS_VREDRAW, black, icon, smallIcon);
}

bool MainWindow::start() {
    HICON smallIcon = nullptr;
    if (!createCentred(smallIcon)) return false;
    const int width = win::scaled(kMainWidth), height = win::scaled(kMainHeight);

    startupMark("window");
    // 2. The mutex lives, untested and unclosed, until the process ends.
    CreateMutexA(nullptr, FALSE, "SmQuellar");
    // 3. The face fills the window.
    MoveWindow(facePlayer_.hwnd(), 0, 0, width, height, FALSE);
    // 4. The face covers the child area until a feature window is hosted.
    bringToFront(childArea_);
    bringToFront(facePlayer_.hwnd());
    startupMark("layout");
    // 5.
    facePlayer_.loadFace(joinProgramFolder(kFaceFileName));
    startupMark("face");
    // 6.
    skin_.loadFile(joinProgramFolder(kSkinFileName));
    skin_.applyElement(childArea_, "NoFrame");
    startupMark("skin");
    // 7.
    FileVersion version = ownFileVersion();
    facePlayer_.setVariable("_root.version", versionText(version.major, version.minor, version.revision));
    // 8. The face names the Windows it tunes for.
    win::detectWindowsVersion();
    facePlayer_.setVariable("_root.windows", winVersionName);
    // 9. The presets need nothing: they are a table built into the program.
    startupMark("version and presets");
    // 10. The icon itself is added once the window is on screen (or at
    // once for a start in the tray).
    tray_.create(hwnd());
    tray_.setImage(smallIcon);
    tray_.onLeftClick = [this] { showMainWindow(); };
    tray_.onRightClick = [this] { showTrayMenu(); };
    tray_.onMouseClick = [this](int&) { showMainWindow(); };
    // 11. Of the feature windows only Main settings comes before the show:
    // it says whether the window shows at all.
    features_[kMainSettings]->load();
    startupMark("main settings");
    // 12.
    if (mainSettings().settings().startsInTray() && hideToTray()) {
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
    return true;
}

void MainWindow::finishStartup() {
    if (startupFinished_) return;
    startupFinished_ = true;
    startupMark("to the first message");
    // 10. The tray icon, unless a start in the tray added it already.
    if (!tray_.isShown()) tray_.show(true);
    startupMark("tray icon added");
    // 11. The other feature windows the table marks for start-up, and with
    // them the background jobs (pinger, memory alarm, low-memory sound,
    // graphs); the Advanced mode is made on its first use only.
    loadStartupFeatures();
    startupMark("feature windows");
    startupReport();
}

void MainWindow::showTrayNotice() { showTrayNotice(kTrayNotice, kTrayNoticeCaption); }

void MainWindow::showTrayNotice(const std::string& text, const std::string& title9x) {
    // The balloon's title is the tooltip, as the tray shows it: the free
    // memory once System status has written it.
    if (isNtFamily(winVersion)) {
        tray_.setBalloonTip(text);
        tray_.showBalloonTip(true);
        tray_.setBalloonTip(kTrayNotice);
        return;
    }
    // The 9x notification area has no balloons: the program's own notice
    // stands where one would.
    float x = static_cast<float>(GetSystemMetrics(SM_CXSCREEN) - win::scaled(kNoticeRightInset));
    float y = static_cast<float>(GetSystemMetrics(SM_CYSCREEN));
    showBalloonNotice(title9x, text, kNoticeSeconds, x, y);
}

bool MainWindow::hideToTray() {
    // A window hidden without an icon to bring it back could only be had
    // again by starting the program a second time.
    if (!tray_.isShown()) tray_.show(true);
    if (!tray_.isShown()) return false;
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
    if (!facePlayer_.damage().empty()) text += "The face file could not be used: " + facePlayer_.damage() + ".\r\n";
    if (!skin_.loadIssues().empty()) {
        text += "The skin file could not be used: " + joinProgramFolder(kSkinFileName) + ": " +
                ui::describeSkinIssue(skin_.loadIssues().front()) + ".\r\n";
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
    showBalloonNotice(notice.title, notice.text, kAppliedNoticeSeconds, x, y);
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
    std::optional<FeatureIndex> shown = featureInFront();
    if (shown) focusInto(features_[*shown]->hwnd());
    else SetFocus(facePlayer_.hwnd());
}

void MainWindow::focusHostCommands() {
    // Escape in a hosted window: home, as the face's Home does.
    aboutReturn_.reset();
    returnHome();
    SetFocus(facePlayer_.hwnd());
}

bool MainWindow::takeKeyboardFrom(ui::FeatureWindow& window, bool backwards) {
    std::optional<FeatureIndex> shown = featureInFront();
    if (!shown || features_[*shown].get() != &window) return false;
    facePlayer_.takeFocusFromOutside(backwards);
    return true;
}

void MainWindow::loadStartupFeatures() {
    for (const FeatureRow& row : featureTable())
        if (row.atStartup) features_[row.index]->load();
}

void MainWindow::bringToFront(HWND window) {
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void MainWindow::bringFaceToFront() {
    bringToFront(facePlayer_.hwnd());
    // A control behind the face must not keep the keyboard.
    HWND focus = GetFocus();
    if (isActive() && (!focus || focus == hwnd() || focus == childArea_ || IsChild(childArea_, focus)))
        SetFocus(facePlayer_.hwnd());
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

void MainWindow::returnHome() {
    bringFaceToFront();
    facePlayer_.setVariable("_root.home", "true");
}

void MainWindow::showPreview(PreviewRequest request) {
    if (!preview_) preview_ = std::make_unique<features::PreviewWindow>(*this);
    preview_->open(std::move(request));
}

void MainWindow::skinFeatureWindow(ui::FeatureWindow& window) {
    skin_.applyElement(window.hwnd(), "controlForm");
}

void MainWindow::skinFeatureControls(ui::FeatureWindow& window) {
    ui::skinControls(skin_, window.binder());
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
    std::optional<FeatureIndex> shown = featureInFront();
    if (!shown) {
        openHelp();
        return;
    }
    // Without the help viewer, the help file opens at its contents.
    const std::string page = joinProgramFolder(kHelpFileName) + "::/" + featureRow(*shown).helpPage;
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

void MainWindow::unload() {
    unloadAll(shutdownOrder());
    tray_.show(false);
    endProcess();
}

void MainWindow::closeProgram() {
    // The face's close walks the windows in the table's order.
    std::array<FeatureIndex, kFeatureCount> order{};
    for (const FeatureRow& row : featureTable()) order[row.index] = row.index;
    unloadAll(order);
    tray_.show(false);
    endProcess();
}

void MainWindow::restartWindows() {
    unloadAll(shutdownOrder());
    tray_.show(false);
    // On success the system's shutdown ends the process.
    if (requestWindowsRestart() != 0) return;
    // Refused: the program goes on as it was started, its icon back and its
    // windows (pinger, memory alarm, graphs) running again, and the face in
    // front: the child area's window is gone, the area must not cover it.
    tray_.show(true);
    loadStartupFeatures();
    bringFaceToFront();
    effects().messageBox(reinterpret_cast<std::uintptr_t>(hwnd()), kRestartRefused, kMainCaption,
                         MB_OK | MB_ICONEXCLAMATION);
}

bool MainWindow::onMessage(UINT msg, WPARAM wParam, LPARAM, LRESULT& result) {
    if (msg == WM_CLOSE) {
        unload();
        result = 0;
        return true;
    }
    if (msg == ui::Tray::taskbarCreatedMessage()) {
        tray_.shellRestarted();
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
        if (!facePlayer_.damage().empty() || !skin_.loadIssues().empty())
            damagedLookTimer_.startOnce(kDamagedLookDelayMs, [this] { reportDamagedLook(); });
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
    tray_.show(false);
}

}  // namespace quellar::app
