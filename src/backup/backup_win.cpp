#include "backup/backup_win.h"

#include <windows.h>

#include <vector>

#include "win/registry_win.h"
#include "core/osversion.h"
#include "win/regops_win.h"

namespace quellar::backup {

namespace {

// A backup file holds a few hundred lines; anything far larger is not one.
constexpr DWORD kLargestBackupFile = 4 * 1024 * 1024;
constexpr char kTemporaryExtension[] = ".tmp";

bool isFolder(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::string reasonOf(DWORD code) { return tuning::systemErrorText(static_cast<long>(code)); }

std::string fileNameOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The names of the files (not folders) in `folder` that match the pattern.
std::vector<std::string> filesMatching(const std::string& folder, const char* pattern) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\" + pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) names.emplace_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

// Writes `text` as the whole new content of `path`; 0 or the Windows code.
DWORD writeWholeFile(const std::string& path, const std::string& text) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return GetLastError();
    DWORD status = ERROR_SUCCESS;
    DWORD written = 0;
    if (!WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr)) {
        status = GetLastError();
    } else if (written != text.size()) {
        status = ERROR_DISK_FULL;
    } else if (!FlushFileBuffers(file)) {
        status = GetLastError();
    }
    if (!CloseHandle(file) && status == ERROR_SUCCESS) status = GetLastError();
    return status;
}

}  // namespace

std::string backupsFolder() { return effects().programFolder() + "\\" + kBackupsFolderName; }

BackupFileChoice nextBackupFileName() {
    BackupFileChoice choice;
    const std::string folder = backupsFolder();
    if (!isFolder(folder) && !CreateDirectoryA(folder.c_str(), nullptr)) {
        choice.problem = "The folder " + folder + " cannot be created: " + reasonOf(GetLastError());
        return choice;
    }
    const std::string pattern = std::string("*.") + kBackupExtension;
    const int highest = highestBackupNumber(filesMatching(folder, pattern.c_str()));
    const std::optional<std::string> name = backupFileNameFor(highest + 1);
    if (!name) {
        choice.problem = "There is no backup number left: numbers end at " +
                         std::to_string(kHighestBackupNumber) + ", and " + folder +
                         " already holds a backup with that number. Move the backups out of that folder "
                         "(or delete them), then try again.";
        return choice;
    }
    choice.path = folder + "\\" + *name;
    return choice;
}

BackupWriteResult backupCurrentSettings() {
    BackupWriteResult result;
    const BackupFileChoice choice = nextBackupFileName();
    if (!choice.ok()) {
        result.problem = choice.problem;
        return result;
    }
    result.path = choice.path;

    std::vector<std::string> subkeys;
    if (const std::optional<tuning::Family> family = tuning::familyOf(winVersion)) {
        subkeys = tuning::subkeysOf(HKEY_LOCAL_MACHINE, tuning::perSubkeyParent(*family));
    }
    const settings::CRegister registry;
    const std::string text =
        backupText(effects().localTime(), winVersion, subkeys,
                   [&registry](tuning::Hive hive, const std::string& path, const std::string& name) {
                       return registry.myREGGetSetting(tuning::hiveKey(hive), path, name);
                   });

    // Complete under a name the backup list does not show, then renamed in
    // one step; MoveFileA never replaces an existing file.
    const std::string temporary =
        choice.path.substr(0, choice.path.size() - std::string(kBackupExtension).size() - 1) + kTemporaryExtension;
    DWORD status = writeWholeFile(temporary, text);
    if (status == ERROR_SUCCESS && !MoveFileA(temporary.c_str(), choice.path.c_str())) status = GetLastError();
    if (status != ERROR_SUCCESS) {
        DeleteFileA(temporary.c_str());
        result.problem = "The backup file " + choice.path + " cannot be written: " + reasonOf(status);
        return result;
    }
    result.ok = true;
    return result;
}

BackupReadResult readBackupFile(const std::string& path) {
    BackupReadResult result;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        result.problem = "The file " + path + " cannot be read: " + reasonOf(GetLastError());
        return result;
    }
    const DWORD size = GetFileSize(file, nullptr);
    std::string text;
    DWORD status = ERROR_SUCCESS;
    if (size == INVALID_FILE_SIZE) {
        status = GetLastError();
    } else if (size > kLargestBackupFile) {
        result.problem = "The file " + path + " is far too large to be a backup file.";
    } else {
        text.assign(size, '\0');
        DWORD read = 0;
        if (size > 0 && !ReadFile(file, &text[0], size, &read, nullptr)) status = GetLastError();
        text.resize(read);
    }
    CloseHandle(file);
    if (status != ERROR_SUCCESS) result.problem = "The file " + path + " cannot be read: " + reasonOf(status);
    if (!result.problem.empty()) return result;
    return readBackup(text);
}

RestoreResult restoreBackup(const BackupContents& contents) {
    RestoreResult result;
    result.report = tuning::carryOutInRegistry(contents.writes);
    if (result.report.ok()) {
        result.status = RestoreResult::Status::Restored;
        return result;
    }
    result.status = RestoreResult::Status::PartlyRestored;
    const std::string headline = std::to_string(result.report.failures.size()) + " of " +
                                 std::to_string(result.report.attempted) +
                                 " recorded values could not be written back to the registry; the others were.";
    result.message = tuning::failureMessage(headline, result.report, tuning::systemErrorText);
    return result;
}

RestoreResult restoreBackupFile(const std::string& path) {
    const BackupReadResult read = readBackupFile(path);
    if (!read.ok) {
        RestoreResult result;
        result.status = RestoreResult::Status::Rejected;
        result.message = "The backup " + fileNameOf(path) + " was not restored; nothing was changed.\r\n\r\n" +
                         read.describe();
        return result;
    }
    return restoreBackup(read.contents);
}

}  // namespace quellar::backup
