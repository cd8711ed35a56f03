#include "backup/backup_win.h"

#include <windows.h>

#include <vector>

#include "win/files_win.h"
#include "win/registry_win.h"
#include "core/osversion.h"
#include "core/text.h"
#include "win/regops_win.h"

namespace quellar::backup {

namespace {

// A backup file holds a few hundred lines; anything far larger is not one.
constexpr DWORD kLargestBackupFile = 4 * 1024 * 1024;
// The system adds four hex digits and ".tmp" to the prefix.
constexpr char kTemporaryPrefix[] = "QLR";
constexpr char kTemporaryPattern[] = "QLR*.tmp";

bool isFolder(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::string reasonOf(DWORD code) { return tuning::systemErrorText(static_cast<long>(code)); }

// The names of the files (not folders) in `folder` that match the pattern.
std::vector<std::string> filesMatching(const std::string& folder, const char* pattern) {
    std::vector<std::string> names;
    for (const WIN32_FIND_DATAA& found : win::filesIn(folder, pattern)) names.emplace_back(found.cFileName);
    return names;
}


// The number a backup records for a value; nothing when the value or its
// key does not exist (a restore then removes it again). A value that exists
// but cannot be read counts as 0, as it always has: removing it on a
// restore could lose what was there.
std::optional<double> currentValue(tuning::Hive hive, const std::string& path, const std::string& name) {
    HKEY key = nullptr;
    const LONG opened = RegOpenKeyExA(tuning::hiveKey(hive), path.c_str(), 0, KEY_QUERY_VALUE, &key);
    if (opened == ERROR_FILE_NOT_FOUND) return std::nullopt;
    if (opened != ERROR_SUCCESS) return 0.0;
    DWORD size = 0;
    const LONG queried = RegQueryValueExA(key, name.c_str(), nullptr, nullptr, nullptr, &size);
    RegCloseKey(key);
    if (queried == ERROR_FILE_NOT_FOUND) return std::nullopt;
    return settings::CRegister().myREGGetSetting(tuning::hiveKey(hive), path, name);
}

// A restore puts back what was there: a value recorded as absent is
// deleted, but a key that is missing is not made just to be empty.
long restoreOperation(const tuning::RegistryOperation& op) {
    if (!op.remove) return tuning::writeOperation(op);
    HKEY key = nullptr;
    const LONG opened = RegOpenKeyExA(tuning::hiveKey(op.hive), op.keyPath.c_str(), 0, KEY_SET_VALUE, &key);
    if (opened == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
    if (opened != ERROR_SUCCESS) return opened;
    const LONG deleted = RegDeleteValueA(key, op.valueName.c_str());
    RegCloseKey(key);
    return deleted == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : deleted;
}

}  // namespace

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

std::function<void(const std::string&, const std::string&)>& temporaryFileHook() {
    static std::function<void(const std::string&, const std::string&)> hook;
    return hook;
}

std::string backupsFolder() { return effects().programFolder() + "\\" + kBackupsFolderName; }

BackupFileChoice nextBackupFileName() {
    BackupFileChoice choice;
    const std::string folder = backupsFolder();
    if (!isFolder(folder) && !CreateDirectoryA(folder.c_str(), nullptr)) {
        choice.problem = "The folder " + folder + " cannot be created: " + reasonOf(GetLastError());
        return choice;
    }
    const std::string pattern = std::string("*.") + kBackupExtension;
    int number = highestBackupNumber(filesMatching(folder, pattern.c_str())) + 1;
    std::optional<std::string> name;
    // A folder that happens to carry a backup's name is not a backup, but
    // the file cannot take its name either: the next number is tried.
    while ((name = backupFileNameFor(number)) &&
           GetFileAttributesA((folder + "\\" + *name).c_str()) != INVALID_FILE_ATTRIBUTES) {
        ++number;
    }
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
    const std::string text = backupText(effects().localTime(), winVersion, subkeys, currentValue);

    // Complete under a name the backup list does not show, then renamed in
    // one step; MoveFileA never replaces an existing file. The temporary name
    // is one the system makes unique, so whatever a crash left behind cannot
    // stand in the way; such leftovers are cleared first.
    const std::string folder = backupsFolder();
    for (const std::string& stale : filesMatching(folder, kTemporaryPattern)) {
        const std::string path = folder + "\\" + stale;
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
    }
    char temporaryName[MAX_PATH + 1] = {};
    if (!GetTempFileNameA(folder.c_str(), kTemporaryPrefix, 0, temporaryName)) {
        result.problem = "No temporary file can be made in " + folder + " for the backup: " + reasonOf(GetLastError());
        return result;
    }
    const std::string temporary = temporaryName;
    if (temporaryFileHook()) temporaryFileHook()(temporary, choice.path);
    DWORD status = writeWholeFile(temporary, text);
    if (status != ERROR_SUCCESS) {
        DeleteFileA(temporary.c_str());
        result.problem = "The temporary file " + temporary + " for the backup cannot be written: " + reasonOf(status);
        return result;
    }
    if (!MoveFileA(temporary.c_str(), choice.path.c_str())) {
        status = GetLastError();
        DeleteFileA(temporary.c_str());
        result.problem = "The temporary file " + temporary + " cannot be renamed to " + choice.path + ": " +
                         reasonOf(status);
        return result;
    }
    result.ok = true;
    return result;
}

BackupReadResult readBackupFile(const std::string& path) {
    BackupReadResult result;
    const win::FileText file = win::readCappedFile(path, kLargestBackupFile);
    switch (file.status) {
    case win::FileText::Status::Read: return readBackup(file.text);
    case win::FileText::Status::TooLarge:
        result.problem = "The file " + path + " is far too large to be a backup file.";
        return result;
    case win::FileText::Status::CannotOpen:
    case win::FileText::Status::CannotRead: break;
    }
    result.problem = "The file " + path + " cannot be read: " + reasonOf(file.error);
    return result;
}

RestoreResult restoreBackup(const BackupContents& contents) {
    RestoreResult result;
    result.report = tuning::carryOut(contents.writes, restoreOperation);
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

RestoreResult restoreBackupFile(const std::string& path, int runningWinVersion) {
    const BackupReadResult read = readBackupFile(path);
    RestoreResult result;
    if (!read.ok) {
        result.status = RestoreResult::Status::Rejected;
        result.message = "The backup " + std::string(text::fileNameOf(path)) + " was not restored; nothing was changed.\r\n\r\n" +
                         read.describe();
        return result;
    }
    if (read.contents.header.winVersion != runningWinVersion) {
        result.status = RestoreResult::Status::OtherWindows;
        result.message = kOtherWindowsMessage;
        return result;
    }
    return restoreBackup(read.contents);
}

BackupHeaderRead readBackupHeader(const std::string& path) {
    BackupHeaderRead result;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        result.problem = "The file " + path + " cannot be read: " + reasonOf(GetLastError());
        return result;
    }
    char start[kHeaderBytes];
    DWORD read = 0;
    const BOOL ok = ReadFile(file, start, sizeof start, &read, nullptr);
    const DWORD status = ok ? ERROR_SUCCESS : GetLastError();
    CloseHandle(file);
    if (!ok) {
        result.problem = "The file " + path + " cannot be read: " + reasonOf(status);
        return result;
    }
    result.opened = true;
    result.fields = backupHeaderFields(std::string_view(start, read));
    return result;
}

}  // namespace quellar::backup
