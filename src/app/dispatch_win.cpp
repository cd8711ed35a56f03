// The face's commands and the panel under the face, through one table of
// actions.
#include "app/dispatch_win.h"

#include <cstdint>
#include <utility>

#include "app/addons.h"
#include "app/mainwindow_win.h"
#include "core/effects.h"
#include "win/dpi_win.h"

namespace quellar::app {

namespace {

// The face's commands that do not open a feature window (those are in the
// feature table).
const std::pair<UiCommand, Action> kFaceActions[] = {
    {UiCommand::Minimize, {ActionKind::Minimize}},
    {UiCommand::About, {ActionKind::About}},
    {UiCommand::CloseAbout, {ActionKind::CloseAbout}},
    {UiCommand::Main, {ActionKind::HideFeatures}},
    {UiCommand::SysSettingClicked, {ActionKind::HideFeatures}},
    {UiCommand::Close, {ActionKind::Close}},
    {UiCommand::Tray, {ActionKind::ToTray}},
    {UiCommand::Home, {ActionKind::FaceToFront}},
    {UiCommand::Hide, {ActionKind::FaceToFront}},
    {UiCommand::Help, {ActionKind::Help}},
    {UiCommand::Drag, {ActionKind::Drag}},
    {UiCommand::InternetProperties, {ActionKind::InternetProperties}},
    {UiCommand::SystemSetting, {ActionKind::SystemProperties}},
    {UiCommand::ModemSetting, {ActionKind::ModemSettings}},
    {UiCommand::NetworkSetting, {ActionKind::NetworkSettings}},
    {UiCommand::Restart, {ActionKind::Restart}},
};

struct PanelButton {
    PanelButtonName name;
    const char* caption;
    Action action;
};

constexpr Action show(FeatureIndex index) {
    return {ActionKind::ShowFeature, index};
}
constexpr Action notHandled(const char* message) {
    return {ActionKind::SayNotHandled, kFeatureCount, message};
}

// The older command panel that lies under the face. Its clicks do what the
// face's commands do, except that the child area keeps its size.
const PanelButton kPanelButtons[] = {
    {{"cmdInternetBooster", 0}, "Quellar", notHandled("Not handled")},
    {{"cmdInternetBooster", 1}, "Wizard Mode", show(kWizardMode)},
    {{"cmdInternetBooster", 2}, "Advanced Mode", show(kAdvancedMode)},
    {{"cmdInternetBooster", 3}, "Backup", show(kBackupManager)},
    {{"cmdSystemSettings", 0}, "System Settings", notHandled("Not handled")},
    {{"cmdSystemSettings", 1}, "Internet Properties", {ActionKind::InternetProperties}},
    {{"cmdSystemSettings", 2}, "System Properties", {ActionKind::SystemProperties}},
    {{"cmdSystemSettings", 3}, "Modems Settings", {ActionKind::ModemSettings}},
    {{"cmdSystemSettings", 4}, "Network Settings", {ActionKind::NetworkSettings}},
    {{"cmdRamBooster", 0}, "Ram Booster", notHandled("Not handled yet")},
    {{"cmdRamBooster", 1}, "System Status", show(kSystemStatus)},
    {{"cmdRamBooster", 2}, "Ram Configuration", show(kRamConfiguration)},
    {{"cmdNetPinger", 0}, "Net Pinger", notHandled("Not handled")},
    {{"cmdNetPinger", 1}, "Ping Settings", show(kNetPingerSettings)},
    {{"cmdMainSettings", -1}, "Main Settings", show(kMainSettings)},
    {{"cmdHomePage", -1}, "Home Page", {ActionKind::Nothing}},
    {{"cmdAbout", -1}, "About", {ActionKind::Nothing}},
    {{"cmdHelp", -1}, "Help", {ActionKind::Nothing}},
};
constexpr std::size_t kPanelButtonCount = sizeof kPanelButtons / sizeof kPanelButtons[0];
constexpr int kPanelButtonWidth = 120;
constexpr int kPanelButtonHeight = 24;
constexpr int kPanelButtonPitch = 26;
constexpr int kPanelMargin = 4;
constexpr int kFirstPanelButtonId = 500;

}  // namespace

Action faceAction(UiCommand command) {
    for (const FeatureRow& row : featureTable()) {
        if (row.command == command) return {ActionKind::OpenFeature, row.index};
    }
    for (const auto& [face, action] : kFaceActions) {
        if (face == command) return action;
    }
    return {ActionKind::Nothing};
}

void MainWindow::onFaceCommand(const std::string& command) {
    auto parsed = parseUiCommand(command);
    if (!parsed) return;
    // A command given in the moment between the show and the rest of the
    // start-up finds everything in place.
    finishStartup();
    runAction(faceAction(*parsed));
}

void MainWindow::runAction(const Action& action) {
    const auto owner = reinterpret_cast<std::uintptr_t>(hwnd());
    switch (action.kind) {
    case ActionKind::Minimize: ShowWindow(hwnd(), SW_MINIMIZE); break;
    case ActionKind::About: showAbout(); break;
    case ActionKind::CloseAbout: closeAbout(); break;
    case ActionKind::HideFeatures:
        aboutReturn_.reset();
        hideFeatures();
        bringFaceToFront();
        break;
    case ActionKind::FaceToFront:
        aboutReturn_.reset();
        bringFaceToFront();
        break;
    case ActionKind::Close: closeProgram(); break;
    case ActionKind::ToTray: hideToTray(); break;
    case ActionKind::Help: openHelp(); break;
    case ActionKind::Drag: dragMainWindow(); break;
    case ActionKind::OpenFeature: openFeature(action.feature); break;
    case ActionKind::ShowFeature: showFeature(action.feature); break;
    case ActionKind::InternetProperties: openInternetProperties(owner); break;
    case ActionKind::SystemProperties: openSystemProperties(owner); break;
    case ActionKind::ModemSettings: openModemSettings(owner); break;
    case ActionKind::NetworkSettings: openNetworkSettings(owner); break;
    case ActionKind::Restart:
        aboutReturn_.reset();
        restartWindows();
        break;
    case ActionKind::SayNotHandled: sayNotHandled(action.message); break;
    case ActionKind::Nothing: break;
    }
}

void MainWindow::openFeature(FeatureIndex index) {
    if (featureRow(index).beforeHosting == BeforeHosting::StartAfresh) startAdvancedAfresh();
    showFeature(index);
    const ChildAreaSize size = featureRow(index).hosting;
    sizeChildArea(win::scaled(size.width), win::scaled(size.height));
}

void MainWindow::showFeature(FeatureIndex index) {
    // The Advanced mode window keeps its page here; only the face's command
    // starts it afresh.
    if (featureRow(index).beforeHosting == BeforeHosting::RebuildList) {
        backupManager().load();
        backupManager().rebuildList();
    }
    hostFeature(index);
}

void MainWindow::startAdvancedAfresh() {
    // Always a fresh window on its first page: whatever was entered before
    // is dropped.
    ui::AdvancedWindowBase& window = advancedMode();
    window.unload();
    window.setStartPage(0);
    window.load();
}

const std::vector<PanelButtonName>& MainWindow::panelButtonNames() {
    static const std::vector<PanelButtonName> names = [] {
        std::vector<PanelButtonName> all;
        for (const PanelButton& button : kPanelButtons) all.push_back(button.name);
        return all;
    }();
    return names;
}

HWND MainWindow::panelButton(const std::string& name, int index) {
    createButtonPanel();
    for (std::size_t row = 0; row < kPanelButtonCount && row < panelButtons_.size(); ++row) {
        if (name == kPanelButtons[row].name.name && index == kPanelButtons[row].name.index)
            return panelButtons_[row];
    }
    return nullptr;
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
    finishStartup();
    runAction(kPanelButtons[row].action);
    return true;
}

void MainWindow::sayNotHandled(const char* text) {
    effects().messageBox(reinterpret_cast<std::uintptr_t>(hwnd()), text, kMainCaption, MB_OK);
}

}  // namespace quellar::app
