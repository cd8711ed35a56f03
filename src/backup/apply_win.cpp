#include "backup/apply_win.h"

#include <windows.h>

#include "backup/backup_win.h"
#include "core/effects.h"
#include "core/osversion.h"
#include "win/regops_win.h"
#include "tuning/tuning.h"

namespace quellar::backup {

namespace {

constexpr unsigned kWarning = MB_OK | MB_ICONEXCLAMATION;

void tell(std::uintptr_t owner, const std::string& text) {
    effects().messageBox(owner, text, kMessageCaption, kWarning);
}

// Names of subkeys and values run to 255 characters on every version.
constexpr DWORD kNameBuffer = 256;

std::vector<std::string> valueNamesOf(const std::string& path) {
    std::vector<std::string> names;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return names;
    for (DWORD index = 0;; ++index) {
        char name[kNameBuffer];
        DWORD length = kNameBuffer;
        if (RegEnumValueA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name, length);
    }
    RegCloseKey(key);
    return names;
}

tuning::AdapterRegistry machineRegistry() {
    tuning::AdapterRegistry registry;
    registry.subkeys = [](const std::string& path) { return win::subkeysOf(HKEY_LOCAL_MACHINE, path); };
    registry.valueNames = valueNamesOf;
    registry.text = [](const std::string& path, const std::string& name) -> std::optional<std::string> {
        const CurrentValue value =
            win::currentValueOf({Hive::LocalMachine, path, name, 0, 0, false});
        if (!value.present) return std::nullopt;
        return value.text;
    };
    return registry;
}

}  // namespace

std::vector<tuning::AdapterEntry> currentAdapters() {
    const std::optional<tuning::Family> family = tuning::familyOf(winVersion);
    if (!family) return {};
    return tuning::adapterList(*family, win::subkeysOf(HKEY_LOCAL_MACHINE, tuning::perSubkeyParent(*family)),
                               machineRegistry());
}

tuning::AdapterNamer currentAdapterNamer() {
    const std::optional<tuning::Family> family = tuning::familyOf(winVersion);
    if (!family) return {};
    return tuning::adapterNamer(currentAdapters(), *family);
}

std::vector<RegistryOperation> plannedTuningOperations() {
    return plannedTuningOperations(tuning::currentTuning);
}

std::vector<RegistryOperation> plannedTuningOperations(const tuning::TuningParams& params) {
    const std::optional<tuning::Family> family = tuning::familyOf(winVersion);
    if (!family) return {};
    return tuning::tuningOperations(params, *family,
                                    win::subkeysOf(HKEY_LOCAL_MACHINE, tuning::perSubkeyParent(*family)));
}

ApplyOutcome applyTuning(std::uintptr_t owner) {
    return applyTuningReporting(owner).outcome;
}

ApplyResult applyTuningReporting(std::uintptr_t owner) {
    const std::optional<tuning::Family> family = tuning::familyOf(winVersion);
    if (!family) {
        tell(owner, "The TCP/IP settings were not changed: the Windows version (" +
                        std::to_string(winVersion) + ") is not one the program knows.");
        return {};
    }
    // One list of the adapter keys for the backup and the writes: a key
    // that appears in between is neither backed up nor tuned.
    const win::SubkeyList adapters = win::subkeyListOf(HKEY_LOCAL_MACHINE, tuning::perSubkeyParent(*family));
    const BackupWriteResult saved = backupCurrentSettings(adapters.names);
    if (!saved.ok) {
        tell(owner, "The TCP/IP settings were not changed, because the backup of the current values "
                    "could not be written.\r\n\r\n" + saved.problem);
        return {};
    }
    ApplyResult result{ApplyOutcome::Applied, saved.path, win::leftAloneNote(adapters.leftAlone)};
    const ExecutionReport report =
        win::carryOutInRegistry(tuning::tuningOperations(tuning::currentTuning, *family, adapters.names));
    if (report.ok()) return result;
    const std::string headline =
        std::to_string(report.failures.size()) + " of " + std::to_string(report.attempted) +
        " TCP/IP values could not be written to the registry; the others were. The values from before are in " +
        saved.path + ".";
    std::string message = failureMessage(headline, report, win::systemErrorText);
    if (!result.leftAlone.empty()) message += "\r\n\r\n" + result.leftAlone;
    tell(owner, message);
    result.outcome = ApplyOutcome::PartlyApplied;
    return result;
}

std::string leftAloneAdapters() {
    const std::optional<tuning::Family> family = tuning::familyOf(winVersion);
    if (!family) return std::string();
    return win::leftAloneNote(win::subkeyListOf(HKEY_LOCAL_MACHINE, tuning::perSubkeyParent(*family)).leftAlone);
}

}  // namespace quellar::backup
