#include "app/addons.h"

#include "core/effects.h"
#include "core/osversion.h"

namespace quellar::shell {

namespace {

constexpr int kFirstWinVersion = 1;
constexpr int kLastWinVersion = 7;

std::uintptr_t startApplet(const std::string& commandLine) {
    return effects().startProgram(ProgramStart{commandLine, kAppletShowState});
}

}  // namespace

std::optional<std::string> networkSettingsCommandLine(int version) {
    if (version < kFirstWinVersion || version > kLastWinVersion) return std::nullopt;
    return std::string(isNtFamily(version) ? kNetworkSettingsNtCommand : kNetworkSettings9xCommand);
}

std::uintptr_t OpenInternetProperties() {
    return startApplet(kInternetPropertiesCommand);
}

std::uintptr_t OpenSystemProperties() {
    return startApplet(kSystemPropertiesCommand);
}

std::uintptr_t OpenModemSettings() {
    return startApplet(kModemSettingsCommand);
}

std::optional<std::uintptr_t> OpenNetworkSettings() {
    auto commandLine = networkSettingsCommandLine(winVersion);
    if (!commandLine) return std::nullopt;
    return startApplet(*commandLine);
}

}  // namespace quellar::shell
