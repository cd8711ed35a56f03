// quellarc's commands as separate processes, as a logon script runs them:
// against a prepared registry and Backups folder under a 9x and an NT
// Windows version, each checked by exit code, output and a snapshot of the
// whole (redirected) registry; and the real quellarc.exe beside a running
// quellar.exe.
#include <doctest/doctest.h>

#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>

#include "app/mainwindow_win.h"
#include "backup/backup_win.h"
#include "console/consoletext.h"
#include "support/consolerun_win.h"
#include "support/process_win.h"
#include "support/pump_win.h"
#include "support/tuningsandbox_win.h"
#include "tuning/presets.h"
#include "tuning/tuning.h"

using namespace quellar;
using namespace quellar::testing;
namespace samples = quellar::testing::backupsamples;

namespace {

struct FamilyCase {
    const char* mode;
    int winVersion;
    tuning::Family family;
    bool windows9x;  // with the Windows 9x personality
};

// The probe runs as `mode` ("winxp") while this lives, as Wine's default
// after. Made before the sandbox: Wine reads the mode from the real HKCU.
class ProbeVersion {
public:
    explicit ProbeVersion(const char* mode) { setWineVersionFor(kProbe, mode); }
    ~ProbeVersion() { setWineVersionFor(kProbe, ""); }
    ProbeVersion(const ProbeVersion&) = delete;
    ProbeVersion& operator=(const ProbeVersion&) = delete;

private:
    static constexpr char kProbe[] = "console_probe.exe";
};

}  // namespace

TEST_CASE("console commands in both families: presets, preview, apply, backups, show, restore, status, freeram") {
    // The 9x modes run as Windows 95 and 98 really do: W functions fail.
    const FamilyCase cases[] = {{"win95", 2, tuning::Family::Win9x, true},
                                {"win98", 3, tuning::Family::Win9x, true},
                                {"winxp", 7, tuning::Family::Nt, false}};
    for (const FamilyCase& c : cases) {
        CAPTURE(c.mode);
        const ProbeVersion version(c.mode);
        RegistrySandbox sandbox;
        ScratchProgramFolder folder("console");
        const bool nt = c.family == tuning::Family::Nt;
        putSamples(nt ? samples::valuesNt() : samples::values9x(),
                   {nt ? std::string(samples::kInterfaces) + "\\{5E6F}" : std::string(samples::kNetTrans) + "\\0002"});
        // Values of other types and names a backup must carry or leave
        // alone (a name outside the code page only where the registry
        // holds such names: a real 9x registry is ANSI throughout).
        putHostileValues(nt);
        if (!c.windows9x) RegCloseKey(createWideKey(nt ? samples::kInterfaces : samples::kNetTrans, kForeignName));
        const ConsoleProbe probe(sandbox, folder, c.windows9x);
        const RegSnapshot prepared = snapshotRegistry();
        const std::string windows = console::windowsText(c.winVersion);

        Run r = probe.run("presets");
        CHECK(r.exit == 0);
        CHECK(has(r.out, "Automatic-A\r\n  MTU"));
        CHECK(has(r.out, "Windows default\r\n"));
        CHECK(r.err.empty());

        r = probe.run("preview automatic-b");
        CHECK(r.exit == 0);
        CHECK(has(r.out, "Preview: Automatic-B on " + windows));
        CHECK(has(r.out, "values change\r\n"));
        CHECK_SAME_REGISTRY(prepared, snapshotRegistry());
        CHECK(folder.backupFiles().empty());

        r = probe.run("apply AUTOMATIC-B");
        CHECK(r.exit == 0);
        CHECK(r.err.empty());
        CHECK(has(r.out, "Backup: 001.BCK ("));
        CHECK(has(r.out, "values changed.\r\n"));
        CHECK(has(r.out, "Left alone, a name a backup cannot hold: adapter key \"??\"") != c.windows9x);
        CHECK(folder.backupFiles() == std::vector<std::string>{"001.BCK"});
        // Exactly the preset's writes on this family, nothing else.
        const std::vector<RegistryOperation> writes =
            tuning::tuningOperations(tuning::tuningPresets[1], c.family,
                                     win::subkeysOf(HKEY_LOCAL_MACHINE, tuning::perSubkeyParent(c.family)));
        const RegSnapshot applied = snapshotRegistry();
        CHECK_SAME_REGISTRY(carriedOut(prepared, writes), applied);

        r = probe.run("backups");
        CHECK(r.exit == 0);
        CHECK(has(r.out, "No.  Date        Time      Windows\r\n001  "));
        CHECK(has(r.out, windows + "\r\n"));

        r = probe.run("show 1");
        CHECK(r.exit == 0);
        CHECK(has(r.out, "001.BCK, taken "));
        CHECK(has(r.out, " on " + windows + "\r\n"));
        CHECK_FALSE(has(r.out, "cannot be restored here"));
        CHECK_SAME_REGISTRY(applied, snapshotRegistry());

        // The values now are backed up first, as the Backup manager does.
        r = probe.run("restore 001");
        CHECK(r.exit == 0);
        CHECK(has(r.out, "Backup: 002.BCK ("));
        CHECK(has(r.out, "Restored 001.BCK:\r\n"));
        CHECK(folder.backupFiles() == std::vector<std::string>{"001.BCK", "002.BCK"});
        const backup::BackupReadResult backup = backup::readBackupFile(folder.backups() + "\\001.BCK");
        REQUIRE(backup.ok);
        // Back to the registry as prepared, value by value and key by key.
        const RegSnapshot restored = snapshotRegistry();
        CHECK_SAME_REGISTRY(prepared, restored);
        // The backup the restore took holds the applied values.
        const backup::BackupReadResult undo = backup::readBackupFile(folder.backups() + "\\002.BCK");
        REQUIRE(undo.ok);
        CHECK_SAME_REGISTRY(carriedOut(restored, undo.contents.writes), applied);

        // A missing file, a file of another Windows, a damaged one: exit
        // code 1, a message, nothing written, no backup taken.
        r = probe.run("restore 9");
        CHECK(r.exit == 1);
        CHECK(has(r.err, "quellarc: 009.BCK: "));
        std::string other = readFile(folder.backups() + "\\001.BCK");
        other.replace(other.find("\r\n" + std::to_string(c.winVersion) + "\r\n") + 2, 1,
                      std::to_string(c.winVersion - 1));  // same family, another Windows
        writeFile(folder.backups() + "\\003.BCK", other);
        r = probe.run("restore 3");
        CHECK(r.exit == 1);
        CHECK(has(r.err, backup::kOtherWindowsMessage));
        CHECK(has(probe.run("show 3").out, "It cannot be restored here"));
        writeFile(folder.backups() + "\\004.BCK", other.substr(0, other.size() / 2));
        r = probe.run("restore 4");
        CHECK(r.exit == 1);
        CHECK(has(r.err, "004.BCK: Line "));
        CHECK_SAME_REGISTRY(restored, snapshotRegistry());
        CHECK(folder.backupFiles().size() == 4);

        r = probe.run("status");
        CHECK(r.exit == 0);
        CHECK(has(r.out, windows + (nt ? ", NT family" : ", 9x family")));
        CHECK(has(r.out, "MB free of"));
        CHECK(has(r.out, "Processor:  "));

        r = probe.run("freeram 1");
        CHECK(r.exit == 0);
        CHECK(has(r.out, "Free physical memory: "));
        // The top of the range: freed, or a clean refusal; never a crash.
        r = probe.run("freeram 2047");
        CHECK((r.exit == 0 || (r.exit == 1 && has(r.err, "could not be claimed"))));

        r = probe.run("restore x");
        CHECK(r.exit == 2);
        CHECK(r.out.empty());
        CHECK(has(r.err, "Try \"quellarc --help\"."));
        CHECK_SAME_REGISTRY(restored, snapshotRegistry());
    }
}

TEST_CASE("console output that cannot be written is a failure; four applies at once all get their backups") {
    const ProbeVersion version("winxp");
    RegistrySandbox sandbox;
    ScratchProgramFolder folder("console-concurrent");
    putSamples(samples::valuesNt(), {std::string(samples::kInterfaces) + "\\{5E6F}"});
    const ConsoleProbe probe(sandbox, folder);
    // Wine's Z: drive is the Unix root: a device that is always full.
    Run r = probe.run("presets", "Z:\\dev\\full");
    CHECK(r.exit == 1);
    CHECK(has(r.err, "quellarc: the output could not be written in full"));
    CHECK(probe.run("--help", "Z:\\dev\\full").exit == 1);
    CHECK(probe.run("--version", "Z:\\dev\\full").exit == 1);

    std::vector<ConsoleStarted> applies;
    for (int i = 0; i < 4; ++i)
        applies.push_back(startConsoleProgram(ConsoleProbe::commandLine("apply automatic-b"), std::to_string(i)));
    std::vector<std::string> backups;
    for (ConsoleStarted& started : applies) {
        r = finishConsoleProgram(started);
        CAPTURE(r.err);
        CHECK(r.exit == 0);
        CHECK(r.err.empty());
        const std::size_t at = r.out.find("Backup: ");
        if (at != std::string::npos) backups.push_back(r.out.substr(at + 8, 7));
    }
    std::sort(backups.begin(), backups.end());
    const std::vector<std::string> numbered = {"001.BCK", "002.BCK", "003.BCK", "004.BCK"};
    CHECK(backups == numbered);
    CHECK(folder.backupFiles() == numbered);
}

TEST_CASE("console apply with a refused write: the backup first, the other writes made, exit code 1") {
    const ProbeVersion version("winxp");
    RegistrySandbox sandbox;
    ScratchProgramFolder folder("console-refused");
    putSamples(samples::valuesNt(), {});
    REQUIRE(makeReadOnly(HKEY_LOCAL_MACHINE, std::string(samples::kInterfaces) + "\\{1A2B}"));
    const ConsoleProbe probe(sandbox, folder);
    const Run r = probe.run("apply automatic-a");
    CHECK(r.exit == 1);
    CHECK(folder.backupFiles() == std::vector<std::string>{"001.BCK"});
    CHECK(has(r.out, "Backup: 001.BCK"));
    CHECK(has(r.out, "values changed.\r\n"));
    CHECK(has(r.err, "quellarc: 2 of "));
    CHECK(has(r.err, "could not be written to the registry"));
}

TEST_CASE("console adapters by name, apply limited to one adapter, the backup restoring both") {
    const FamilyCase cases[] = {{"win98", 3, tuning::Family::Win9x, true}, {"winxp", 7, tuning::Family::Nt, false}};
    for (const FamilyCase& c : cases) {
        CAPTURE(c.mode);
        const ProbeVersion version(c.mode);
        RegistrySandbox sandbox;
        ScratchProgramFolder folder("console-adapters");
        const bool nt = c.family == tuning::Family::Nt;
        putSamples(nt ? samples::valuesNt() : samples::values9x(), {});
        putSamples(nt ? samples::adapterNamesNt() : samples::adapterNames9x(), {});
        const std::vector<samples::NamedAdapter> named = samples::namedAdapters(nt);
        const ConsoleProbe probe(sandbox, folder, c.windows9x);
        const RegSnapshot prepared = snapshotRegistry();
        // Each adapter's MTU and MSS as a preview reads them (a restore
        // on 9x writes them back as text, whatever type they had).
        const auto adapterValues = [&] {
            std::vector<std::string> texts;
            for (const samples::NamedAdapter& adapter : named) {
                const std::string key = nt ? tuning::interfaceKey(adapter.subkey) : tuning::netTransKey(adapter.subkey);
                for (const char* name : {nt ? "MTU" : "MaxMTU", nt ? "MSS" : "MaxMSS"}) {
                    const CurrentValue v = win::currentValueOf({Hive::LocalMachine, key, name, 0, 0, false});
                    texts.push_back(v.present ? v.text : "absent");
                }
            }
            return texts;
        };
        const std::vector<std::string> adaptersBefore = adapterValues();

        Run r = probe.run("adapters");
        CHECK(r.exit == 0);
        CHECK(has(r.out, nt ? "{1A2B}  1500        Local Area Connection (Realtek RTL8139 Family PCI Fast Ethernet NIC)\r\n"
                            : "0000    576      TCP/IP -> Dial-Up Adapter\r\n"));
        CHECK(has(r.out, nt ? "{3C4D}  2147483648  Wireless Network Connection\r\n"
                            : "0001    1500     TCP/IP -> Realtek RTL8139(A) PCI Fast Ethernet Adapter\r\n"));

        r = probe.run("apply automatic-a --adapter " + named[1].subkey + " {NOT-HERE}");
        CHECK(r.exit == 1);
        CHECK(has(r.err, "no adapter has the subkey \"{NOT-HERE}\""));
        CHECK(folder.backupFiles().empty());

        r = probe.run("apply automatic-a --adapter " + lowered(named[1].subkey));
        CHECK(r.exit == 0);
        CHECK(has(r.out, "(" + named[1].name + " (" + named[1].subkey + "))\r\n"));
        tuning::TuningParams limited = tuning::tuningPresets[0];
        limited.mtuAdapters = {named[1].subkey};
        const std::vector<RegistryOperation> writes = tuning::tuningOperations(
            limited, c.family, win::subkeysOf(HKEY_LOCAL_MACHINE, tuning::perSubkeyParent(c.family)));
        CHECK_SAME_REGISTRY(carriedOut(prepared, writes), snapshotRegistry());
        CHECK(adapterValues() != adaptersBefore);

        // The backup holds both adapters' values: a restore puts back
        // the one that changed and leaves the other as it was.
        r = probe.run("restore 1");
        CHECK(r.exit == 0);
        CHECK(adapterValues() == adaptersBefore);
    }
}

TEST_CASE("the real quellarc.exe: help, ping 127.0.0.1, and beside a running quellar.exe") {
    const std::string folder = testProgramFolder();
    const std::string exe = "\"" + folder + "\\quellarc.exe\"";
    Run r = runConsoleProgram(exe + " --help");
    CHECK(r.exit == 0);
    CHECK(r.out.find("Usage: quellarc COMMAND [ARGUMENTS]\r\n") == 0);
    r = runConsoleProgram(exe);
    CHECK(r.exit == 2);
    CHECK(has(r.err, "quellarc: no command given\r\n"));

    r = runConsoleProgram(exe + " ping 127.0.0.1 --timeout 2000");
    CHECK(r.exit == 0);
    CHECK(r.out == "Reply from 127.0.0.1\r\n");

    ChildProcess app(folder + "\\quellar.exe", folder);
    REQUIRE(app.started());
    HWND main = nullptr;
    pumpUntil([&] { return (main = topLevelWindowOf(app.id(), app::kMainWindowClass)) != nullptr; }, 20000);
    REQUIRE(main != nullptr);
    // No "already opening" box, no mutex of the program's: it just runs.
    r = runConsoleProgram(exe + " presets");
    CHECK(r.exit == 0);
    CHECK(has(r.out, "Automatic-G\r\n"));
    CHECK(r.err.empty());
    PostMessageA(main, WM_CLOSE, 0, 0);
    CHECK(app.waitExit(20000) == 0);
}
