// "quellarc export" read by an independent reader: Wine's own regedit
// imports each exported file, and the registry must come out exactly as
// "quellarc apply" (for a preset) or "quellarc restore" (for a backup)
// leaves it. regedit writes the real hives, so this file runs only in a
// throwaway prefix of its own (scripts/test-regedit-import), not in the
// shared test prefix; one prefix for every preset of both families.
#include <doctest/doctest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "backup/backup_win.h"
#include "support/consolerun_win.h"
#include "tuning/presets.h"
#include "tuning/tuning.h"

using namespace quellar;
using namespace quellar::testing;
namespace samples = quellar::testing::backupsamples;

namespace {

// Everything a preset or a backup writes lies below these two keys; the
// snapshots take all of both, so a stray write anywhere there shows.
struct Root {
    HKEY hive;
    const char* prefix;
    const char* path;
};
const Root kRoots[] = {
    {HKEY_LOCAL_MACHINE, "m", "System\\CurrentControlSet\\Services"},
    {HKEY_CURRENT_USER, "u", "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings"},
};

RegSnapshot snapshotRoots() {
    RegSnapshot snap;
    for (const Root& root : kRoots) {
        HKEY key = nullptr;
        REQUIRE(RegCreateKeyExA(root.hive, root.path, 0, nullptr, 0, KEY_READ, nullptr, &key, nullptr) == ERROR_SUCCESS);
        snapshotKey(key, std::string(root.prefix) + "\\" + root.path, snap);
        RegCloseKey(key);
    }
    return snap;
}

// Puts every value and key `operations` touch back as `target` has them.
void resetTo(const RegSnapshot& target, const std::vector<RegistryOperation>& operations) {
    for (const RegistryOperation& op : operations) {
        const HKEY hive = win::hiveKey(op.hive);
        const std::string prefix = hivePrefix(op.hive);
        // The first key on the way down that the target lacks goes with all below it.
        std::string path;
        bool gone = false;
        for (std::size_t start = 0; !gone && start <= op.keyPath.size();) {
            const std::size_t slash = op.keyPath.find('\\', start);
            path = op.keyPath.substr(0, slash);
            const std::string id = lowered(prefix + "\\" + path);
            bool inRoot = false;
            for (const Root& root : kRoots)
                inRoot = inRoot || (prefix == root.prefix && id.size() > lowered(std::string(root.prefix) + "\\" + root.path).size() &&
                                    id.rfind(lowered(std::string(root.prefix) + "\\" + root.path), 0) == 0);
            if (inRoot && !target.keys.count(id)) {
                deleteKeyTree(hive, path);
                gone = true;
            }
            if (slash == std::string::npos) break;
            start = slash + 1;
        }
        if (gone) continue;
        const auto value = target.values.find(RegSnapshot::valueKey(prefix, op.keyPath, op.valueName));
        if (value != target.values.end()) {
            setRaw(hive, op.keyPath, op.valueName, value->second.first, value->second.second);
            continue;
        }
        HKEY key = nullptr;
        if (RegOpenKeyExA(hive, op.keyPath.c_str(), 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
            RegDeleteValueA(key, op.valueName.c_str());
            RegCloseKey(key);
        }
    }
}

// Wine's regedit, silently, as a logon script would run it.
void regeditImport(const std::string& file) {
    const Run run = runConsoleProgram("regedit.exe /s \"" + file + "\"");
    REQUIRE(run.exit == 0);
}

}  // namespace

TEST_CASE("every preset and its backup, exported and imported by regedit, leave what apply and restore leave") {
    REQUIRE_MESSAGE(GetEnvironmentVariableA("QUELLAR_FRESH_PREFIX", nullptr, 0) > 0,
                    "runs only in a throwaway prefix (scripts/test-regedit-import)");
    struct FamilyCase {
        const char* mode;
        tuning::Family family;
    };
    for (const FamilyCase& c : {FamilyCase{"win98", tuning::Family::Win9x}, FamilyCase{"winxp", tuning::Family::Nt}}) {
        CAPTURE(c.mode);
        setWineVersionFor("console_probe.exe", c.mode);
        const bool nt = c.family == tuning::Family::Nt;
        putSamples(nt ? samples::valuesNt() : samples::values9x(), {});
        ScratchProgramFolder folder(std::string("regimport-") + c.mode);
        const ConsoleProbe probe(kRealHives, folder);
        const std::string file = folder.path() + "\\export.reg";
        const std::vector<std::string> subkeys =
            win::subkeysOf(HKEY_LOCAL_MACHINE, tuning::perSubkeyParent(c.family));
        for (std::size_t i = 0; i < tuning::kTuningPresetCount; ++i) {
            const std::string preset = tuning::kTuningPresetNames[i];
            CAPTURE(preset);
            const std::vector<RegistryOperation> writes =
                tuning::tuningOperations(tuning::tuningPresets[i], c.family, subkeys);
            const RegSnapshot before = snapshotRoots();

            Run r = probe.run("export \"" + preset + "\" \"" + file + "\"");
            REQUIRE_MESSAGE(r.exit == 0, r.err);
            CHECK_SAME_REGISTRY(before, snapshotRoots());  // an export writes nothing
            regeditImport(file);
            const RegSnapshot imported = snapshotRoots();
            resetTo(before, writes);
            REQUIRE(snapshotRoots() == before);
            r = probe.run("apply \"" + preset + "\"");
            REQUIRE_MESSAGE(r.exit == 0, r.err);
            const RegSnapshot applied = snapshotRoots();
            CHECK_SAME_REGISTRY(imported, applied);

            // The apply's own backup (each restore below takes one too).
            const std::size_t at = r.out.find("Backup: ");
            REQUIRE(at != std::string::npos);
            const int number = std::stoi(r.out.substr(at + 8, 3));
            const backup::BackupReadResult backup =
                backup::readBackupFile(folder.backups() + "\\" + *backup::backupFileNameFor(number));
            REQUIRE(backup.ok);
            r = probe.run("export " + std::to_string(number) + " \"" + file + "\"");
            REQUIRE_MESSAGE(r.exit == 0, r.err);
            regeditImport(file);
            const RegSnapshot importedBackup = snapshotRoots();
            resetTo(applied, backup.contents.writes);
            REQUIRE(snapshotRoots() == applied);
            r = probe.run("restore " + std::to_string(number));
            REQUIRE_MESSAGE(r.exit == 0, r.err);
            CHECK_SAME_REGISTRY(importedBackup, snapshotRoots());
        }
        setWineVersionFor("console_probe.exe", "");
    }
}
