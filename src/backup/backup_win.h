#pragma once
// Backup files on disk: choosing the next number in the Backups folder,
// writing a backup of the current TCP/IP values, reading one back and
// restoring it. The format itself lives in backup/backupfile.h.
#include <functional>
#include <string>
#include <vector>

#include "backup/backupfile.h"
#include "core/osversion.h"
#include "core/regops.h"

namespace quellar::backup {

// effects().programFolder() + "\Backups".
std::string backupsFolder();

// Writes `text` as the whole new content of `path` (flushed); 0 or the
// Windows code.
unsigned long writeWholeFile(const std::string& path, const std::string& text);

struct BackupFileChoice {
    std::string path;     // the full path of the file to write next
    std::string problem;  // why there is none; empty when path is set
    bool ok() const { return problem.empty(); }
};

// Creates the Backups folder when it is missing and names the next file:
// one more than the highest number among the *.BCK files there. Refuses
// when that would be beyond 999.
BackupFileChoice nextBackupFileName();

struct BackupWriteResult {
    bool ok = false;
    std::string path;     // the file written (or the one that could not be)
    std::string problem;  // for the user, when not ok
};

// Writes one complete backup of the current values, in the layout of
// Windows version `version` (the running one's; a restore names the version
// its file was taken on, which it has checked is the one running), to the
// next numbered file. The file is written under a temporary name, read back
// with the restore's reader, and renamed when complete, so a numbered file
// is always whole and gives back what was taken; on failure no numbered
// file appears. When another writer takes the number meanwhile, the next
// free one is used.
BackupWriteResult backupCurrentSettings(int version = winVersion);
// The same with the adapter subkeys given: the apply lists them once, for
// its backup and its writes alike.
BackupWriteResult backupCurrentSettings(const std::vector<std::string>& subkeys, int version = winVersion);

// For tests of the failure paths: when set, called with the temporary
// file's path and the backup's path once the temporary file is made, before
// it is written and renamed (the moment another program could get in the way).
std::function<void(const std::string& temporary, const std::string& target)>& temporaryFileHook();

// Reads and checks a whole backup file; nothing is written. A file that
// cannot be read gives line 0 and the system's reason.
BackupReadResult readBackupFile(const std::string& path);

struct BackupHeaderRead {
    bool opened = false;        // false: the file could not be read at all
    std::string problem;        // why, for the user, when not opened
    BackupHeaderFields fields;  // each field empty when its line is damaged
};

// The date, time and Windows version of a backup file, for a list of
// backups: reads only the first kHeaderBytes bytes and checks nothing more.
BackupHeaderRead readBackupHeader(const std::string& path);

struct RestoreResult {
    enum class Status {
        Restored,        // every recorded value written back
        Rejected,        // the file did not check out; nothing was written
        OtherWindows,    // taken on another Windows version; nothing was written
        NotBackedUp,     // the values now could not be backed up; nothing was written
        PartlyRestored   // the file checked out, but some writes failed
    };
    Status status = Status::Rejected;
    ExecutionReport report;
    std::string message;     // for the user (caption kMessageCaption); empty when Restored
    std::string backupPath;  // the backup of the values the restore replaced, once written
    bool ok() const { return status == Status::Restored; }
};

// Writes every value of a checked backup back into the registry, in file
// order, also after a write has failed. Takes no backup of its own.
RestoreResult restoreBackup(const BackupContents& contents);

// The message for a backup of another Windows version.
inline constexpr char kOtherWindowsMessage[] = "This backup file was taken from another operating system!!";

// The restore command in one call: reads and checks the whole file
// (readBackupFile); refuses it, writing nothing, unless it was taken on
// exactly `runningWinVersion` (a Windows 2000 backup is refused on XP, though
// both share a layout); then backs up the values now, as an apply does
// (backupCurrentSettings, with the same refusals: no backup, nothing
// restored), so the restore itself can be undone; then restoreBackup. The
// status says which happened, the message what to tell the user (caption
// kMessageCaption), backupPath which file holds the values replaced.
// Confirming with the user first is the caller's part.
RestoreResult restoreBackupFile(const std::string& path, int runningWinVersion);

}  // namespace quellar::backup
