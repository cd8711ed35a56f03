#include "backup/apply_win.h"

#include <windows.h>

#include "backup/backup_win.h"
#include "core/effects.h"
#include "core/osversion.h"
#include "win/regops_win.h"
#include "tuning/tuning.h"

namespace quellar::tuning {

namespace {

constexpr unsigned kWarning = MB_OK | MB_ICONEXCLAMATION;

void tell(std::uintptr_t owner, const std::string& text) {
    effects().messageBox(owner, text, kMessageCaption, kWarning);
}

}  // namespace

std::vector<RegistryOperation> plannedTuningOperations() {
    return plannedTuningOperations(currentTuning);
}

std::vector<RegistryOperation> plannedTuningOperations(const TuningParams& params) {
    const std::optional<Family> family = familyOf(winVersion);
    if (!family) return {};
    return tuningOperations(params, *family, subkeysOf(HKEY_LOCAL_MACHINE, perSubkeyParent(*family)));
}

ApplyOutcome applyTuning(std::uintptr_t owner) {
    return applyTuningReported(owner).outcome;
}

ApplyReport applyTuningReported(std::uintptr_t owner) {
    if (!familyOf(winVersion)) {
        tell(owner, "The TCP/IP settings were not changed: the Windows version (" +
                        std::to_string(winVersion) + ") is not one the program knows.");
        return {ApplyOutcome::NotApplied, {}};
    }
    const backup::BackupWriteResult saved = backup::backupCurrentSettings();
    if (!saved.ok) {
        tell(owner, "The TCP/IP settings were not changed, because the backup of the current values "
                    "could not be written.\r\n\r\n" + saved.problem);
        return {ApplyOutcome::NotApplied, {}};
    }
    const ExecutionReport report = carryOutInRegistry(plannedTuningOperations());
    if (report.ok()) return {ApplyOutcome::Applied, saved.path};
    const std::string headline =
        std::to_string(report.failures.size()) + " of " + std::to_string(report.attempted) +
        " TCP/IP values could not be written to the registry; the others were. The values from before are in " +
        saved.path + ".";
    tell(owner, failureMessage(headline, report, systemErrorText));
    return {ApplyOutcome::PartlyApplied, saved.path};
}

}  // namespace quellar::tuning
