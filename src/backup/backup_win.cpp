#include "backup/backup_win.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "win/files_win.h"
#include "win/library_win.h"
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

std::string reasonOf(DWORD code) { return win::systemErrorText(static_cast<long>(code)); }

// The names of the files (not folders) in `folder` that match the pattern.
std::vector<std::string> filesMatching(const std::string& folder, const char* pattern) {
    std::vector<std::string> names;
    for (const WIN32_FIND_DATAA& found : win::filesIn(folder, pattern)) names.emplace_back(found.cFileName);
    return names;
}

bool keyExists(HKEY hive, const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(hive, path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

std::string parentPath(const std::string& path) {
    const std::size_t slash = path.rfind('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// How many of the last names of `path` do not exist (the key itself does not).
int missingLevels(HKEY hive, const std::string& path) {
    int levels = 1;
    for (std::string up = parentPath(path); !up.empty() && !keyExists(hive, up); up = parentPath(up)) ++levels;
    return levels;
}

using QueryValueWFn = LONG(WINAPI*)(HKEY, LPCWSTR, LPDWORD, LPDWORD, LPBYTE, LPDWORD);

// Whether a text value read through the ANSI call is the text the registry
// holds: on NT a text is stored in UTF-16, and a character the code page
// lacks comes back as "?", which a restore would write back as "?". On 9x
// (no UTF-16 call) every text is ANSI already.
bool textSurvivesAnsi(HKEY key, const std::string& name, DWORD type, const std::string& ansi) {
    if (type != REG_SZ && type != REG_EXPAND_SZ && type != REG_MULTI_SZ) return true;
    static const QueryValueWFn queryW = win::systemFunction<QueryValueWFn>("advapi32.dll", "RegQueryValueExW");
    if (!queryW) return true;
    // Vectors rather than std::wstring, whose class would add a library of
    // its own to the exe.
    std::vector<wchar_t> wideName(name.size() + 1, L'\0');
    const int nameLength = MultiByteToWideChar(CP_ACP, 0, name.c_str(), -1, &wideName[0],
                                               static_cast<int>(wideName.size()));
    if (nameLength <= 0) return true;
    DWORD size = 0;
    if (queryW(key, wideName.data(), nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS) return true;
    std::vector<wchar_t> wide(size / sizeof(wchar_t) + 1, L'\0');
    if (queryW(key, wideName.data(), nullptr, nullptr, reinterpret_cast<BYTE*>(wide.data()), &size) != ERROR_SUCCESS)
        return true;
    wide.resize(size / sizeof(wchar_t));
    std::vector<wchar_t> back(ansi.size() + 1, L'\0');
    const int length = ansi.empty() ? 0
                                    : MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()),
                                                          &back[0], static_cast<int>(back.size()));
    back.resize(static_cast<std::size_t>(std::max(length, 0)));
    return back == wide;
}

// What a backup records of a value: its type and exact bytes, or that it
// (and maybe its key) does not exist.
ValueRead currentValue(Hive hive, const std::string& path, const std::string& name) {
    ValueRead value;
    HKEY key = nullptr;
    const LONG opened = RegOpenKeyExA(win::hiveKey(hive), path.c_str(), 0, KEY_QUERY_VALUE, &key);
    if (opened == ERROR_FILE_NOT_FOUND) {
        value.missingKeyLevels = missingLevels(win::hiveKey(hive), path);
        return value;
    }
    value.state = ValueRead::State::Unreadable;
    if (opened != ERROR_SUCCESS) return value;
    DWORD type = 0, size = 0;
    LONG queried = RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size);
    // The value may grow between the two queries; a few rounds settle it.
    for (int round = 0; round < 4 && queried == ERROR_SUCCESS; ++round) {
        value.data.assign(size, '\0');
        queried = RegQueryValueExA(key, name.c_str(), nullptr, &type,
                                   reinterpret_cast<BYTE*>(value.data.empty() ? nullptr : &value.data[0]), &size);
        if (queried == ERROR_SUCCESS) {
            value.data.resize(size);
            value.type = type;
            value.state = ValueRead::State::Present;
            break;
        }
        if (queried == ERROR_MORE_DATA) queried = ERROR_SUCCESS;
    }
    if (value.state == ValueRead::State::Present && !textSurvivesAnsi(key, name, type, value.data)) {
        value.state = ValueRead::State::Unreadable;
        value.why = "holds characters outside this system's code page";
    }
    RegCloseKey(key);
    if (queried == ERROR_FILE_NOT_FOUND) {
        value.state = ValueRead::State::Missing;
        value.data.clear();
    }
    return value;
}

// Whether a key holds no value and no subkey.
bool isEmptyKey(HKEY key) {
    DWORD subkeys = 0, values = 0;
    return RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                            nullptr, nullptr) == ERROR_SUCCESS &&
           subkeys == 0 && values == 0;
}

// Removes `path` and up to `levels` - 1 of its parents, each only while it
// is empty: the keys an apply created, which a backup recorded as missing.
void removeEmptyKeys(HKEY hive, std::string path, int levels) {
    for (int i = 0; i < levels && !path.empty(); ++i) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(hive, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
        const bool empty = isEmptyKey(key);
        RegCloseKey(key);
        // On 9x RegDeleteKey takes a whole tree, hence the check first.
        if (!empty || RegDeleteKeyA(hive, path.c_str()) != ERROR_SUCCESS) return;
        path = parentPath(path);
    }
}

// Older than this, a temporary file of the backups folder is a crash's
// leftover rather than another writer's file in progress.
constexpr ULONGLONG kStaleTemporaryAge = 60ULL * 10000000ULL;  // one minute in 100 ns

ULONGLONG ticksOf(const FILETIME& time) {
    return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

void deleteStaleTemporaries(const std::string& folder) {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    for (const WIN32_FIND_DATAA& found : win::filesIn(folder, kTemporaryPattern)) {
        const ULONGLONG written = ticksOf(found.ftLastWriteTime);
        if (written + kStaleTemporaryAge > ticksOf(now)) continue;
        const std::string path = folder + "\\" + found.cFileName;
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
    }
}

// Another writer taking the number between the choice and the rename.
bool nameTaken(DWORD status) { return status == ERROR_ALREADY_EXISTS || status == ERROR_FILE_EXISTS; }
constexpr int kRenameAttempts = 50;

// Held by one writer at a time while it chooses a number and renames its
// file to it: a rename that refuses an existing name is not one step
// everywhere (Wine checks, then renames), so two programs could otherwise
// take the same number. The lock is a file opened for this process alone;
// the system lets it go when the process ends, however it ends.
class NumberLock {
public:
    explicit NumberLock(const std::string& folder) {
        const std::string path = folder + "\\" + kNumberLockName;
        for (DWORD waited = 0; waited < kLockPatienceMs; waited += kLockRetryMs) {
            file_ = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
            if (file_ != INVALID_HANDLE_VALUE) return;
            if (GetLastError() != ERROR_SHARING_VIOLATION && GetLastError() != ERROR_ACCESS_DENIED) return;
            Sleep(kLockRetryMs);
        }
        // Past that, the backup goes ahead: a rename that finds the name
        // taken still moves on to the next number.
    }
    ~NumberLock() {
        if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
    }
    NumberLock(const NumberLock&) = delete;
    NumberLock& operator=(const NumberLock&) = delete;

private:
    static constexpr char kNumberLockName[] = "QLRnumber.lck";
    static constexpr DWORD kLockPatienceMs = 10000;
    static constexpr DWORD kLockRetryMs = 20;
    HANDLE file_ = INVALID_HANDLE_VALUE;
};

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

BackupWriteResult backupCurrentSettings(int version) {
    std::vector<std::string> subkeys;
    if (const std::optional<tuning::Family> family = tuning::familyOf(version)) {
        subkeys = win::subkeysOf(HKEY_LOCAL_MACHINE, tuning::perSubkeyParent(*family));
    }
    return backupCurrentSettings(subkeys, version);
}

BackupWriteResult backupCurrentSettings(const std::vector<std::string>& subkeys, int version) {
    BackupWriteResult result;
    BackupFileChoice choice = nextBackupFileName();
    if (!choice.ok()) {
        result.problem = choice.problem;
        return result;
    }
    result.path = choice.path;

    BackupContents taken;
    const CapturedBackup captured = captureBackup(effects().localTime(), version, subkeys, currentValue, taken);
    if (!captured.ok) {
        result.problem = captured.problem;
        return result;
    }
    const std::string text = backupTextOf(taken);

    // Complete under a name the backup list does not show, then renamed in
    // one step; MoveFileA never replaces an existing file. The temporary name
    // is one the system makes unique, so whatever a crash left behind cannot
    // stand in the way; such leftovers are cleared once they are old enough
    // not to be another writer's file in progress.
    const std::string folder = backupsFolder();
    deleteStaleTemporaries(folder);
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
    // The restore's own reader must give back exactly what was taken, or
    // the backup is no way back at all.
    const BackupReadResult reread = readBackupFile(temporary);
    if (!reread.ok || !(reread.contents == taken)) {
        DeleteFileA(temporary.c_str());
        result.problem = "The backup written to " + temporary +
                         " does not read back as the values it was taken from" +
                         (reread.ok ? std::string(".") : ": " + reread.describe());
        return result;
    }
    const NumberLock lock(folder);
    // Chosen again under the lock: another backup may have taken the number
    // while this one was being written.
    choice = nextBackupFileName();
    if (!choice.ok()) {
        DeleteFileA(temporary.c_str());
        result.problem = choice.problem;
        return result;
    }
    result.path = choice.path;
    for (int attempt = 1; !MoveFileA(temporary.c_str(), choice.path.c_str()); ++attempt) {
        status = GetLastError();
        // Another backup took the number meanwhile: the next free one serves.
        if (nameTaken(status) && attempt < kRenameAttempts && (choice = nextBackupFileName()).ok()) {
            result.path = choice.path;
            continue;
        }
        DeleteFileA(temporary.c_str());
        result.problem = choice.ok() ? "The temporary file " + temporary + " cannot be renamed to " + choice.path +
                                           ": " + reasonOf(status)
                                     : choice.problem;
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
    result.report = carryOut(contents.writes, win::writeOperation);
    // Last, and in reverse order, so a key's own subkeys have gone first.
    for (auto op = contents.writes.rbegin(); op != contents.writes.rend(); ++op) {
        if (op->absentKeyLevels > 0) removeEmptyKeys(win::hiveKey(op->hive), op->keyPath, op->absentKeyLevels);
    }
    if (result.report.ok()) {
        result.status = RestoreResult::Status::Restored;
        return result;
    }
    result.status = RestoreResult::Status::PartlyRestored;
    const std::string headline = std::to_string(result.report.failures.size()) + " of " +
                                 std::to_string(result.report.attempted) +
                                 " recorded values could not be written back to the registry; the others were.";
    result.message = failureMessage(headline, result.report, win::systemErrorText);
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
    // A restore replaces the user's values as much as an apply does, so it
    // keeps them the same way first.
    const BackupWriteResult saved = backupCurrentSettings(runningWinVersion);
    if (!saved.ok) {
        result.status = RestoreResult::Status::NotBackedUp;
        result.message = "The backup " + std::string(text::fileNameOf(path)) +
                         " was not restored, because the backup of the current values could not be written; "
                         "nothing was changed.\r\n\r\n" + saved.problem;
        return result;
    }
    result = restoreBackup(read.contents);
    result.backupPath = saved.path;
    if (!result.ok()) {
        result.message += "\r\n\r\nThe values from before the restore are kept in the backup " +
                          std::string(text::fileNameOf(saved.path)) + ".";
    }
    return result;
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
