#include "shell/commands.h"

#include <utility>

namespace quellar {

namespace {
// The texts are the face's own, spelling included.
const std::pair<const char*, FaceCommand> kTable[] = {
    {"IDC_FS_minimize", FaceCommand::Minimize},
    {"IDC_FS_about", FaceCommand::About},
    {"IDC_FS_closeAbout", FaceCommand::CloseAbout},
    {"IDC_FS_main", FaceCommand::Main},
    {"IDC_FS_close", FaceCommand::Close},
    {"IDC_FS_tray", FaceCommand::Tray},
    {"IDC_FS_home", FaceCommand::Home},
    {"IDC_FS_settings", FaceCommand::Settings},
    {"IDC_FS_help", FaceCommand::Help},
    {"Drag", FaceCommand::Drag},
    {"IDC_FS_hide", FaceCommand::Hide},
    {"IDC_FS_wizardMode", FaceCommand::WizardMode},
    {"IDC_FS_normalMode", FaceCommand::NormalMode},
    {"IDC_FS_backupManger", FaceCommand::BackupManager},
    {"IDC_FS_pingSetting", FaceCommand::PingSetting},
    {"IDC_FS_systemSatus", FaceCommand::SystemStatus},
    {"IDC_FS_ramConfig", FaceCommand::RamConfig},
    {"IDC_FS_internetProperties", FaceCommand::InternetProperties},
    {"IDC_FS_systemSetting", FaceCommand::SystemSetting},
    {"IDC_FS_modemSetting", FaceCommand::ModemSetting},
    {"IDC_FS_networkSetting", FaceCommand::NetworkSetting},
    {"IDC_FS_restart", FaceCommand::Restart},
    {"IDC_FS_sysSettingClicked", FaceCommand::SysSettingClicked},
};
}  // namespace

std::optional<FaceCommand> parseFaceCommand(const std::string& text) {
    for (const auto& [name, command] : kTable) {
        if (text == name) return command;
    }
    return std::nullopt;
}

const std::vector<std::string>& faceCommandTexts() {
    static const std::vector<std::string> texts = [] {
        std::vector<std::string> all;
        for (const auto& entry : kTable) all.emplace_back(entry.first);
        return all;
    }();
    return texts;
}

}  // namespace quellar
