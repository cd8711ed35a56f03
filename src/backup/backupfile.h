#pragma once
// Backup files of the TCP/IP values: how they are named and numbered, the
// line format, which values each Windows family records in which order, and
// the reader that turns a file back into registry writes. Everything here is
// free of <windows.h>: the registry and the file system come in through
// callbacks and plain names (backup/backup_win.h supplies them). The format
// is described in docs/backup-format.md.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/effects.h"
#include "core/regops.h"
#include "tuning/tuning.h"

namespace quellar::backup {

// ---- Names and numbers -------------------------------------------------

inline constexpr int kHighestBackupNumber = 999;
inline constexpr char kBackupsFolderName[] = "Backups";
inline constexpr char kBackupExtension[] = "BCK";

// True for a file name whose extension is BCK in any letter case.
bool isBackupFileName(std::string_view fileName);

// True for a name of exactly three digits and the extension BCK in any
// letter case ("007.BCK", "007.bck"): the files a list of backups shows.
// Judged by the long name: "007.bckold", whose short alias is 007.BCK, is
// not one, nor is "my backup.bck".
bool isNumberedBackupName(std::string_view fileName);

// The file name without its extension ("007.BCK" -> "007").
std::string_view baseNameOf(std::string_view fileName);

// The number a backup's base name counts as: its last three characters (all
// of it when shorter), leading blanks skipped, read as a decimal number;
// no leading digit gives 0. "1234" counts as 234, "notes" as 0.
int backupNumberOf(std::string_view baseName);

// The highest number among those of `fileNames` that are backup files;
// 0 when there are none.
int highestBackupNumber(const std::vector<std::string>& fileNames);

// "001.BCK" ... "999.BCK"; nothing outside 1 to 999.
std::optional<std::string> backupFileNameFor(int number);

// ---- Lines ------------------------------------------------------------

inline constexpr char kLineEnd[] = "\r\n";

// "#2004-03-15#" and "#17:05:09#", whatever the locale.
std::string dateLine(const LocalTime& when);
std::string timeLine(const LocalTime& when);

// The number a value line records for a number read from the registry
// (settings::numberFromData): whole numbers from 0 to 4294967295 unchanged,
// so a REG_DWORD keeps all 32 bits; anything larger (only binary data
// longer than four bytes or a text of more than ten digits) is recorded as
// 4294967295; anything below 0 or not a number as 0.
std::int64_t recordedNumber(double registryNumber);

// The value line of a "current" pair whose value does not exist: a restore
// deletes the value again. Files of the plain rule recorded such a value as 0.
inline constexpr char kAbsentLine[] = "absent";

// The range a value line may hold: the signed 32-bit numbers (files written
// with that rule) and the unsigned ones (this writer's rule). Both halves
// overlap in the same 32 bits when restored as a REG_DWORD.
inline constexpr std::int64_t kLowestValue = -2147483648LL;
inline constexpr std::int64_t kHighestValue = 4294967295LL;

// ---- Layout -----------------------------------------------------------

// Every pair records what the value was, the four the apply always writes
// the same (SackOpts, Tcp1323Opts, TcpMaxDupAcks, DefaultReceiveWindow)
// included: files written before held those numbers fixed in the same
// places, and read as before.
enum class PairKind {
    Current,  // the registry's current number
    Flag,     // 1 when the current number is not 0, else 0
};

struct PairLayout {
    std::string name;
    PairKind kind = PairKind::Current;
};

struct RecordLayout {
    tuning::Hive hive = tuning::Hive::LocalMachine;
    std::string keyLine;   // the path written to the file
    std::string readPath;  // the path the current values are read through
    std::vector<PairLayout> pairs;
};

// The records a backup of `family` holds, in file order: three fixed
// records, then one (9x) or two (NT) per subkey of
// tuning::perSubkeyParent(family).
std::vector<RecordLayout> backupLayout(tuning::Family family, const std::vector<std::string>& subkeys);

// ---- Writing ----------------------------------------------------------

// Reads one registry value as a number: nothing when the value (or its
// key) does not exist, 0 when it exists but cannot be read.
using ValueReader = std::function<std::optional<double>(tuning::Hive hive, const std::string& path,
                                                        const std::string& name)>;

// The whole text of a backup taken at `when` on the system `winVersion`:
// the header, then, for a version of 1 to 8, the family's records with the
// current values taken from `read`, in file order; a current value that
// does not exist is recorded as kAbsentLine. Every line ends with CR LF.
std::string backupText(const LocalTime& when, int winVersion, const std::vector<std::string>& subkeys,
                       const ValueReader& read);

// ---- Reading ----------------------------------------------------------

struct BackupHeader {
    LocalTime created;
    int winVersion = 0;
};

struct BackupContents {
    BackupHeader header;
    std::size_t records = 0;
    // The writes a restore makes, in file order: REG_SZ text on the 9x
    // family, REG_DWORD on NT; a value recorded as absent is removed.
    std::vector<tuning::RegistryOperation> writes;
};

struct BackupReadResult {
    bool ok = false;
    BackupContents contents;  // empty unless ok
    std::size_t line = 0;     // where the problem is, 1-based
    std::string problem;      // what is wrong there

    // "Line 7: expected ..." for the user; empty when ok.
    std::string describe() const;
};

// What a list of backups shows of one file: its three header lines, each
// taken on its own, so a damaged header gives an empty field rather than no
// row. Nothing past the header is looked at.
struct CalendarDate {
    int year = 0, month = 0, day = 0;
};
struct TimeOfDay {
    int hour = 0, minute = 0, second = 0;
};
struct BackupHeaderFields {
    std::optional<CalendarDate> date;  // none: line 1 is not a valid date
    std::optional<TimeOfDay> time;     // none: line 2 is not a valid time of day
    std::optional<int> winVersion;     // none: line 3 is not a version number 1 to 8
};

// The start of a backup file (at least kHeaderBytes of it, when it is that
// long) read as its header.
BackupHeaderFields backupHeaderFields(std::string_view start);

// More than the longest header a backup can have ("#yyyy-mm-dd#", "#hh:mm:ss#",
// a version number, each with its line end).
inline constexpr std::size_t kHeaderBytes = 64;

// Checks the whole text before anything is taken from it. Every line must
// end with a line end (CR LF, or LF alone) and be of the kind its position
// needs; key paths and value names must be those a backup of the recorded
// family holds; numbers must be in range; the file may end only after a
// complete record, and not before the three fixed records. On any fault the
// result has no writes at all.
BackupReadResult readBackup(std::string_view text);

}  // namespace quellar::backup
