#include <doctest/doctest.h>

#include "console/commandline.h"
#include "console/consoletext.h"
#include "tuning/presets.h"

using namespace quellar;
using namespace quellar::console;

namespace {

ParsedCommandLine parse(std::vector<std::string> words) {
    return parseCommandLine(words);
}

Command command(std::vector<std::string> words) {
    const ParsedCommandLine p = parse(std::move(words));
    REQUIRE_MESSAGE(p.command, p.error);
    return *p.command;
}

std::string error(std::vector<std::string> words) {
    const ParsedCommandLine p = parse(std::move(words));
    CHECK_FALSE(p.command);
    return p.error;
}

}  // namespace

TEST_CASE("command line: each command with its arguments; names and numbers as users type them") {
    CHECK(command({"presets"}).kind == CommandKind::Presets);
    CHECK(command({"status"}).kind == CommandKind::Status);
    CHECK(command({"backups"}).kind == CommandKind::Backups);

    const Command preview = command({"preview", "automatic-b"});
    CHECK(preview.kind == CommandKind::Preview);
    CHECK(preview.preset == 1);
    CHECK(command({"apply", "WINDOWS DEFAULT"}).preset == tuning::kWindowsDefaultPreset);
    CHECK(command({"apply", "Automatic-G"}).preset == 6);

    CHECK(command({"show", "7"}).backup == 7);
    CHECK(command({"restore", "007"}).backup == 7);
    CHECK(command({"restore", "012.bck"}).backup == 12);
    CHECK(command({"show", "999"}).backup == 999);

    const Command ping = command({"ping", "127.0.0.1"});
    CHECK(ping.host == "127.0.0.1");
    CHECK(ping.timeoutMs == kPingTimeoutMs);
    CHECK(command({"ping", "localhost", "--timeout", "500"}).timeoutMs == 500);
    CHECK(command({"mtu", "--timeout=750", "169.254.1.2"}).timeoutMs == 750);
    CHECK(command({"mtu", "169.254.1.2"}).timeoutMs == 2000);

    CHECK(command({"freeram", "0"}).megabytes == 0);
    CHECK(command({"freeram", "2047"}).megabytes == 2047);
}

TEST_CASE("command line: adapters, --adapter and export of a preset or a backup") {
    CHECK(command({"adapters"}).kind == CommandKind::Adapters);
    const Command limited = command({"apply", "automatic-a", "--adapter", "{1A2B}", "0002"});
    CHECK(limited.preset == 0);
    CHECK(limited.adapters == std::vector<std::string>{"{1A2B}", "0002"});
    CHECK(command({"preview", "automatic-e", "--adapter", "0001", "--adapter", "0002"}).adapters.size() == 2);
    const Command presetFile = command({"export", "Windows default", "C:\\deploy\\tcp.reg", "--adapter", "0001"});
    CHECK(presetFile.kind == CommandKind::Export);
    CHECK(presetFile.preset == tuning::kWindowsDefaultPreset);
    CHECK(presetFile.backup == 0);
    CHECK(presetFile.file == "C:\\deploy\\tcp.reg");
    const Command backupFile = command({"export", "007.BCK", "old.reg"});
    CHECK(backupFile.backup == 7);
    CHECK(backupFile.file == "old.reg");

    CHECK(error({"apply", "automatic-a", "--adapter"}) == "--adapter needs one or more adapter subkeys");
    CHECK(error({"restore", "1", "--adapter", "0001"}) == "restore has no option \"--adapter\"");
    CHECK(error({"export", "automatic-a"}) == "export needs a preset or a backup number, then a file name");
    CHECK(error({"export", "1", "x.reg", "--adapter", "0001"}) == "--adapter goes with a preset, not a backup");
    CHECK(error({"export", "nothing", "x.reg"}).find("is neither a preset nor a backup number") != std::string::npos);
    CHECK(overviewHelp().find("  export PRESET|NNN FILE [--adapter SUBKEY...]\n" + std::string(30, ' ') + "save PRESET") !=
          std::string::npos);
}

TEST_CASE("command line: help for everything, usage errors for everything else") {
    for (const char* word : {"--help", "-h", "/?", "help"}) {
        const Command overview = command({word});
        CHECK(overview.kind == CommandKind::Overview);
        CHECK(overview.help);
    }
    const Command applyHelp = command({"apply", "--help"});
    CHECK(applyHelp.kind == CommandKind::Apply);
    CHECK(applyHelp.help);
    CHECK(command({"help", "mtu"}).kind == CommandKind::Mtu);
    CHECK(command({"restore", "nonsense", "-h"}).help);
    CHECK(command({"--version"}).version);
    CHECK(versionLine().rfind("quellarc 1.", 0) == 0);
    CHECK(error({"--version", "x"}) == "--version takes nothing after it");

    const std::string overview = overviewHelp();
    for (const char* name : {"presets", "preview PRESET", "apply PRESET", "backups", "show NNN", "restore NNN",
                             "ping HOST [--timeout MS]", "freeram MB", "status", "mtu HOST [--timeout MS]",
                             "Automatic-A to Automatic-G or \"Windows default\"", "0 done, 1 the action failed, 2 bad usage"})
        CHECK_MESSAGE(overview.find(name) != std::string::npos, name);
    CHECK(commandHelp(CommandKind::Mtu).find("Usage: quellarc mtu HOST [--timeout MS]") == 0);

    CHECK(error({}) == "no command given");
    CHECK(error({"optimise"}) == "\"optimise\" is not a command");
    CHECK(error({"help", "optimise"}).find("not a command") != std::string::npos);
    CHECK(error({"presets", "extra"}) == "presets takes no arguments");
    CHECK(error({"apply"}) == "apply needs PRESET");
    CHECK(error({"apply", "Automatic-H"}).find("is not a preset") != std::string::npos);
    CHECK(error({"apply", "Automatic-A", "Automatic-B"}).find("takes one PRESET") != std::string::npos);
    CHECK(error({"preview", "--force", "Automatic-A"}) == "preview has no option \"--force\"");
    for (const char* number : {"0", "1000", "-1", "7a", "0007", "007.txt", ""})
        CHECK_MESSAGE(error({"restore", number}).find("not a backup number") != std::string::npos, number);
    CHECK(error({"ping", "127.0.0.1", "--timeout"}).find("needs a number") != std::string::npos);
    for (const char* timeout : {"0", "60001", "x", "-5", "1.5"})
        CHECK_MESSAGE(error({"ping", "127.0.0.1", "--timeout", timeout}).find("the timeout must be") == 0, timeout);
    CHECK(error({"status", "--timeout", "5"}) == "status has no option \"--timeout\"");
    CHECK(error({"ping", " "}) == "the host is blank");
    CHECK(error({"mtu", "10.0.0.300"}).find("is not an IPv4 address") != std::string::npos);
    for (const char* amount : {"2048", "-1", "ten", "1e3"})
        CHECK_MESSAGE(error({"freeram", amount}).find("the amount must be") == 0, amount);
}

TEST_CASE("console texts: presets, preview rows, what changed, backups listing, status") {
    const std::string presets = presetsText();
    for (const char* name : tuning::kTuningPresetNames)
        CHECK(presets.find(std::string(name) + "\n") != std::string::npos);
    CHECK(presets.find("removes every value") != std::string::npos);

    quellar::Preview before;
    before.rows = {{"HKEY_LOCAL_MACHINE\\K", "DefaultTTL", "absent", "128", true},
                   {"HKEY_LOCAL_MACHINE\\K", "MTU", "576", "576", false},
                   {"HKEY_LOCAL_MACHINE\\K2", "Old", "5", "removed", true},
                   {"HKEY_LOCAL_MACHINE\\K2", "Refused", "1", "2", true}};
    before.changing = 3;
    CHECK(previewRowsText(before) ==
          "HKEY_LOCAL_MACHINE\\K\n"
          "  * DefaultTTL  absent -> 128\n"
          "    MTU         576 -> 576\n"
          "HKEY_LOCAL_MACHINE\\K2\n"
          "  * Old         5 -> removed\n"
          "  * Refused     1 -> 2\n" +
              before.summary() + "\n");

    // Afterwards the refused write still holds its old value: not listed.
    quellar::Preview after;
    after.rows = {{"HKEY_LOCAL_MACHINE\\K", "DefaultTTL", "128", "128", false},
                  {"HKEY_LOCAL_MACHINE\\K", "MTU", "576", "576", false},
                  {"HKEY_LOCAL_MACHINE\\K2", "Old", "absent", "removed", false},
                  {"HKEY_LOCAL_MACHINE\\K2", "Refused", "1", "2", true}};
    CHECK(changedRowsText(changedRows(before, after)) ==
          "HKEY_LOCAL_MACHINE\\K\n"
          "  DefaultTTL  absent -> 128\n"
          "HKEY_LOCAL_MACHINE\\K2\n"
          "  Old         5 -> removed\n"
          "2 values changed.\n");
    CHECK(changedRowsText({}) == "Nothing changed.\n");
    const tuning::AdapterNamer names = [](const std::string& key) {
        return key == "HKEY_LOCAL_MACHINE\\K2" ? std::string("Dial-Up Adapter (0000)") : std::string();
    };
    CHECK(changedRowsText(changedRows(before, after), names).find("\nHKEY_LOCAL_MACHINE\\K2  (Dial-Up Adapter (0000))\n") !=
          std::string::npos);

    tuning::AdapterEntry lan{"{1A2B}", "Local Area Connection", "Realtek RTL8139", std::string("1500")};
    tuning::AdapterEntry modem{"0000", "TCP/IP -> Dial-Up Adapter", "0000", std::nullopt};
    CHECK(adaptersText({lan, modem}) ==
          "Subkey  MTU      Name\n"
          "{1A2B}  1500     Local Area Connection (Realtek RTL8139)\n"
          "0000    not set  TCP/IP -> Dial-Up Adapter\n");
    CHECK(adaptersText({}).find("No adapters") == 0);

    BackupListing second{"002.BCK", 2, true, {backup::CalendarDate{2004, 3, 15}, backup::TimeOfDay{17, 5, 9}, 7}};
    BackupListing first{"001.BCK", 1, true, {std::nullopt, std::nullopt, std::nullopt}};
    BackupListing locked{"003.BCK", 3, false, {}};
    CHECK(backupsText({second, locked, first}, "C:\\Q\\Backups") ==
          "No.  Date        Time      Windows\n"
          "001  ?           ?         ?\n"
          "002  2004-03-15  17:05:09  Windows XP\n"
          "003  (cannot be read)\n");
    // A name longer than its column still leaves a blank before the next.
    BackupListing longName{"12345.BCK", 0, true, {backup::CalendarDate{2004, 3, 15}, std::nullopt, 8}};
    CHECK(backupsText({longName}, "C:\\Q").find("\n12345 2004-03-15  ?         Windows after XP\n") !=
          std::string::npos);
    CHECK(backupsText({}, "C:\\Q\\Backups") == "No backups in C:\\Q\\Backups.\n");

    StatusFigures figures;
    figures.winVersion = 3;
    figures.memoryLoad = 40;
    figures.totalPhysical = 48ull << 30;  // past 32 GB, nothing held at a narrow field
    figures.availPhysical = 40000ull << 20;
    figures.processorPercent = 12;
    const std::string status = statusText(figures);
    CHECK(status.find("Windows 98, 9x family") != std::string::npos);
    CHECK(status.find("40000 MB free of 49152 MB") != std::string::npos);
    CHECK(status.find("12% busy over one second") != std::string::npos);
    figures.processorPercent.reset();
    CHECK(statusText(figures).find("cannot be read") != std::string::npos);
}
