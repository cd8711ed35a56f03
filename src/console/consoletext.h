#pragma once
// What the console program prints: plain text with "\n" line ends (the
// Windows side writes CR LF), built from the same data the windows show.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "backup/backupfile.h"
#include "core/preview.h"
#include "tuning/adapters.h"

namespace quellar::console {

// Every preset by name with the values it writes; "Windows default" says
// that it removes them.
std::string presetsText();

// "Subkey  MTU  Name" and one line per adapter, the MTU "not set" where
// there is none, the description after the name where it adds something.
std::string adaptersText(const std::vector<tuning::AdapterEntry>& adapters);

// The rows grouped under their keys (an adapter's key followed by the
// adapter's name, when `adapterOf` is given), "  * Name   now -> after" for a value
// that changes ("    " for one that does not), then the summary line.
std::string previewRowsText(const Preview& preview, const tuning::AdapterNamer& adapterOf = {});

// Only the rows that change, "  Name   before -> after"; "Nothing changed."
// when none does.
std::string changedRowsText(const std::vector<PreviewRow>& rows, const tuning::AdapterNamer& adapterOf = {});

// The rows of `before` (a preview taken before an action) whose value now,
// as `after` reads it, is what the action was to leave: what it changed.
std::vector<PreviewRow> changedRows(const Preview& before, const Preview& after);

struct BackupListing {
    std::string fileName;               // "001.BCK"
    int number = 0;
    bool readable = true;               // false: the file could not be opened
    backup::BackupHeaderFields fields;  // empty fields print as "?"
};

// "No.  Date        Time      Windows" and one line per backup in number
// order; "No backups in FOLDER." when there are none.
std::string backupsText(std::vector<BackupListing> listings, const std::string& folder);

// "2004-03-15", "17:05:09", "Windows XP (7)".
std::string dateText(const backup::CalendarDate& date);
std::string timeText(const backup::TimeOfDay& time);
std::string windowsText(int winVersion);

// The heading of "show": the file's name, date, time and Windows, and
// whether it can be restored here.
std::string backupHeading(const std::string& fileName, const backup::BackupHeader& header, int runningWinVersion);

struct StatusFigures {
    int winVersion = 0;
    std::uint64_t memoryLoad = 0;  // percent
    std::uint64_t totalPhysical = 0, availPhysical = 0;  // bytes
    std::uint64_t totalPageFile = 0, availPageFile = 0;
    std::uint64_t totalVirtual = 0, availVirtual = 0;
    std::optional<int> processorPercent;  // none: the meter could not read
};

std::string statusText(const StatusFigures& figures);

// "Free physical memory: 120 MB before, 310 MB after."
std::string freeRamText(std::uint64_t freeBefore, std::uint64_t freeAfter);

}  // namespace quellar::console
