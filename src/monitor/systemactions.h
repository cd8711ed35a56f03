#pragma once
// The three system actions the memory class (Memory) offers beside its
// memory figures: shut down, restart or log off Windows, open a web address
// and start an e-mail message. Memory takes them by deriving from this
// class. All go through effects() (core/effects.h), so tests see the
// requests and nothing is started for real.
#include <optional>
#include <string>

namespace quellar::monitor {

// ExitWindowsEx flags of the shut-down words "shutdown" (EWX_SHUTDOWN 1),
// "reboot" (EWX_REBOOT 2) and "logoff" (EWX_LOGOFF 0), compared after the
// word is lower-cased; no value for any other word.
std::optional<unsigned> exitWindowsFlagsFor(const std::string& word);

// Show states of the shell opens.
inline constexpr int kShowMaximized = 3;  // SW_SHOWMAXIMIZED
inline constexpr int kShowRestore = 9;    // SW_RESTORE

class SystemActions {
public:
    // ExitWindowsEx with the word's flags and reserved value 0; its result,
    // or 0 without any request for a word outside the table. The shutdown
    // privilege is not enabled here.
    int exitWindows(const std::string& word);
    // Opens the address with the "open" verb, maximised, no owner window.
    void openWebPage(const std::string& address);
    // Opens "mailto:" + the address with the default verb, restored, no
    // owner window. An empty address starts a message without recipient.
    void startEmail(const std::string& address);
};

}  // namespace quellar::monitor
