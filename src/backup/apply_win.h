#pragma once
// Applying currentTuning to the registry of the running Windows family.
#include <cstdint>
#include <string>
#include <vector>

#include "core/regops.h"
#include "tuning/tuning.h"

namespace quellar::tuning {

enum class ApplyOutcome {
    Applied,       // backup written, every value written
    PartlyApplied, // backup written, some writes failed (the user was told)
    NotApplied     // no backup could be written, or the Windows family is
                   // unknown; nothing was changed (the user was told)
};

// The registry operations an apply of currentTuning would make now, by
// winVersion's family and the subkeys present (empty for an unknown family).
std::vector<RegistryOperation> plannedTuningOperations();
// The same for another set, as an apply of it would run now.
std::vector<RegistryOperation> plannedTuningOperations(const TuningParams& params);

struct ApplyReport {
    ApplyOutcome outcome = ApplyOutcome::NotApplied;
    std::string backupPath;  // the backup written first; empty when none was
};

// Writes a backup of the current values, then every value of the family's
// map in order. When the backup cannot be written nothing is changed; when
// some writes fail the others are still made. Either way the user is told
// in a message box (caption "Quellar", owned by `owner`); a full success
// says nothing here (the caller tells it in its own words).
ApplyReport applyTuningReported(std::uintptr_t owner = 0);
ApplyOutcome applyTuning(std::uintptr_t owner = 0);

}  // namespace quellar::tuning
