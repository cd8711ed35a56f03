#pragma once
// What the program's own notice says after an apply that wrote every value.
#include <string>

namespace quellar::backup {

struct AppliedNotice {
    std::string title;
    std::string text;
};

// `applied` names the set ("Automatic-E", "the Advanced mode's values");
// `backupPath` is the backup that holds the values from before. The notice
// names both and says that Windows must restart before the TCP/IP changes
// take effect. `note` (the adapter keys left alone) follows when given.
AppliedNotice appliedNotice(const std::string& applied, const std::string& backupPath,
                            const std::string& note = std::string());

}  // namespace quellar::backup
