#include "app/addons.h"

#include "core/effects.h"
#include "core/osversion.h"

namespace quellar::app {

namespace {

constexpr unsigned kWarningBox = 0x30;  // MB_OK | MB_ICONEXCLAMATION
constexpr int kFirstTelephonyVersion = 6;  // Windows 2000

std::uintptr_t startApplet(std::uintptr_t owner, const char* what, const std::string& commandLine) {
    const std::uintptr_t task = effects().startProgram(ProgramStart{commandLine, kAppletShowState});
    if (task == 0) {
        tellNotOpened(owner, std::string(what) + " could not be opened: Windows did not start \"" + commandLine +
                                 "\".");
    }
    return task;
}

}  // namespace

std::string modemSettingsCommandLine(int version) {
    const bool telephony = version >= kFirstTelephonyVersion && version <= kLastWinVersion;
    return telephony ? kTelephonySettingsCommand : kModemSettingsCommand;
}

std::optional<std::string> networkSettingsCommandLine(int version) {
    if (version < kFirstWinVersion || version > kLastWinVersion) return std::nullopt;
    return std::string(isNtFamily(version) ? kNetworkSettingsNtCommand : kNetworkSettings9xCommand);
}

std::uintptr_t openInternetProperties(std::uintptr_t owner) {
    return startApplet(owner, "Internet Properties", kInternetPropertiesCommand);
}

std::uintptr_t openSystemProperties(std::uintptr_t owner) {
    return startApplet(owner, "System Properties", kSystemPropertiesCommand);
}

std::uintptr_t openModemSettings(std::uintptr_t owner) {
    return startApplet(owner, "Modems Settings", modemSettingsCommandLine(winVersion));
}

std::optional<std::uintptr_t> openNetworkSettings(std::uintptr_t owner) {
    auto commandLine = networkSettingsCommandLine(winVersion);
    if (!commandLine) return std::nullopt;
    return startApplet(owner, "Network Settings", *commandLine);
}

std::string helpNotOpenedMessage(const std::string& file, std::uintptr_t shellResult) {
    std::string reason;
    switch (shellResult) {
    case 0:
    case 8:  // SE_ERR_OOM
        reason = "the system is out of memory or resources";
        break;
    case 2:  // SE_ERR_FNF
    case 3:  // SE_ERR_PNF
        reason = "the file is missing";
        break;
    case 5:  // SE_ERR_ACCESSDENIED
        reason = "access was refused";
        break;
    case 31:  // SE_ERR_NOASSOC
        reason = "no program is set up to open help files of this kind";
        break;
    default:
        reason = "error " + std::to_string(shellResult);
        break;
    }
    return "The help file " + file + " could not be opened: " + reason + ".";
}

void tellNotOpened(std::uintptr_t owner, const std::string& text) {
    effects().messageBox(owner, text, "Quellar", kWarningBox);
}

}  // namespace quellar::app
