#pragma once
// The backup manager's behaviour: a list of the backup files with their
// dates and times, sorted by any column, and the selected one restored or
// deleted. Written against the control models; the folder, the restore and
// the deletion come in as actions, so it runs and is tested without windows.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/form.h"
#include "core/timers.h"

namespace quellar::features {

inline constexpr PixelRect kBackupManagerClient{0, 0, 443, 250};

const std::vector<ControlDecl>& backupManagerControls();

// One backup file as the list shows and sorts it.
struct BackupRow {
    std::string fileName;                // as the folder lists it ("005.bck")
    std::optional<std::int32_t> dateKey; // yyyymmdd; none when the header holds no date
    std::optional<std::int32_t> timeKey; // hhmmss; none when it holds no time
    std::string dateText;                // in the user's short date format
    std::string timeText;                // in the user's time format
    // False while the file's header is still to be read: the row is listed
    // at once and its date and time fill in afterwards.
    bool headerRead = true;
};

// "005.bck" -> "005.BCK": the name a row shows, restores and deletes by.
std::string listedName(const std::string& fileName);

// "001.BCK, taken on 15/03/2004 at 17:05:09": a backup as a question names it.
std::string describedBackup(const BackupRow& row);

struct RestoreOutcome {
    enum class Status { Restored, OtherWindows, Failed };
    Status status = Status::Failed;
    std::string message;     // what went wrong, for Failed
    std::string backupPath;  // the backup of the values replaced, when one was written
};

class BackupManager {
public:
    struct Actions {
        // The backups in the folder in listing order; makes the folder
        // when it is missing.
        std::function<std::vector<BackupRow>()> listBackups;
        // Reads, checks and restores one file, refusing one of another
        // Windows version, after a backup of the values now; `name` is the
        // listed name.
        std::function<RestoreOutcome(const std::string& name)> restore;
        // Deletes one file; what went wrong, or empty.
        std::function<std::string(const std::string& name)> remove;
        std::function<void()> focus;  // the window takes the focus
        // Shows the backup beside the values now (and refuses one of
        // another Windows version there); `name` is the listed name.
        std::function<void(const std::string& name)> preview;
        // The program's own notice (title, text) after a restore.
        std::function<void(const std::string& title, const std::string& text)> notify;
        // Reads the date and time of a row listed with its header still to
        // be read.
        std::function<void(BackupRow& row)> readHeader;
        // The hourglass, while every header still to be read is read at
        // once (a sort by date or time asks for them all).
        std::function<void(bool busy)> busy;
    };

    BackupManager(Form& form, Actions actions, std::uintptr_t owner = 0);

    // The window's load: the three buttons disabled.
    void load();
    // Rebuilds the rows from the folder (the host calls it before showing
    // the window), sorted as the header shows; no row is selected. Rows
    // whose header is still to be read show at once and fill in a few at a
    // time from a timer, where they stand, so a large folder neither keeps
    // the window waiting nor moves a row from under the user.
    void rebuildList();
    bool headersPending() const;

    void columnClicked(int column);
    void restoreSelected();
    void deleteSelected();

    // The restore question for the listed file, and the restore without it
    // (the viewer asks first and stays open on No).
    bool confirmRestore(const std::string& name);
    void restoreConfirmed(const std::string& name);

private:
    void syncButtons();
    void sortRows(int column, bool descending);
    bool readHeaderAt(int row);
    void fillHeaders(int most);
    void readAllHeaders();
    int indexNamed(const std::string& name) const;
    void selectByName(const std::string& name);

    Form& form_;
    Actions actions_;
    std::uintptr_t owner_;
    Timer fill_;
};

}  // namespace quellar::features
