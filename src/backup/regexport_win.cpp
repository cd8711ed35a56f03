#include "backup/regexport_win.h"

#include <windows.h>

#include "backup/backup_win.h"
#include "core/effects.h"
#include "core/regfile.h"
#include "version.h"
#include "win/regops_win.h"

namespace quellar::backup {

ExportResult exportRegistryFile(const std::string& path, const std::vector<tuning::RegistryOperation>& operations,
                                const std::string& what) {
    const LocalTime now = effects().localTime ? effects().localTime() : LocalTime{};
    const std::string text =
        tuning::regFileText(operations, tuning::regFileComment(std::string("Quellar ") + QUELLAR_VERSION_TEXT, what, now));
    const unsigned long status = writeWholeFile(path, text);
    if (status == ERROR_SUCCESS) return {true, {}};
    return {false, path + " could not be written: " + tuning::systemErrorText(static_cast<long>(status))};
}

std::string suggestedExportName(const std::string& what) {
    std::string name;
    // Characters a file name cannot hold become blanks.
    for (char c : what) name += std::string("\\/:*?\"<>|").find(c) == std::string::npos ? c : ' ';
    return name + "." + tuning::kRegFileExtension;
}

}  // namespace quellar::backup
