#pragma once
// What the program's own notice says after an apply or a restore that wrote
// every value.
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

// `restored` is the backup written back ("001.BCK"), `backupPath` the one
// that now holds the values the restore replaced; the notice names both and
// says that Windows must restart.
AppliedNotice restoredNotice(const std::string& restored, const std::string& backupPath);

}  // namespace quellar::backup
