#include "console/commandline.h"

#include <cstdint>

#include "backup/backupfile.h"
#include "core/text.h"
#include "monitor/systemstatus.h"
#include "net/mtufinder.h"
#include "tuning/presets.h"
#include "version.h"

namespace quellar::console {

namespace {

// A usage error's text, or nothing when the words were fine.
using Problem = std::optional<std::string>;

// Options a command takes besides its operands.
enum Options : unsigned { kNoOptions = 0, kAdapterOption = 1, kTimeoutOption = 2 };

// Turns a command's operands (as many as its row says) into its fields.
using OperandReader = Problem (*)(Command& command, const std::vector<std::string>& operands);

Problem readPreset(Command& command, const std::vector<std::string>& operands);
Problem readExport(Command& command, const std::vector<std::string>& operands);
Problem readBackupNumber(Command& command, const std::vector<std::string>& operands);
Problem readHost(Command& command, const std::vector<std::string>& operands);
Problem readMegabytes(Command& command, const std::vector<std::string>& operands);

struct CommandInfo {
    CommandKind kind;
    const char* name;
    const char* synopsis;  // the arguments
    const char* summary;   // one line for the overview
    const char* details;   // the rest of its help
    std::size_t operands = 0;
    unsigned options = kNoOptions;
    OperandReader read = nullptr;
    const char* operandRule = nullptr;  // said for a wrong count, instead of the one built from the synopsis
};

const CommandInfo kCommands[] = {
    {CommandKind::Presets, "presets", "", "the eight presets and their values",
     "Lists the Wizard's eight presets, Automatic-A to Automatic-G and \"Windows default\",\n"
     "with every value each of them writes. Writes nothing.\n"},
    {CommandKind::Preview, "preview", "PRESET", "what applying PRESET would change; writes nothing",
     "Shows every registry value an apply of PRESET would write on this Windows, its value\n"
     "now and afterwards, the changing ones marked with *. Writes nothing.\n",
     1, kAdapterOption, readPreset},
    {CommandKind::Apply, "apply", "PRESET [--adapter SUBKEY...]", "back up the current values, then apply PRESET",
     "Applies PRESET as the Wizard's \"Optimize Now\" does: first a backup of the current\n"
     "values into the next numbered file of the Backups folder, then the writes. Prints the\n"
     "backup's name and every value that changed. Nothing is written when the backup cannot\n"
     "be; exit code 1 when any write is refused.\n"
     "With --adapter the MTU and MSS go only to the adapters named by their SUBKEY (as\n"
     "\"adapters\" lists them); every other value is written as usual, and the backup still\n"
     "holds every adapter's values.\n",
     1, kAdapterOption, readPreset},
    {CommandKind::Adapters, "adapters", "", "each adapter's name, subkey and MTU now",
     "Lists the adapters that get the MTU and MSS, by the name Windows shows for them, with\n"
     "the registry subkey that --adapter takes and the MTU each has now (\"not set\": Windows\n"
     "chooses). Writes nothing.\n"},
    {CommandKind::Export, "export", "PRESET|NNN FILE [--adapter SUBKEY...]", "save PRESET or backup NNN as a .reg file",
     "Writes to FILE, as a registry file that every Windows registry editor imports\n"
     "(\"regedit /s FILE\"), exactly the values an apply of PRESET on this Windows, or a\n"
     "restore of backup NNN, would write; removed values as removals. --adapter limits the\n"
     "MTU and MSS as in \"apply\". Nothing is written to the registry; an existing FILE is\n"
     "replaced.\n",
     2, kAdapterOption, readExport, "export needs a preset or a backup number, then a file name"},
    {CommandKind::Backups, "backups", "", "number, date, time and Windows of each backup",
     "Lists the backup files of the Backups folder beside the program, by number, with the\n"
     "date, time and Windows version each was taken on. Writes nothing.\n"},
    {CommandKind::Show, "show", "NNN", "backup NNN beside the current values",
     "Checks backup NNN (1 to 999, or its file name) and shows every value it would restore\n"
     "beside the value now, the differing ones marked with *. Writes nothing; exit code 1\n"
     "when the file is missing or does not check out.\n",
     1, kNoOptions, readBackupNumber},
    {CommandKind::Restore, "restore", "NNN", "write backup NNN back into the registry",
     "Restores backup NNN as the Backup manager does: the whole file is checked first, a\n"
     "backup taken on another Windows version is refused, and nothing is written unless the\n"
     "file checks out. The values now are backed up first, as an apply does (nothing is\n"
     "restored when that backup cannot be written), so the restore can be undone too.\n"
     "Prints the new backup's name and every value that changed.\n",
     1, kNoOptions, readBackupNumber},
    {CommandKind::Ping, "ping", "HOST [--timeout MS]", "one echo to HOST",
     "Sends one ICMP echo to HOST (a name or an IPv4 address) as the Net Pinger does and\n"
     "waits up to MS milliseconds for the reply (10000 unless given, at most 60000).\n"
     "Exit code 1 when no reply comes.\n",
     1, kTimeoutOption, readHost},
    {CommandKind::FreeRam, "freeram", "MB", "free MB megabytes of memory",
     "Frees memory as \"Optimize Now\" does, for MB megabytes (0 to 2047), and prints the\n"
     "free physical memory before and after. Exit code 1 when the memory cannot be claimed.\n",
     1, kNoOptions, readMegabytes},
    {CommandKind::Status, "status", "", "Windows version, memory figures, processor use",
     "Prints the Windows version and family, the memory figures, and how busy the processor\n"
     "was over one second.\n"},
    {CommandKind::Mtu, "mtu", "HOST [--timeout MS]", "the largest MTU the path to HOST carries",
     "Finds the largest packet the path to HOST carries unfragmented: echoes with the\n"
     "don't-fragment flag, a binary search between 68 and 1500 bytes of MTU, at most 12\n"
     "echoes. Each echo waits up to MS milliseconds (2000 unless given, at most 60000); a\n"
     "packet that gets \"too big\" or no answer counts as too big. Prints the MTU and the MSS\n"
     "that goes with it (MTU - 40). Exit code 1 when the host does not answer pings.\n",
     1, kTimeoutOption, readHost},
};

const CommandInfo* findCommand(const std::string& name) {
    for (const CommandInfo& info : kCommands)
        if (name == info.name) return &info;
    return nullptr;
}

const CommandInfo& infoOf(CommandKind kind) {
    for (const CommandInfo& info : kCommands)
        if (info.kind == kind) return info;
    return kCommands[0];
}

bool isHelpWord(const std::string& word) {
    return word == "--help" || word == "-h" || word == "/?";
}

ParsedCommandLine usageError(const std::string& text) {
    return {std::nullopt, text};
}

ParsedCommandLine parsed(const Command& command) {
    return {command, std::string()};
}

std::optional<unsigned> timeoutOf(const std::string& text) {
    const std::optional<std::int64_t> value = text::parseWhole(text, 1, kLongestTimeoutMs, false);
    if (!value) return std::nullopt;
    return static_cast<unsigned>(*value);
}

bool allDigits(const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

}  // namespace

std::optional<std::size_t> presetIndexOf(const std::string& name) {
    for (std::size_t i = 0; i < tuning::kTuningPresetCount; ++i)
        if (text::equalsIgnoreCase(tuning::kTuningPresetNames[i], name)) return i;
    return std::nullopt;
}

std::optional<int> backupNumberOf(const std::string& text) {
    std::string digits = text;
    const std::string::size_type dot = digits.find('.');
    if (dot != std::string::npos) {
        if (!text::equalsIgnoreCase(digits.substr(dot + 1), backup::kBackupExtension)) return std::nullopt;
        digits.erase(dot);
    }
    if (digits.size() > 3) return std::nullopt;
    const std::optional<std::int64_t> number = text::parseWhole(digits, 1, backup::kHighestBackupNumber, false);
    if (!number) return std::nullopt;
    return static_cast<int>(*number);
}

std::string usageHint() {
    return std::string("Try \"") + kProgramName + " --help\".\n";
}

std::string overviewHelp() {
    std::string text = std::string("Usage: ") + kProgramName + " COMMAND [ARGUMENTS]\n\n" +
                       "Quellar from the command line. Commands:\n";
    for (const CommandInfo& info : kCommands) {
        std::string left = std::string("  ") + info.name;
        if (*info.synopsis) left += std::string(" ") + info.synopsis;
        // A long synopsis puts its summary on a line of its own.
        constexpr std::size_t kSummaryColumn = 30;
        if (left.size() >= kSummaryColumn) left += "\n" + std::string(kSummaryColumn, ' ');
        else left.resize(kSummaryColumn, ' ');
        text += left + info.summary + "\n";
    }
    text += std::string("\nPRESET is one of the Wizard's modes, ") + tuning::kTuningPresetNames[0] + " to " +
            tuning::kTuningPresetNames[tuning::kWindowsDefaultPreset - 1] + " or \"" +
            tuning::kTuningPresetNames[tuning::kWindowsDefaultPreset] +
            "\"\n(letter case ignored). NNN is a backup's number, 1 to 999.\n";
    text += std::string("\"") + kProgramName + " COMMAND --help\" tells more about one command; \"" + kProgramName +
            " --version\" prints the version.\n\n";
    text += "Exit codes: 0 done, 1 the action failed, 2 bad usage.\n"
            "Results go to standard output, messages to standard error.\n";
    return text;
}

std::string commandHelp(CommandKind kind) {
    if (kind == CommandKind::Overview) return overviewHelp();
    const CommandInfo& info = infoOf(kind);
    std::string text = std::string("Usage: ") + kProgramName + " " + info.name;
    if (*info.synopsis) text += std::string(" ") + info.synopsis;
    return text + "\n\n" + info.details;
}

std::string versionLine() {
    return std::string(kProgramName) + " " + QUELLAR_VERSION_TEXT + "\n";
}

namespace {

Problem readPreset(Command& command, const std::vector<std::string>& operands) {
    const std::optional<std::size_t> preset = presetIndexOf(operands[0]);
    if (!preset)
        return "\"" + operands[0] +
               "\" is not a preset; the presets are Automatic-A to Automatic-G and \"Windows default\"";
    command.preset = *preset;
    return std::nullopt;
}

Problem readExport(Command& command, const std::vector<std::string>& operands) {
    command.file = operands[1];
    if (const std::optional<std::size_t> preset = presetIndexOf(operands[0])) {
        command.preset = *preset;
    } else if (const std::optional<int> number = backupNumberOf(operands[0])) {
        if (!command.adapters.empty()) return "--adapter goes with a preset, not a backup";
        command.backup = *number;
    } else {
        return "\"" + operands[0] + "\" is neither a preset nor a backup number from 1 to 999";
    }
    return std::nullopt;
}

Problem readBackupNumber(Command& command, const std::vector<std::string>& operands) {
    const std::optional<int> number = backupNumberOf(operands[0]);
    if (!number) return "\"" + operands[0] + "\" is not a backup number from 1 to 999";
    command.backup = *number;
    return std::nullopt;
}

Problem readHost(Command& command, const std::vector<std::string>& operands) {
    command.host = operands[0];
    const net::HostKind kind = net::classifyHost(command.host).kind;
    if (kind == net::HostKind::Blank) return "the host is blank";
    if (kind == net::HostKind::Malformed)
        return "\"" + command.host + "\" is not an IPv4 address (four numbers 0 to 255)";
    // A timeout that was given is never 0.
    if (command.timeoutMs == 0)
        command.timeoutMs = command.kind == CommandKind::Ping ? kPingTimeoutMs : net::kMtuEchoTimeoutMs;
    return std::nullopt;
}

Problem readMegabytes(Command& command, const std::vector<std::string>& operands) {
    const std::string& text = operands[0];
    const std::optional<std::int64_t> megabytes = text::parseWhole(text, 0, monitor::kAmountSliderMost, false);
    if (!megabytes)
        return "the amount must be a whole number of megabytes from 0 to " +
               std::to_string(monitor::kAmountSliderMost) + ", not \"" + text + "\"";
    command.megabytes = static_cast<int>(*megabytes);
    return std::nullopt;
}

// "--version" alone, or help: "--help" (or "help") alone for the overview,
// followed by a command for its help. Nothing when the words ask for neither.
std::optional<ParsedCommandLine> versionOrHelp(const std::vector<std::string>& arguments) {
    const std::string& first = arguments[0];
    Command command;
    if (first == "--version") {
        if (arguments.size() > 1) return usageError("--version takes nothing after it");
        command.version = true;
        return parsed(command);
    }
    if (!isHelpWord(first) && first != "help") return std::nullopt;
    command.help = true;
    if (arguments.size() == 1) return parsed(command);
    const CommandInfo* info = findCommand(arguments[1]);
    if (!info || arguments.size() > 2) return usageError("help for what? \"" + arguments[1] + "\" is not a command");
    command.kind = info->kind;
    return parsed(command);
}

// Every word up to the next option names an adapter.
Problem readAdapters(const std::vector<std::string>& arguments, std::size_t& i, Command& command) {
    const std::size_t before = command.adapters.size();
    while (i + 1 < arguments.size() && arguments[i + 1].rfind("-", 0) != 0) command.adapters.push_back(arguments[++i]);
    if (command.adapters.size() == before) return "--adapter needs one or more adapter subkeys";
    return std::nullopt;
}

// "--timeout MS" or "--timeout=MS".
Problem readTimeout(const std::vector<std::string>& arguments, std::size_t& i, Command& command) {
    std::string value;
    if (arguments[i] == "--timeout") {
        if (i + 1 >= arguments.size()) return "--timeout needs a number of milliseconds";
        value = arguments[++i];
    } else {
        value = arguments[i].substr(10);
    }
    const std::optional<unsigned> timeout = timeoutOf(value);
    if (!timeout)
        return "the timeout must be a whole number of milliseconds from 1 to " + std::to_string(kLongestTimeoutMs) +
               ", not \"" + value + "\"";
    command.timeoutMs = *timeout;
    return std::nullopt;
}

// The words after the command: its options into `command`, the rest into
// `operands`. A help word ends the reading with `command.help` set.
Problem readWords(const CommandInfo& info, const std::vector<std::string>& arguments, Command& command,
                  std::vector<std::string>& operands) {
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& word = arguments[i];
        if (isHelpWord(word)) {
            command.help = true;
            return std::nullopt;
        }
        Problem problem;
        if ((info.options & kAdapterOption) && word == "--adapter") {
            problem = readAdapters(arguments, i, command);
        } else if ((info.options & kTimeoutOption) && (word == "--timeout" || word.rfind("--timeout=", 0) == 0)) {
            problem = readTimeout(arguments, i, command);
        } else if (word.size() > 1 && word[0] == '-' && !allDigits(word.substr(1))) {
            problem = std::string(info.name) + " has no option \"" + word + "\"";
        } else {
            operands.push_back(word);
        }
        if (problem) return problem;
    }
    return std::nullopt;
}

Problem checkOperandCount(const CommandInfo& info, std::size_t count) {
    if (count == info.operands) return std::nullopt;
    if (info.operandRule) return std::string(info.operandRule);
    const std::string name = info.name;
    if (info.operands == 0) return name + " takes no arguments";
    const std::string synopsis = info.synopsis;
    const std::string what = synopsis.substr(0, synopsis.find(' '));
    if (count == 0) return name + " needs " + what;
    return name + " takes one " + what + ", not " + std::to_string(count) + " arguments";
}

}  // namespace

ParsedCommandLine parseCommandLine(const std::vector<std::string>& arguments) {
    if (arguments.empty()) return usageError("no command given");
    if (std::optional<ParsedCommandLine> early = versionOrHelp(arguments)) return *early;
    const CommandInfo* info = findCommand(arguments[0]);
    if (!info) return usageError("\"" + arguments[0] + "\" is not a command");

    Command command;
    command.kind = info->kind;
    std::vector<std::string> operands;
    Problem problem = readWords(*info, arguments, command, operands);
    if (!problem && command.help) return parsed(command);
    if (!problem) problem = checkOperandCount(*info, operands.size());
    if (!problem && info->read) problem = info->read(command, operands);
    if (problem) return usageError(*problem);
    return parsed(command);
}

}  // namespace quellar::console
