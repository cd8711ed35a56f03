#include "backup/appliednotice.h"

#include "core/text.h"

namespace quellar::backup {

namespace {
constexpr char kRestartLine[] = "Restart Windows for the TCP/IP changes to take effect.";
}  // namespace

AppliedNotice appliedNotice(const std::string& applied, const std::string& backupPath, const std::string& note) {
    // The file's own name is what the Backup manager lists.
    const std::string file(text::fileNameOf(backupPath));
    AppliedNotice notice;
    notice.title = "TCP/IP settings applied";
    notice.text = "Applied: " + applied + ".\r\n" + "The values from before are kept in the backup " + file +
                  ".\r\n" + kRestartLine;
    if (!note.empty()) notice.text += "\r\n" + note;
    return notice;
}

AppliedNotice restoredNotice(const std::string& restored, const std::string& backupPath) {
    AppliedNotice notice;
    notice.title = "TCP/IP settings restored";
    notice.text = "Restored: the backup " + restored + ".\r\n" + "The values from before the restore are kept in the backup " +
                  std::string(text::fileNameOf(backupPath)) + ".\r\n" + kRestartLine;
    return notice;
}

}  // namespace quellar::backup
