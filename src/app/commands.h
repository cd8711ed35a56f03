#pragma once
// The command strings the face sends, and the one lookup that turns them
// into actions. Matching is exact: no trimming, no case folding; a text that
// is not in the table does nothing.
#include <optional>
#include <string>
#include <vector>

namespace quellar::app {

enum class UiCommand {
    Minimize,
    About,
    CloseAbout,
    Main,
    Close,
    Tray,
    Home,
    Settings,
    Help,
    Drag,
    Hide,
    WizardMode,
    AdvancedMode,
    BackupManager,
    PingSetting,
    SystemStatus,
    RamConfig,
    InternetProperties,
    SystemSetting,
    ModemSetting,
    NetworkSetting,
    Restart,
    SysSettingClicked,
};

std::optional<UiCommand> parseUiCommand(const std::string& text);

// Every command text the face may send, in table order.
const std::vector<std::string>& uiCommandTexts();

}  // namespace quellar::app
