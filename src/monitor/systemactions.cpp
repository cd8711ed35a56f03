#include "monitor/systemactions.h"

#include <utility>

#include "core/effects.h"
#include "core/text.h"

namespace quellar::monitor {

namespace {

constexpr unsigned kEwxLogoff = 0;
constexpr unsigned kEwxShutdown = 1;
constexpr unsigned kEwxReboot = 2;

const std::pair<const char*, unsigned> kShutdownWords[] = {
    {"shutdown", kEwxShutdown},
    {"reboot", kEwxReboot},
    {"logoff", kEwxLogoff},
};

const char* const kOpenVerb = "open";
const char* const kMailPrefix = "mailto:";

}  // namespace

std::optional<unsigned> exitWindowsFlagsFor(const std::string& word) {
    for (const auto& [name, flags] : kShutdownWords) {
        if (text::equalsIgnoreCase(word, name)) return flags;
    }
    return std::nullopt;
}

int SystemActions::exitWindows(const std::string& word) {
    auto flags = exitWindowsFlagsFor(word);
    if (!flags) return 0;
    return effects().exitWindows(*flags, 0);
}

void SystemActions::openWebPage(const std::string& address) {
    ShellOpen open;
    open.verb = kOpenVerb;
    open.file = address;
    open.showState = kShowMaximized;
    effects().shellOpen(open);
}

void SystemActions::startEmail(const std::string& address) {
    ShellOpen open;
    open.file = kMailPrefix + address;
    open.showState = kShowRestore;
    effects().shellOpen(open);
}

}  // namespace quellar::monitor
