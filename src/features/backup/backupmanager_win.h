#pragma once
#include <memory>
#include <string>

#include "features/backup/backupmanager.h"
#include "ui/form/featurehooks_win.h"

namespace quellar::features {

// frmBackUp: the backup files in a sortable list, restored or deleted;
// the host rebuilds the list each time it shows the window.
class BackupManagerWindow : public ui::BackupWindowBase {
public:
    explicit BackupManagerWindow(ui::FeatureHost& host);
    ~BackupManagerWindow() override;

    void rebuildList() override;

    // Only while loaded.
    BackupManager& manager() { return *manager_; }

protected:
    void onLoad() override;
    void onUnload() override;

private:
    void previewBackup(const std::string& name);

    std::unique_ptr<BackupManager> manager_;
};

// The rows of the Backups folder in listing order, with the user's date and
// time formats; the folder is made when it is missing. Only headers read
// before (and unchanged since) are filled in; the others are marked to be
// read with readBackupRowHeader.
std::vector<BackupRow> listBackupRows();
void readBackupRowHeader(BackupRow& row);

}  // namespace quellar::features
