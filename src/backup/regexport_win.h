#pragma once
// A preset or a backup saved as a registry file (core/regfile.h): the same
// operations an apply or a restore carries out, written to a file instead
// of the registry.
#include <string>
#include <vector>

#include "core/regops.h"

namespace quellar::backup {

struct ExportResult {
    bool ok = false;
    std::string problem;  // why the file could not be written, for the user
};

// Writes `operations` to `path` as a registry file whose comment names
// the program, its version, `what` ("Automatic-B on Windows XP") and now.
// Nothing is written to the registry.
ExportResult exportRegistryFile(const std::string& path, const std::vector<RegistryOperation>& operations,
                                const std::string& what);

// "Automatic-B.reg", "Backup 007.reg": the name a Save As box suggests.
std::string suggestedExportName(const std::string& what);

}  // namespace quellar::backup
