#include "backup/regexport_win.h"

#include <windows.h>

#include "backup/backup_win.h"
#include "core/effects.h"
#include "core/regfile.h"
#include "version.h"
#include "win/regops_win.h"

namespace quellar::backup {

ExportResult exportRegistryFile(const std::string& path, const std::vector<RegistryOperation>& operations,
                                const std::string& what) {
    const LocalTime now = effects().localTime ? effects().localTime() : LocalTime{};
    const std::string text =
        regFileText(operations, regFileComment(std::string("Quellar ") + QUELLAR_VERSION_TEXT, what, now));
    const unsigned long status = writeWholeFile(path, text);
    if (status == ERROR_SUCCESS) return {true, {}};
    return {false, path + " could not be written: " + win::systemErrorText(static_cast<long>(status))};
}

std::string suggestedExportName(const std::string& what) {
    std::string name;
    // Characters a file name cannot hold become blanks.
    for (char c : what) name += std::string("\\/:*?\"<>|").find(c) == std::string::npos ? c : ' ';
    return name + "." + kRegFileExtension;
}

}  // namespace quellar::backup
