#include "app/commands.h"

#include <utility>

namespace quellar::app {

namespace {
// The texts are the face's own, spelling included.
const std::pair<const char*, UiCommand> kTable[] = {
    {"IDC_FS_minimize", UiCommand::Minimize},
    {"IDC_FS_about", UiCommand::About},
    {"IDC_FS_closeAbout", UiCommand::CloseAbout},
    {"IDC_FS_main", UiCommand::Main},
    {"IDC_FS_close", UiCommand::Close},
    {"IDC_FS_tray", UiCommand::Tray},
    {"IDC_FS_home", UiCommand::Home},
    {"IDC_FS_settings", UiCommand::Settings},
    {"IDC_FS_help", UiCommand::Help},
    {"Drag", UiCommand::Drag},
    {"IDC_FS_hide", UiCommand::Hide},
    {"IDC_FS_wizardMode", UiCommand::WizardMode},
    {"IDC_FS_normalMode", UiCommand::AdvancedMode},
    {"IDC_FS_backupManger", UiCommand::BackupManager},
    {"IDC_FS_pingSetting", UiCommand::PingSetting},
    {"IDC_FS_systemSatus", UiCommand::SystemStatus},
    {"IDC_FS_ramConfig", UiCommand::RamConfig},
    {"IDC_FS_internetProperties", UiCommand::InternetProperties},
    {"IDC_FS_systemSetting", UiCommand::SystemSetting},
    {"IDC_FS_modemSetting", UiCommand::ModemSetting},
    {"IDC_FS_networkSetting", UiCommand::NetworkSetting},
    {"IDC_FS_restart", UiCommand::Restart},
    {"IDC_FS_sysSettingClicked", UiCommand::SysSettingClicked},
};
}  // namespace

std::optional<UiCommand> parseUiCommand(const std::string& text) {
    for (const auto& [name, command] : kTable) {
        if (text == name) return command;
    }
    return std::nullopt;
}

const std::vector<std::string>& uiCommandTexts() {
    static const std::vector<std::string> texts = [] {
        std::vector<std::string> all;
        for (const auto& entry : kTable) all.emplace_back(entry.first);
        return all;
    }();
    return texts;
}

}  // namespace quellar::app
