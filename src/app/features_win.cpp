#include "app/features_win.h"

#include <string>

#include "app/mainwindow_win.h"
#include "features/advanced/advancedmode_win.h"
#include "features/backup/backupmanager_win.h"
#include "features/mainsettings/mainsettings_win.h"
#include "features/netpinger/netpingersettings_win.h"
#include "features/ramconfig/ramconfigwindow_win.h"
#include "features/systemstatus/systemstatuswindow_win.h"
#include "features/wizard/wizardmode_win.h"

namespace quellar::app {

namespace {

template <typename Window>
std::unique_ptr<ui::FeatureWindow> makePlain(MainWindow& main) {
    return std::make_unique<Window>(main);
}

// The two monitor windows meet here: the graphs' memory tick reads the
// tooltip unit from RAM configuration and sets the tray's tooltip; the
// memory alarm reads System status's processor meter. The program is built
// without run-time type information (it would cost a name for every lambda
// a std::function holds), so they reach each other by static_cast: their
// slots hold those windows, or a test's subclass of them.
std::unique_ptr<ui::FeatureWindow> makeSystemStatus(MainWindow& main) {
    return std::make_unique<features::SystemStatusWindow>(
        main,
        [&main] {
            auto* ram = static_cast<features::RamConfigurationWindow*>(main.featureIfMade(kRamConfiguration));
            return ram && ram->percentTooltip();
        },
        [&main](const std::string& text) {
            // Three times a second: the shell is asked only when the tip
            // changes, each request being a round trip to the tray.
            ui::Tray& tray = main.tray();
            if (text == tray.tip() && tray.isShown()) return;
            tray.setTip(text);
            tray.show(true);
        });
}

std::unique_ptr<ui::FeatureWindow> makeRamConfiguration(MainWindow& main) {
    auto ram = std::make_unique<features::RamConfigurationWindow>(
        main, [&main]() -> std::shared_ptr<monitor::ProcessorMeter> {
            auto* status = static_cast<features::SystemStatusWindow*>(main.featureIfMade(kSystemStatus));
            return status ? status->processorMeter() : nullptr;
        });
    ram->setAlarmNotice([&main](const std::string& text) { main.showTrayNotice(text, main.tray().tip()); });
    return ram;
}

constexpr FeatureTable kFeatures = {{
    {kWizardMode, UiCommand::WizardMode, {440, 250}, true, 1, BeforeHosting::Nothing, "wizard.html",
     makePlain<features::WizardModeWindow>},
    // Made on its first use only.
    {kAdvancedMode, UiCommand::AdvancedMode, {440, 252}, false, 2, BeforeHosting::StartAfresh, "advanced.html",
     makePlain<features::AdvancedModeWindow>},
    {kBackupManager, UiCommand::BackupManager, {440, 246}, true, 3, BeforeHosting::RebuildList,
     "backup-manager.html", makePlain<features::BackupManagerWindow>},
    {kNetPingerSettings, UiCommand::PingSetting, {440, 244}, true, 4, BeforeHosting::Nothing, "net-pinger.html",
     makePlain<features::NetPingerSettingsWindow>},
    {kSystemStatus, UiCommand::SystemStatus, {440, 255}, true, 7, BeforeHosting::Nothing, "system-status.html",
     makeSystemStatus},
    {kRamConfiguration, UiCommand::RamConfig, {440, 240}, true, 5, BeforeHosting::Nothing,
     "ram-configuration.html", makeRamConfiguration},
    // Start-up loads it before the others: it says whether the window shows.
    {kMainSettings, UiCommand::Settings, {440, 245}, true, 6, BeforeHosting::Nothing, "main-settings.html",
     makePlain<features::MainSettingsWindow>},
}};

// A row left out, or two rows for one window, fails here.
constexpr bool rowsInIndexOrder() {
    for (int i = 0; i < kFeatureCount; ++i) {
        const FeatureRow& row = kFeatures[static_cast<std::size_t>(i)];
        if (row.index != i || !row.make || !row.helpPage) return false;
    }
    return true;
}
static_assert(rowsInIndexOrder(), "one row per feature window, in index order");

// Each turn taken by exactly one window, so the shutdown leaves none out.
constexpr bool eachShutdownTurnOnce() {
    bool taken[kFeatureCount] = {};
    for (const FeatureRow& row : kFeatures) {
        if (row.shutdownTurn < 1 || row.shutdownTurn > kFeatureCount || taken[row.shutdownTurn - 1]) return false;
        taken[row.shutdownTurn - 1] = true;
    }
    return true;
}
static_assert(eachShutdownTurnOnce(), "every feature window has its own shutdown turn");

}  // namespace

const FeatureTable& featureTable() {
    return kFeatures;
}

const FeatureRow& featureRow(FeatureIndex index) {
    return kFeatures[static_cast<std::size_t>(index)];
}

std::array<FeatureIndex, kFeatureCount> shutdownOrder() {
    std::array<FeatureIndex, kFeatureCount> order{};
    for (const FeatureRow& row : kFeatures) order[static_cast<std::size_t>(row.shutdownTurn - 1)] = row.index;
    return order;
}

}  // namespace quellar::app
