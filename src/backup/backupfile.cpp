#include "backup/backupfile.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/osversion.h"

namespace quellar::backup {

using tuning::Family;
using tuning::Hive;
using tuning::RegistryOperation;
namespace keys = tuning::keys;

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Registry key and value names are compared without regard to letter case.
bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return upper(x) == upper(y); });
}

bool startsWithName(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && sameName(text.substr(0, prefix.size()), prefix);
}

std::string twoDigits(int n) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%02d", n);
    return buffer;
}

std::string numberText(std::int64_t n) { return std::to_string(n); }

std::string textLine(const std::string& text) { return "\"" + text + "\""; }

}  // namespace

// ---- Names and numbers -------------------------------------------------

bool isBackupFileName(std::string_view fileName) {
    const std::size_t dot = fileName.rfind('.');
    return dot != std::string_view::npos && sameName(fileName.substr(dot + 1), kBackupExtension);
}

bool isNumberedBackupName(std::string_view fileName) {
    return fileName.size() == 7 && isDigit(fileName[0]) && isDigit(fileName[1]) && isDigit(fileName[2]) &&
           fileName[3] == '.' && sameName(fileName.substr(4), kBackupExtension);
}

std::string_view baseNameOf(std::string_view fileName) {
    const std::size_t dot = fileName.rfind('.');
    return dot == std::string_view::npos ? fileName : fileName.substr(0, dot);
}

int backupNumberOf(std::string_view baseName) {
    std::string_view tail = baseName.size() > 3 ? baseName.substr(baseName.size() - 3) : baseName;
    std::size_t i = 0;
    while (i < tail.size() && (tail[i] == ' ' || tail[i] == '\t')) ++i;
    int number = 0;
    for (; i < tail.size() && isDigit(tail[i]); ++i) number = number * 10 + (tail[i] - '0');
    return number;
}

int highestBackupNumber(const std::vector<std::string>& fileNames) {
    int highest = 0;
    for (const std::string& name : fileNames) {
        if (isBackupFileName(name)) highest = std::max(highest, backupNumberOf(baseNameOf(name)));
    }
    return highest;
}

std::optional<std::string> backupFileNameFor(int number) {
    if (number < 1 || number > kHighestBackupNumber) return std::nullopt;
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%03d.%s", number, kBackupExtension);
    return std::string(buffer);
}

// ---- Lines ------------------------------------------------------------

std::string dateLine(const LocalTime& when) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "#%04d-%02d-%02d#", when.year, when.month, when.day);
    return buffer;
}

std::string timeLine(const LocalTime& when) {
    return "#" + twoDigits(when.hour) + ":" + twoDigits(when.minute) + ":" + twoDigits(when.second) + "#";
}

std::int64_t recordedNumber(double registryNumber) {
    if (!(registryNumber > 0)) return 0;  // also catches NaN
    if (registryNumber >= static_cast<double>(kHighestValue)) return kHighestValue;
    return static_cast<std::int64_t>(std::floor(registryNumber));
}

// ---- Layout -----------------------------------------------------------

namespace {

PairLayout current(const char* name) { return {name, PairKind::Current}; }
PairLayout flag(const char* name) { return {name, PairKind::Flag}; }

RecordLayout record(Hive hive, const std::string& key, std::vector<PairLayout> pairs) {
    return {hive, key, key, std::move(pairs)};
}

// The three records every backup of the family begins with.
std::vector<RecordLayout> fixedRecords(Family family) {
    std::vector<RecordLayout> records;
    if (family == Family::Win9x) {
        // "DefaultRcvWindow" twice: the format has always held it twice, and
        // a restore writes it twice.
        records.push_back(record(Hive::LocalMachine, keys::kMstcp,
                                 {current("SackOpts"), current("Tcp1323Opts"), current("DefaultTTL"),
                                  current("DefaultRcvWindow"), current("GlobalMaxTcpWindowSize"),
                                  flag("PMTUBlackHoleDetect"), current("DefaultRcvWindow"), flag("PMTUDiscovery"),
                                  current("KeepAliveTime"), current("KeepAliveInterval")}));
        records.push_back(record(Hive::CurrentUser, keys::kInternetSettings9x,
                                 {current("MaxConnectionsPer1_0Server"), current("MaxConnectionsPerServer")}));
    } else {
        RecordLayout parameters = record(
            Hive::LocalMachine, keys::kTcpipParameters,
            {current("SackOpts"), current("Tcp1323Opts"), current("TcpMaxDupAcks"),
             current("DefaultReceiveWindow"), current("DefaultTTL"), current("GlobalMaxTcpWindowSize"),
             current("TcpWindowSize"), current("EnablePMTUBHDetect"), current("EnablePMTUDiscovery"),
             current("KeepAliveTime"), current("KeepAliveInterval"), current("SYNAttackProtect"),
             current("EnableICMPRedirects")});
        parameters.readPath = keys::kTcpipParametersLower;
        records.push_back(std::move(parameters));
        records.push_back(record(Hive::CurrentUser, keys::kInternetSettingsNt,
                                 {current("MaxConnectionsPer1_0Server"), current("MaxConnectionsPerServer")}));
    }
    records.push_back(record(Hive::LocalMachine, keys::kNdiCacheSize, {current("")}));
    return records;
}

constexpr std::size_t kFixedRecordCount = 3;

std::vector<PairLayout> subkeyPairs(Family family) {
    if (family == Family::Win9x) return {current("MaxMTU"), current("MaxMSS")};
    return {current("MTU"), current("MSS")};
}

}  // namespace

std::vector<RecordLayout> backupLayout(Family family, const std::vector<std::string>& subkeys) {
    std::vector<RecordLayout> records = fixedRecords(family);
    for (const std::string& subkey : subkeys) {
        if (family == Family::Win9x) {
            records.push_back(record(Hive::LocalMachine, tuning::netTransKey(subkey), subkeyPairs(family)));
        } else {
            records.push_back(record(Hive::LocalMachine, tuning::interfaceKey(subkey), subkeyPairs(family)));
            records.push_back(record(Hive::LocalMachine, tuning::adapterTcpipKey(subkey), subkeyPairs(family)));
        }
    }
    return records;
}

// ---- Writing ----------------------------------------------------------

std::string backupText(const LocalTime& when, int winVersion, const std::vector<std::string>& subkeys,
                       const ValueReader& read) {
    std::string text;
    auto line = [&text](const std::string& content) {
        text += content;
        text += kLineEnd;
    };
    line(dateLine(when));
    line(timeLine(when));
    line(numberText(winVersion));
    const std::optional<Family> family = tuning::familyOf(winVersion);
    if (!family) return text;
    for (const RecordLayout& rec : backupLayout(*family, subkeys)) {
        line(textLine(rec.keyLine));
        for (const PairLayout& pair : rec.pairs) {
            line(textLine(pair.name));
            const std::optional<double> current = read(rec.hive, rec.readPath, pair.name);
            if (!current) {
                line(kAbsentLine);
                continue;
            }
            std::int64_t value = recordedNumber(*current);
            if (pair.kind == PairKind::Flag) value = value != 0 ? 1 : 0;
            line(numberText(value));
        }
    }
    return text;
}

// ---- Reading ----------------------------------------------------------

namespace {

constexpr std::size_t kShownCharacters = 40;

// How a line that is not what was expected is shown to the user.
std::string shown(std::string_view line) {
    if (line.empty()) return "an empty line";
    std::string text;
    for (std::size_t i = 0; i < line.size() && i < kShownCharacters; ++i) {
        const unsigned char c = static_cast<unsigned char>(line[i]);
        text += (c < ' ' || c == 0x7F) ? '?' : static_cast<char>(c);
    }
    if (line.size() > kShownCharacters) text += "...";
    return "'" + text + "'";
}

std::optional<int> fixedDigits(std::string_view text, std::size_t at, std::size_t count) {
    if (at + count > text.size()) return std::nullopt;
    int n = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (!isDigit(text[i])) return std::nullopt;
        n = n * 10 + (text[i] - '0');
    }
    return n;
}

int daysInMonth(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

// Whether `line` has the shape "#dddd-dd-dd#" / "#dd:dd:dd#"; the numbers
// come back through `parts`.
bool datePattern(std::string_view line, int parts[3]) {
    if (line.size() != 12 || line[0] != '#' || line[5] != '-' || line[8] != '-' || line[11] != '#') return false;
    auto y = fixedDigits(line, 1, 4), m = fixedDigits(line, 6, 2), d = fixedDigits(line, 9, 2);
    if (!y || !m || !d) return false;
    parts[0] = *y, parts[1] = *m, parts[2] = *d;
    return true;
}

bool timePattern(std::string_view line, int parts[3]) {
    if (line.size() != 10 || line[0] != '#' || line[3] != ':' || line[6] != ':' || line[9] != '#') return false;
    auto h = fixedDigits(line, 1, 2), m = fixedDigits(line, 4, 2), s = fixedDigits(line, 7, 2);
    if (!h || !m || !s) return false;
    parts[0] = *h, parts[1] = *m, parts[2] = *s;
    return true;
}

std::optional<CalendarDate> dateOf(std::string_view line) {
    int parts[3];
    if (!datePattern(line, parts)) return std::nullopt;
    if (parts[1] < 1 || parts[1] > 12 || parts[2] < 1 || parts[2] > daysInMonth(parts[0], parts[1])) {
        return std::nullopt;
    }
    return CalendarDate{parts[0], parts[1], parts[2]};
}

std::optional<TimeOfDay> timeOfDayOf(std::string_view line) {
    int parts[3];
    if (!timePattern(line, parts) || parts[0] > 23 || parts[1] > 59 || parts[2] > 59) return std::nullopt;
    return TimeOfDay{parts[0], parts[1], parts[2]};
}

// A whole number: an optional minus and at least one digit, nothing else.
// Values too long to matter come back clamped beyond every accepted range.
std::optional<std::int64_t> wholeNumber(std::string_view line) {
    std::size_t i = 0;
    const bool negative = !line.empty() && line[0] == '-';
    if (negative) i = 1;
    if (i == line.size()) return std::nullopt;
    constexpr std::int64_t kBeyond = 100000000000LL;  // more than any range checked
    std::int64_t n = 0;
    for (; i < line.size(); ++i) {
        if (!isDigit(line[i])) return std::nullopt;
        n = std::min(kBeyond, n * 10 + (line[i] - '0'));
    }
    return negative ? -n : n;
}

// The text between two double quotes, none inside.
std::optional<std::string_view> quotedText(std::string_view line) {
    if (line.size() < 2 || line.front() != '"' || line.back() != '"') return std::nullopt;
    std::string_view inner = line.substr(1, line.size() - 2);
    if (inner.find('"') != std::string_view::npos) return std::nullopt;
    return inner;
}

// Splits the text into lines, each ended by CR LF or LF. `cutLine` is set
// to the 1-based number of a last line that has no line end.
std::vector<std::string_view> splitLines(std::string_view text, std::size_t& cutLine) {
    std::vector<std::string_view> lines;
    cutLine = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t lf = text.find('\n', start);
        if (lf == std::string_view::npos) {
            lines.push_back(text.substr(start));
            cutLine = lines.size();
            break;
        }
        std::size_t end = lf;
        if (end > start && text[end - 1] == '\r') --end;
        lines.push_back(text.substr(start, end - start));
        start = lf + 1;
    }
    return lines;
}

// A subkey name as a per-subkey record may hold it: one key name, no path.
bool isSingleKeyName(std::string_view name) {
    return !name.empty() && name.find('\\') == std::string_view::npos;
}

// Whether a key line names a per-subkey key of the family.
bool isSubkeyRecordKey(Family family, std::string_view key) {
    auto under = [&](std::string_view parent, std::string_view tail) {
        const std::string prefix = std::string(parent) + "\\";
        if (!startsWithName(key, prefix) || key.size() < prefix.size() + tail.size()) return false;
        if (!sameName(key.substr(key.size() - tail.size()), tail)) return false;
        return isSingleKeyName(key.substr(prefix.size(), key.size() - prefix.size() - tail.size()));
    };
    if (family == Family::Win9x) return under(keys::kNetTrans, "");
    return under(keys::kInterfaces, "") || under(keys::kServices, keys::kAdapterTcpipTail);
}

std::string subkeyRecordExpectation(Family family) {
    if (family == Family::Win9x) return std::string("a key line \"") + keys::kNetTrans + "\\...\"";
    return std::string("a key line \"") + keys::kInterfaces + "\\...\" or \"" + keys::kServices + "\\..." +
           keys::kAdapterTcpipTail + "\"";
}

class Reader {
public:
    explicit Reader(std::string_view text) : lines_(splitLines(text, cutLine_)) {}

    BackupReadResult run() {
        if (lines_.empty()) {
            fail(1, "the file is empty.");
            return fail_;
        }
        if (!header() || !body()) return fail_;
        BackupReadResult result;
        result.ok = true;
        result.contents = std::move(contents_);
        return result;
    }

private:
    bool atEnd() const { return next_ >= lines_.size(); }

    bool fail(std::size_t line, std::string problem) {
        fail_.ok = false;
        fail_.line = line;
        fail_.problem = std::move(problem);
        return false;
    }

    // The next line, or a failure when the file ends or the line is the
    // unterminated tail of a cut file. `expected` says what belongs there.
    std::optional<std::string_view> take(const std::string& expected) {
        if (atEnd()) {
            fail(lines_.size() + 1, "the file ends where " + expected + " should follow (the file is cut off).");
            return std::nullopt;
        }
        const std::size_t number = next_ + 1;
        if (number == cutLine_) {
            fail(number, "the line has no line end (the file is cut off).");
            return std::nullopt;
        }
        return lines_[next_++];
    }

    std::size_t lineNumber() const { return next_; }  // of the line last taken

    bool wrongKind(std::string_view line, const std::string& expected) {
        return fail(lineNumber(), "expected " + expected + ", found " + shown(line) + ".");
    }

    bool header() {
        int parts[3];
        const std::string dateExpected = "the creation date (#yyyy-mm-dd#)";
        auto line = take(dateExpected);
        if (!line) return false;
        if (!datePattern(*line, parts)) return wrongKind(*line, dateExpected);
        if (parts[1] < 1 || parts[1] > 12 || parts[2] < 1 || parts[2] > daysInMonth(parts[0], parts[1])) {
            return fail(lineNumber(), shown(*line) + " is not a valid date.");
        }
        LocalTime& created = contents_.header.created;
        created.year = parts[0], created.month = parts[1], created.day = parts[2];

        const std::string timeExpected = "the creation time (#hh:mm:ss#)";
        if (!(line = take(timeExpected))) return false;
        if (!timePattern(*line, parts)) return wrongKind(*line, timeExpected);
        if (parts[0] > 23 || parts[1] > 59 || parts[2] > 59) {
            return fail(lineNumber(), shown(*line) + " is not a valid time of day.");
        }
        created.hour = parts[0], created.minute = parts[1], created.second = parts[2];

        const std::string versionExpected = "the Windows version number (1 to 8)";
        if (!(line = take(versionExpected))) return false;
        const std::optional<std::int64_t> version = wholeNumber(*line);
        if (!version) return wrongKind(*line, versionExpected);
        family_ = tuning::familyOf(static_cast<int>(std::clamp<std::int64_t>(*version, -1, 9)));
        if (!family_) {
            return fail(lineNumber(), shown(*line) + " is not a Windows version number (1 to 8).");
        }
        contents_.header.winVersion = static_cast<int>(*version);
        return true;
    }

    bool body() {
        for (const RecordLayout& layout : fixedRecords(*family_)) {
            const std::string expected = "the key line \"" + layout.keyLine + "\"";
            auto line = take(expected);
            if (!line) return false;
            auto key = quotedText(*line);
            if (!key || !sameName(*key, layout.keyLine)) return wrongKind(*line, expected);
            if (!pairs(layout.hive, *key, layout.pairs)) return false;
        }
        const std::vector<PairLayout> perSubkey = subkeyPairs(*family_);
        while (!atEnd()) {
            const std::string expected = subkeyRecordExpectation(*family_);
            auto line = take(expected);
            if (!line) return false;
            auto key = quotedText(*line);
            if (!key || !isSubkeyRecordKey(*family_, *key)) return wrongKind(*line, expected);
            if (!pairs(Hive::LocalMachine, *key, perSubkey)) return false;
        }
        return true;
    }

    bool pairs(Hive hive, std::string_view key, const std::vector<PairLayout>& layouts) {
        for (const PairLayout& layout : layouts) {
            const std::string nameExpected = "the value name \"" + layout.name + "\"";
            auto line = take(nameExpected);
            if (!line) return false;
            auto name = quotedText(*line);
            if (!name || !sameName(*name, layout.name)) return wrongKind(*line, nameExpected);

            const std::string valueExpected =
                "the number recorded for \"" + layout.name + "\" (or " + kAbsentLine + ")";
            if (!(line = take(valueExpected))) return false;
            if (*line == kAbsentLine) {
                contents_.writes.push_back({hive, std::string(key), std::string(*name),
                                            tuning::valueTypeOf(*family_), 0, true});
                continue;
            }
            const std::optional<std::int64_t> value = wholeNumber(*line);
            if (!value) return wrongKind(*line, valueExpected);
            if (*value < kLowestValue || *value > kHighestValue) {
                return fail(lineNumber(), shown(*line) + " is out of range (" + numberText(kLowestValue) +
                                              " to " + numberText(kHighestValue) + ").");
            }
            contents_.writes.push_back({hive, std::string(key), std::string(*name),
                                        tuning::valueTypeOf(*family_), *value, false});
        }
        ++contents_.records;
        return true;
    }

    std::size_t cutLine_ = 0;
    std::vector<std::string_view> lines_;
    std::size_t next_ = 0;
    std::optional<Family> family_;
    BackupContents contents_;
    BackupReadResult fail_;
};

}  // namespace

BackupHeaderFields backupHeaderFields(std::string_view start) {
    std::size_t cut = 0;
    const std::vector<std::string_view> lines = splitLines(start.substr(0, kHeaderBytes), cut);
    BackupHeaderFields fields;
    if (lines.size() > 0) fields.date = dateOf(lines[0]);
    if (lines.size() > 1) fields.time = timeOfDayOf(lines[1]);
    if (lines.size() > 2) {
        const std::optional<std::int64_t> version = wholeNumber(lines[2]);
        if (version && *version >= kFirstWinVersion && *version <= kLastWinVersion) {
            fields.winVersion = static_cast<int>(*version);
        }
    }
    return fields;
}

std::string BackupReadResult::describe() const {
    if (ok) return std::string();
    if (line == 0) return problem;
    return "Line " + std::to_string(line) + ": " + problem;
}

BackupReadResult readBackup(std::string_view text) { return Reader(text).run(); }

}  // namespace quellar::backup
