#pragma once
// Backup files on disk: choosing the next number in the Backups folder,
// writing a backup of the current TCP/IP values, reading one back and
// restoring it. The format itself lives in backup/backupfile.h.
#include <string>

#include "backup/backupfile.h"
#include "core/regops.h"

namespace quellar::backup {

// effects().programFolder() + "\Backups".
std::string backupsFolder();

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

// Writes one complete backup of the running system's current values (by
// winVersion's family) to the next numbered file. The file is written under
// a temporary name and renamed when complete, so a numbered file is always
// whole; on failure no numbered file appears.
BackupWriteResult backupCurrentSettings();

// Reads and checks a whole backup file; nothing is written. A file that
// cannot be read gives line 0 and the system's reason.
BackupReadResult readBackupFile(const std::string& path);

struct RestoreResult {
    enum class Status {
        Restored,       // every recorded value written back
        Rejected,       // the file did not check out; nothing was written
        PartlyRestored  // the file checked out, but some writes failed
    };
    Status status = Status::Rejected;
    tuning::ExecutionReport report;
    std::string message;  // for the user (caption kMessageCaption); empty when Restored
    bool ok() const { return status == Status::Restored; }
};

// Writes every value of a checked backup back into the registry, in file
// order, also after a write has failed.
RestoreResult restoreBackup(const BackupContents& contents);

// readBackupFile, then restoreBackup when the file checked out. The caller
// confirms with the user and compares contents.header.winVersion with the
// running system first, if it wants to (readBackupFile gives the header).
RestoreResult restoreBackupFile(const std::string& path);

}  // namespace quellar::backup
