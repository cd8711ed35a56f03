#pragma once
// Applying currentTuning to the registry of the running Windows family.
#include <cstdint>
#include <string>
#include <vector>

#include "core/regops.h"
#include "tuning/adapters.h"
#include "tuning/tuning.h"

namespace quellar::backup {

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
std::vector<RegistryOperation> plannedTuningOperations(const tuning::TuningParams& params);

// The per-subkey keys of the running family with the names and MTUs the
// registry holds for them now (empty for an unknown family).
std::vector<tuning::AdapterEntry> currentAdapters();
// Names the adapters' keys by currentAdapters() (empty for an unknown family).
tuning::AdapterNamer currentAdapterNamer();

struct ApplyResult {
    ApplyOutcome outcome = ApplyOutcome::NotApplied;
    std::string backupPath;  // the backup written first, when there is one
    // Adapter keys whose names a backup cannot hold, which the apply left
    // alone (leftAloneNote); empty when there were none.
    std::string leftAlone;
};

// The same note for the adapter keys as they are now, for a preview.
std::string leftAloneAdapters();

// applyTuning, also saying which backup it wrote (the console prints it).
ApplyResult applyTuningReporting(std::uintptr_t owner = 0);

// Writes a backup of the current values, then every value of the family's
// map in order. When the backup cannot be written nothing is changed; when
// some writes fail the others are still made. Either way the user is told
// in a message box (caption "Quellar", owned by `owner`).
ApplyOutcome applyTuning(std::uintptr_t owner = 0);

}  // namespace quellar::backup
