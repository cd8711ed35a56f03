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
#include "tuning/fields.h"
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

// A text line: the text between two double quotes, a double quote inside
// written twice ("bad""quote"). Older files hold no quote inside a text,
// so they read as they always did.
std::string quotedLine(std::string_view text);

// The value line of a "current" pair whose value does not exist: a restore
// deletes the value again. Files of the plain rule recorded such a value as 0.
inline constexpr char kAbsentLine[] = "absent";
// "absent key N": neither the value nor the last N names of its key path
// existed; a restore deletes the value and then those keys, each only when
// nothing is left in it.
inline constexpr char kAbsentKeyLine[] = "absent key ";

// "hex(T):b0,b1,...": a value that a plain number cannot give back exactly
// (another type, or a text that is not plain digits), as its registry type
// T in hexadecimal and its bytes; a restore stores exactly that type and
// those bytes.
std::string typedLine(unsigned long type, std::string_view data);

// A typed value holds at most this many bytes; a larger one cannot be
// recorded and the apply that needs it is refused.
inline constexpr std::size_t kLargestTypedValue = 65536;

// The range a value line may hold: the signed 32-bit numbers (files written
// with that rule) and the unsigned ones (this writer's rule). Both halves
// overlap in the same 32 bits when restored as a REG_DWORD.
inline constexpr std::int64_t kLowestValue = -2147483648LL;
inline constexpr std::int64_t kHighestValue = 4294967295LL;

// The number a plain value line records for a value, when a restore of
// that number gives back exactly its type and bytes: on NT a REG_DWORD of
// four bytes (0 to 4294967295); on 9x a REG_SZ of plain decimal digits
// (no sign, no leading zero, at most 4294967295) and its one NUL.
std::optional<std::int64_t> plainNumber(tuning::Family family, unsigned long type, std::string_view data);

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
    Hive hive = Hive::LocalMachine;
    std::string keyLine;   // the path written to the file
    std::string readPath;  // the path the current values are read through
    std::vector<PairLayout> pairs;
};

// The keys of the fixed records every backup begins with, in file order.
inline constexpr tuning::Key kFixedRecordKeys[] = {tuning::Key::Stack, tuning::Key::InternetSettings,
                                                   tuning::Key::NdiCache};

// The records a backup of `family` holds, in file order: the fixed records,
// then one (9x) or two (NT) per subkey of tuning::perSubkeyParent(family).
std::vector<RecordLayout> backupLayout(tuning::Family family, const std::vector<std::string>& subkeys);

// The pairs of the family's record of `key`, in file order.
std::vector<PairLayout> recordPairs(tuning::Family family, tuning::Key key);

// How many of a key path's last names an "absent key" line may name: all
// but the first, so no restore ever touches a hive's top-level keys.
int removableLevels(std::string_view path);

// ---- Writing ----------------------------------------------------------

// What the registry holds for one value at backup time.
struct ValueRead {
    enum class State { Present, Missing, Unreadable };
    State state = State::Missing;
    unsigned long type = 0;  // Present: the value's registry type
    std::string data;        // Present: its bytes
    int missingKeyLevels = 0;  // Missing: how many of the key path's last names do not exist
    // Unreadable: why, when there is more to say than that it cannot be read
    // ("holds characters outside this system's code page").
    std::string why;
};
using ValueReader =
    std::function<ValueRead(Hive hive, const std::string& path, const std::string& name)>;

struct BackupContents;

struct CapturedBackup {
    bool ok = false;
    std::string problem;  // when not ok: the value that cannot be recorded, and why
};

// What a backup taken at `when` on the system `winVersion` records, as the
// writes its restore would make: the header, then, for a version of 1 to 8,
// the family's records with the current values taken from `read`, in file
// order. A value is recorded as a plain number where one gives it back
// exactly, as absent (with the key levels that were missing) where it does
// not exist, and typed otherwise. Fails on a value that cannot be read or
// is too large to record.
CapturedBackup captureBackup(const LocalTime& when, int winVersion, const std::vector<std::string>& subkeys,
                             const ValueReader& read, BackupContents& contents);

// The text of a backup: every line ended with CR LF. Reading it back with
// readBackup gives `contents` again.
std::string backupTextOf(const BackupContents& contents);

// captureBackup and backupTextOf in one step, for a capture that succeeds.
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
    // family, REG_DWORD on NT, a typed value exactly; a value recorded as
    // absent is removed.
    std::vector<RegistryOperation> writes;

    bool operator==(const BackupContents& other) const;
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
