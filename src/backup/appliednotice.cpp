#include "backup/appliednotice.h"

#include "core/text.h"

namespace quellar::backup {

AppliedNotice appliedNotice(const std::string& applied, const std::string& backupPath, const std::string& note) {
    // The file's own name is what the Backup manager lists.
    const std::string file(text::fileNameOf(backupPath));
    AppliedNotice notice;
    notice.title = "TCP/IP settings applied";
    notice.text = "Applied: " + applied + ".\r\n" + "The values from before are kept in the backup " + file +
                  ".\r\n" + "Restart Windows for the TCP/IP changes to take effect.";
    if (!note.empty()) notice.text += "\r\n" + note;
    return notice;
}

}  // namespace quellar::backup
