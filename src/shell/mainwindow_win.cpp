#include "shell/mainwindow_win.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "core/effects.h"
#include "core/versioninfo.h"
#include "res/resource.h"
#include "shell/commands.h"
#include "shell/featurespecs.h"
#include "shell/mainsettings_win.h"
#include "shell/osversion.h"
#include "shell/osversion_win.h"
#include "shell/skinpass_win.h"
#include "tuning/presets.h"

namespace quellar::shell {

const char* const kMainWindowClass = "QuellarMain";
const char* const kMainCaption = "Quellar";
const char* const kFaceFileName = "speed up.swf";
const char* const kSkinFileName = "RQLRMask.skn";
const char* const kTrayNotice = "The Program Still Running Here";
const char* const kTrayNoticeCaption = "Program notification";

namespace {

const char* const kChildAreaClass = "QuellarChildArea";
const char* const kPlayerClassToken = "macromediaflashplayer";
constexpr int kNoticeSeconds = 5;
constexpr long kNoticeFlags = 64;  // MB_ICONINFORMATION
constexpr COLORREF kNoticeColour = RGB(242, 248, 200);
constexpr int kNoticeRightInset = 40;

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
    HRSRC info = FindResourceA(nullptr, MAKEINTRESOURCEA(VS_VERSION_INFO), MAKEINTRESOURCEA(16));
    if (!info) return {};
    HGLOBAL loaded = LoadResource(nullptr, info);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    auto version = parseFixedFileVersion(static_cast<const unsigned char*>(bytes),
                                         SizeofResource(nullptr, info));
    return version.value_or(FileVersion{});
}

struct PanelButton {
    const char* name;
    int index;
    const char* caption;
};

// The older command panel that lies under the face.
const PanelButton kPanelButtons[] = {
    {"cmdInternetBooster", 0, "Quellar"},
    {"cmdInternetBooster", 1, "Wizard Mode"},
    {"cmdInternetBooster", 2, "Advanced Mode"},
    {"cmdInternetBooster", 3, "Backup"},
    {"cmdSystemSettings", 0, "System Settings"},
    {"cmdSystemSettings", 1, "Internet Properties"},
    {"cmdSystemSettings", 2, "System Properties"},
    {"cmdSystemSettings", 3, "Modems Settings"},
    {"cmdSystemSettings", 4, "Network Settings"},
    {"cmdRamBooster", 0, "Ram Booster"},
    {"cmdRamBooster", 1, "System Status"},
    {"cmdRamBooster", 2, "Ram Configuration"},
    {"cmdNetPinger", 0, "Net Pinger"},
    {"cmdNetPinger", 1, "Ping Settings"},
    {"cmdMainSettings", -1, "Main Settings"},
    {"cmdHomePage", -1, "Home Page"},
    {"cmdAbout", -1, "About"},
    {"cmdHelp", -1, "Help"},
};
constexpr int kFirstPanelButtonId = 500;

FeatureWindow* makePlaceholder(FeatureHost& host, const FeatureDesign& design) {
    return new FeatureWindow(host, design.name, design.caption, design.client, *design.controls);
}

}  // namespace

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
    features_[kWizardMode].reset(makePlaceholder(*this, wizardModeDesign()));
    features_[kNormalMode].reset(makePlaceholder(*this, normalModeDesign()));
    features_[kBackUp].reset(makePlaceholder(*this, backUpDesign()));
    features_[kNetPingerSettings].reset(makePlaceholder(*this, netPingerSettingsDesign()));
    features_[kSystemStatus].reset(makePlaceholder(*this, systemStatusDesign()));
    features_[kRamConfiguration].reset(makePlaceholder(*this, ramConfigurationDesign()));
    features_[kMainSettings] = std::make_unique<MainSettingsWindow>(*this);
}

MainWindow::~MainWindow() {
    for (auto& feature : features_) feature.reset();
    destroy();
}

MainSettingsWindow& MainWindow::mainSettings() {
    return static_cast<MainSettingsWindow&>(*features_[kMainSettings]);
}

bool MainWindow::onCreate() {
    registerChildAreaClass();
    childArea_ = CreateWindowExA(0, kChildAreaClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                                 kChildAreaLeft, kChildAreaTop, kChildAreaWidth, kChildAreaHeight,
                                 hwnd(), nullptr, win::moduleInstance(), nullptr);
    createButtonPanel();
    flash_.onFSCommand = [this](const std::string& command, const std::string& args) {
        onFSCommand(command, args);
    };
    if (!flash_.create(hwnd(), 0, 0, kMainWidth, kMainHeight)) return false;
    return childArea_ != nullptr;
}

void MainWindow::createButtonPanel() {
    int id = kFirstPanelButtonId;
    int x = 4, y = 4;
    for (const PanelButton& button : kPanelButtons) {
        CreateWindowExA(0, "BUTTON", button.caption, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | BS_PUSHBUTTON, x, y,
                        120, 24, hwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(id++)),
                        win::moduleInstance(), nullptr);
        y += 26;
    }
}

bool MainWindow::start() {
    int left = (GetSystemMetrics(SM_CXSCREEN) - kMainWidth) / 2;
    int top = (GetSystemMetrics(SM_CYSCREEN) - kMainHeight) / 2;
    HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    if (!create(kMainWindowClass, kMainCaption, WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX |
                                                    WS_CLIPCHILDREN,
                0, std::max(left, 0), std::max(top, 0), kMainWidth, kMainHeight, nullptr, nullptr,
                CS_HREDRAW | CS_VREDRAW, black))
        return false;
    HICON big = static_cast<HICON>(LoadImageA(win::moduleInstance(), MAKEINTRESOURCEA(IDI_QUELLAR),
                                              IMAGE_ICON, 32, 32, 0));
    if (big) SendMessageA(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));

    // 2. The mutex lives, untested and unclosed, until the process ends.
    CreateMutexA(nullptr, FALSE, "SmQuellar");
    // 3. The face fills the window.
    MoveWindow(flash_.hwnd(), 0, 0, kMainWidth, kMainHeight, FALSE);
    // 4. The face covers the child area until a feature window is hosted.
    bringToFront(childArea_);
    bringToFront(flash_.hwnd());
    // 5.
    flash_.LoadMovie(0, joinProgramFolder(kFaceFileName));
    // 6.
    skin_.loadSkinFile(joinProgramFolder(kSkinFileName));
    skin_.applySkinElement(childArea_, "NoFrame");
    // 7.
    FileVersion version = ownFileVersion();
    flash_.SetVariable("_root.version", versionText(version.major, version.minor, version.revision));
    // 8.
    shell::detectWindowsVersion();
    // 9.
    initTuningPresets();
    // 10.
    tray_.create(hwnd());
    HICON trayIcon = static_cast<HICON>(LoadImageA(
        win::moduleInstance(), MAKEINTRESOURCEA(IDI_QUELLAR), IMAGE_ICON, 32, 32, 0));
    tray_.setTrayImage(trayIcon);
    tray_.onLeftClick = [this] { showMainWindow(); };
    tray_.onMouseClick = [this](int&) { showMainWindow(); };
    tray_.Show(true);
    // 11. frmNormalMode is made on its first use only.
    for (FeatureIndex index : {kWizardMode, kBackUp, kNetPingerSettings, kSystemStatus,
                               kRamConfiguration, kMainSettings}) {
        features_[index]->load();
    }
    // 12.
    if (mainSettings().settings().runProgramMini() == 1) {
        ShowWindow(hwnd(), SW_HIDE);
        showTrayNotice();
    } else {
        ShowWindow(hwnd(), SW_SHOWNORMAL);
        UpdateWindow(hwnd());
    }
    // 13.
    hookFlashWindow();
    return true;
}

void MainWindow::showTrayNotice() {
    if (isNtFamily(winVersion)) {
        tray_.showBalloonoolTip(true);
        return;
    }
    float x = static_cast<float>(GetSystemMetrics(SM_CXSCREEN) - kNoticeRightInset);
    float y = static_cast<float>(GetSystemMetrics(SM_CYSCREEN));
    msgbox::msgFrm().MsgAuto_box(kTrayNotice, kNoticeFlags, kTrayNoticeCaption, kNoticeSeconds, true,
                        kNoticeColour, x, y, 0);
}

void MainWindow::bringToFront(HWND window) {
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
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
    ShowWindow(hwnd(), SW_SHOW);
}

void MainWindow::dragMainWindow() {
    ReleaseCapture();
    SendMessageA(hwnd(), WM_NCLBUTTONDOWN, HTCAPTION, 0);
}

void MainWindow::skinFeatureWindow(FeatureWindow& window) {
    skin_.applySkinElement(window.hwnd(), "controlForm");
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
    hideAllChildForms();
    HWND window = features_[index]->hwnd();
    if (GetParent(window) != childArea_) {
        // A window hosted once stays a child of the child area; it keeps
        // its designed position, the area's top-left corner.
        LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
        SetWindowLongPtrA(window, GWL_STYLE, (style & ~static_cast<LONG_PTR>(WS_POPUP)) | WS_CHILD);
        SetParent(window, childArea_);
        SetWindowPos(window, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
    }
    ShowWindow(window, SW_SHOW);
    bringToFront(childArea_);
}

void MainWindow::sizeChildArea(int width, int height) {
    SetWindowPos(childArea_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindow::unloadAll(const std::array<FeatureIndex, kFeatureCount>& order) {
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

void MainWindow::onFSCommand(const std::string& command, const std::string&) {
    auto parsed = parseUiCommand(command);
    if (!parsed) return;
    switch (*parsed) {
    case UiCommand::Minimize:
        ShowWindow(hwnd(), SW_MINIMIZE);
        break;
    case UiCommand::Close:
        unloadAll({kWizardMode, kNormalMode, kBackUp, kNetPingerSettings, kSystemStatus,
                   kRamConfiguration, kMainSettings});
        tray_.Show(false);
        endProcess();
        break;
    case UiCommand::Tray:
        ShowWindow(hwnd(), SW_HIDE);
        showTrayNotice();
        break;
    case UiCommand::Home:
    case UiCommand::Hide:
        bringToFront(flash_.hwnd());
        break;
    case UiCommand::Drag:
        dragMainWindow();
        break;
    case UiCommand::Settings:
        showChildForm(kMainSettings);
        sizeChildArea(440, 245);
        break;
    default:
        // The other hosting commands, the applets, help and restart are
        // acted on by the command dispatch; until then they do nothing.
        break;
    }
}

bool MainWindow::onMessage(UINT msg, WPARAM, LPARAM, LRESULT& result) {
    if (msg == WM_CLOSE) {
        Form_Unload();
        result = 0;
        return true;
    }
    return false;
}

void MainWindow::onDestroy() {
    tray_.Show(false);
}

}  // namespace quellar::shell
