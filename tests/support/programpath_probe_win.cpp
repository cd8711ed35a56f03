// Started from a folder whose name lies outside the ANSI code page, reports
// as its exit code what works from there: 1 the program folder is one the
// ANSI calls reach, 2 the skin file beside the program opens, 4 a backup is
// written into the Backups folder there, 8 the Run entry names this program.
#include <windows.h>

#include "backup/backup_win.h"
#include "core/effects.h"
#include "features/mainsettings/mainsettings.h"
#include "win/effects_win.h"
#include "win/osversion_win.h"

using namespace quellar;

namespace {

bool exists(const std::string& path, bool folder) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) == folder;
}

}  // namespace

int main() {
    win::installWin32Effects();
    win::detectWindowsVersion();
    const std::string folder = effects().programFolder();
    int result = 0;
    if (exists(folder, true)) result |= 1;
    HANDLE skin = CreateFileA((folder + "\\RQLRMask.skn").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (skin != INVALID_HANDLE_VALUE) {
        result |= 2;
        CloseHandle(skin);
    }
    const backup::BackupWriteResult written = backup::backupCurrentSettings();
    if (written.ok && exists(written.path, false)) result |= 4;
    const std::string run = features::runEntryText(folder, effects().programFileName());
    if (run.size() > 2 && exists(run.substr(1, run.size() - 2), false)) result |= 8;
    return result;
}
