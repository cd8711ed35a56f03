#pragma once
// The console program's command line: the commands, their arguments, the
// help texts and the usage errors. Portable, so every rule is tested
// natively; console/console_win.h carries the commands out.
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace quellar::console {

inline constexpr char kProgramName[] = "quellarc";

// Exit codes: done, the action failed, bad usage.
inline constexpr int kExitDone = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

enum class CommandKind {
    Overview, Presets, Preview, Apply, Backups, Show, Restore, Ping, FreeRam, Status, Mtu, Adapters, Export
};

inline constexpr unsigned kPingTimeoutMs = 10000;   // as the Net Pinger waits
inline constexpr unsigned kLongestTimeoutMs = 60000;

struct Command {
    CommandKind kind = CommandKind::Overview;
    bool help = false;        // show this command's help instead of running it
    bool version = false;     // show the program's version instead of running anything
    std::size_t preset = 0;   // Preview, Apply, Export: index into tuningPresets
    int backup = 0;           // Show, Restore, Export: 1 to 999 (Export: 0 exports the preset)
    std::vector<std::string> adapters;  // Preview, Apply, Export: --adapter; empty: every adapter
    std::string file;         // Export
    std::string host;         // Ping, Mtu
    unsigned timeoutMs = 0;   // Ping, Mtu: per echo
    int megabytes = 0;        // FreeRam
};

struct ParsedCommandLine {
    std::optional<Command> command;  // none: a usage error
    std::string error;               // for standard error, when there is no command
};

// `arguments` are those after the program's name. No arguments is a usage
// error; "--help", "-h", "/?" and "help" alone give the overview; "help
// COMMAND" and "COMMAND --help" that command's help; "--version" alone the
// version.
ParsedCommandLine parseCommandLine(const std::vector<std::string>& arguments);

// The overview: every command, the preset names and the exit codes.
std::string overviewHelp();
// One command's help.
std::string commandHelp(CommandKind kind);
// "quellarc 1.0.0.1": the build's one version, as the program and the
// installer show it.
std::string versionLine();
// What follows a usage error on standard error.
std::string usageHint();

// A Wizard mode's name in any letter case -> its preset index.
std::optional<std::size_t> presetIndexOf(const std::string& name);
// "7", "007" or "007.BCK" (any letter case) -> 7; nothing outside 1 to 999.
std::optional<int> backupNumberOf(const std::string& text);

}  // namespace quellar::console
