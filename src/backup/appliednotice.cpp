#include "backup/appliednotice.h"

namespace quellar::backup {

AppliedNotice appliedNotice(const std::string& applied, const std::string& backupPath) {
    // The file's own name is what the Backup manager lists.
    const std::size_t slash = backupPath.find_last_of("\\/");
    const std::string file = slash == std::string::npos ? backupPath : backupPath.substr(slash + 1);
    AppliedNotice notice;
    notice.title = "TCP/IP settings applied";
    notice.text = "Applied: " + applied + ".\r\n" + "The values from before are kept in the backup " + file +
                  ".\r\n" + "Restart Windows for the TCP/IP changes to take effect.";
    return notice;
}

}  // namespace quellar::backup
