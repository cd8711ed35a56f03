#include "backup/backupfile.h"
#include "core/text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/osversion.h"
#include "core/regformat.h"

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
    return text::formatted("%02d", n);
}

std::string numberText(std::int64_t n) { return std::to_string(n); }

bool isControl(char c) { return settings::isControlCharacter(c); }

// The number of names in a key path.
int pathNames(std::string_view path) {
    return static_cast<int>(std::count(path.begin(), path.end(), '\\')) + 1;
}

// How many of a key path's last names an "absent key" line may name: all
// but the first, so no restore ever touches a hive's top-level keys.
int removableLevels(std::string_view path) { return pathNames(path) - 1; }


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
    return text::formatted("%03d.%s", number, kBackupExtension);
}

// ---- Lines ------------------------------------------------------------

std::string dateLine(const LocalTime& when) {
    return text::formatted("#%04d-%02d-%02d#", when.year, when.month, when.day);
}

std::string timeLine(const LocalTime& when) {
    return "#" + twoDigits(when.hour) + ":" + twoDigits(when.minute) + ":" + twoDigits(when.second) + "#";
}

std::string quotedLine(std::string_view text) {
    std::string line = "\"";
    for (char c : text) {
        if (c == '"') line += '"';
        line += c;
    }
    return line + "\"";
}

std::string typedLine(unsigned long type, std::string_view data) {
    static const char digits[] = "0123456789abcdef";
    std::string line = text::formatted("hex(%lx):", type);
    line.reserve(line.size() + data.size() * 3);
    for (std::size_t i = 0; i < data.size(); ++i) {
        const unsigned char byte = static_cast<unsigned char>(data[i]);
        if (i > 0) line += ',';
        line += digits[byte >> 4];
        line += digits[byte & 0x0F];
    }
    return line;
}

std::optional<std::int64_t> plainNumber(Family family, unsigned long type, std::string_view data) {
    if (family == Family::Nt) {
        if (type != settings::kTypeDword || data.size() != 4) return std::nullopt;
        std::uint32_t n = 0;
        for (int i = 3; i >= 0; --i) n = (n << 8) | static_cast<unsigned char>(data[static_cast<std::size_t>(i)]);
        return n;
    }
    // A restore writes the number's decimal text and one NUL: only a text
    // that is exactly that comes back the same.
    if (type != settings::kTypeText || data.size() < 2 || data.back() != '\0') return std::nullopt;
    const std::string_view digits = data.substr(0, data.size() - 1);
    if (digits.size() > 10 || (digits.size() > 1 && digits[0] == '0')) return std::nullopt;
    std::int64_t n = 0;
    for (char c : digits) {
        if (!isDigit(c)) return std::nullopt;
        n = n * 10 + (c - '0');
    }
    if (n > kHighestValue) return std::nullopt;
    return n;
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

bool BackupContents::operator==(const BackupContents& o) const {
    const LocalTime& a = header.created;
    const LocalTime& b = o.header.created;
    return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour && a.minute == b.minute &&
           a.second == b.second && header.winVersion == o.header.winVersion && records == o.records &&
           writes == o.writes;
}

namespace {

// The value line of one recorded write.
std::string valueLine(const RegistryOperation& op) {
    if (op.remove) return op.absentKeyLevels > 0 ? kAbsentKeyLine + numberText(op.absentKeyLevels) : kAbsentLine;
    if (op.exact) return typedLine(op.type, op.data);
    return numberText(op.value);
}

std::string describeValue(const RecordLayout& rec, const std::string& name) {
    return std::string(tuning::hiveName(rec.hive)) + "\\" + rec.keyLine + "\\" + (name.empty() ? "(Default)" : name);
}

}  // namespace

CapturedBackup captureBackup(const LocalTime& when, int winVersion, const std::vector<std::string>& subkeys,
                             const ValueReader& read, BackupContents& contents) {
    CapturedBackup result;
    contents = BackupContents();
    contents.header.created = when;
    contents.header.winVersion = winVersion;
    const std::optional<Family> family = tuning::familyOf(winVersion);
    if (!family) {
        result.ok = true;
        return result;
    }
    const unsigned long familyType = tuning::valueTypeOf(*family);
    for (const RecordLayout& rec : backupLayout(*family, subkeys)) {
        for (const PairLayout& pair : rec.pairs) {
            RegistryOperation op{rec.hive, rec.keyLine, pair.name, familyType, 0, false};
            const ValueRead now = read(rec.hive, rec.readPath, pair.name);
            switch (now.state) {
            case ValueRead::State::Missing:
                op.remove = true;
                op.value = 0;
                op.absentKeyLevels = std::clamp(now.missingKeyLevels, 0, removableLevels(rec.keyLine));
                break;
            case ValueRead::State::Unreadable:
                result.problem = "The value " + describeValue(rec, pair.name) + " " +
                                 (now.why.empty() ? std::string("cannot be read") : now.why) +
                                 ", so a backup could not give it back.";
                return result;
            case ValueRead::State::Present: {
                const std::optional<std::int64_t> plain = plainNumber(*family, now.type, now.data);
                if (plain && (pair.kind != PairKind::Flag || *plain <= 1)) {
                    op.value = *plain;
                    break;
                }
                if (now.data.size() > kLargestTypedValue) {
                    result.problem = "The value " + describeValue(rec, pair.name) + " holds " +
                                     numberText(static_cast<std::int64_t>(now.data.size())) +
                                     " bytes, more than a backup can record (" +
                                     numberText(static_cast<std::int64_t>(kLargestTypedValue)) + ").";
                    return result;
                }
                op.value = 0;
                op.exact = true;
                op.type = now.type;
                op.data = now.data;
                break;
            }
            }
            contents.writes.push_back(std::move(op));
        }
        ++contents.records;
    }
    result.ok = true;
    return result;
}

std::string backupTextOf(const BackupContents& contents) {
    std::string text;
    auto line = [&text](const std::string& content) {
        text += content;
        text += kLineEnd;
    };
    line(dateLine(contents.header.created));
    line(timeLine(contents.header.created));
    line(numberText(contents.header.winVersion));
    const std::optional<Family> family = tuning::familyOf(contents.header.winVersion);
    if (!family) return text;
    const std::vector<RecordLayout> fixedLayouts = fixedRecords(*family);
    const std::size_t perSubkey = subkeyPairs(*family).size();
    std::size_t at = 0;
    for (std::size_t record = 0; record < contents.records; ++record) {
        const std::size_t pairs = record < fixedLayouts.size() ? fixedLayouts[record].pairs.size() : perSubkey;
        if (at + pairs > contents.writes.size()) break;
        line(quotedLine(contents.writes[at].keyPath));
        for (std::size_t i = 0; i < pairs; ++i, ++at) {
            line(quotedLine(contents.writes[at].valueName));
            line(valueLine(contents.writes[at]));
        }
    }
    return text;
}

std::string backupText(const LocalTime& when, int winVersion, const std::vector<std::string>& subkeys,
                       const ValueReader& read) {
    BackupContents contents;
    captureBackup(when, winVersion, subkeys, read, contents);
    return backupTextOf(contents);
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

// The text between two double quotes, a quote inside written twice; no
// control character (a NUL would cut the name short at the registry).
// Empty optional when the line is not such a text.
std::optional<std::string> quotedText(std::string_view line) {
    if (line.size() < 2 || line.front() != '"' || line.back() != '"') return std::nullopt;
    const std::string_view inner = line.substr(1, line.size() - 2);
    std::string text;
    for (std::size_t i = 0; i < inner.size(); ++i) {
        if (isControl(inner[i])) return std::nullopt;
        if (inner[i] == '"') {
            if (i + 1 >= inner.size() || inner[i + 1] != '"') return std::nullopt;
            ++i;
        }
        text += inner[i];
    }
    return text;
}

// Whether a text line holds a control character (said apart from other damage).
bool holdsControl(std::string_view line) { return std::any_of(line.begin(), line.end(), isControl); }

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// "hex(T):b0,b1,..." into the type and the bytes.
bool typedValue(std::string_view line, unsigned long& type, std::string& data) {
    constexpr std::string_view head = "hex(";
    if (line.substr(0, head.size()) != head) return false;
    const std::size_t close = line.find("):", head.size());
    if (close == std::string_view::npos || close == head.size() || close - head.size() > 8) return false;
    type = 0;
    for (std::size_t i = head.size(); i < close; ++i) {
        const int d = hexDigit(line[i]);
        if (d < 0) return false;
        type = (type << 4) | static_cast<unsigned long>(d);
    }
    const std::string_view bytes = line.substr(close + 2);
    data.clear();
    if (bytes.empty()) return true;
    if ((bytes.size() + 1) % 3 != 0) return false;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const int high = hexDigit(bytes[i]), low = hexDigit(bytes[i + 1]);
        if (high < 0 || low < 0 || (i + 2 < bytes.size() && bytes[i + 2] != ',')) return false;
        data += static_cast<char>(high * 16 + low);
    }
    return true;
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
bool isSingleKeyName(std::string_view name) { return settings::isSingleKeyName(name); }

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

    // A text line that holds a control character is refused as such: a
    // name the registry would cut short at a NUL writes somewhere else.
    bool controlCharacter(std::string_view line) {
        return fail(lineNumber(), shown(line) + " holds a control character, which no key or value name may hold.");
    }

    bool body() {
        for (const RecordLayout& layout : fixedRecords(*family_)) {
            const std::string expected = "the key line \"" + layout.keyLine + "\"";
            auto line = take(expected);
            if (!line) return false;
            if (holdsControl(*line)) return controlCharacter(*line);
            auto key = quotedText(*line);
            if (!key || !sameName(*key, layout.keyLine)) return wrongKind(*line, expected);
            if (!pairs(layout.hive, *key, layout.pairs)) return false;
        }
        const std::vector<PairLayout> perSubkey = subkeyPairs(*family_);
        while (!atEnd()) {
            const std::string expected = subkeyRecordExpectation(*family_);
            auto line = take(expected);
            if (!line) return false;
            if (holdsControl(*line)) return controlCharacter(*line);
            auto key = quotedText(*line);
            if (!key || !isSubkeyRecordKey(*family_, *key)) return wrongKind(*line, expected);
            if (!pairs(Hive::LocalMachine, *key, perSubkey)) return false;
        }
        return true;
    }

    bool pairs(Hive hive, const std::string& key, const std::vector<PairLayout>& layouts) {
        for (const PairLayout& layout : layouts) {
            const std::string nameExpected = "the value name \"" + layout.name + "\"";
            auto line = take(nameExpected);
            if (!line) return false;
            if (holdsControl(*line)) return controlCharacter(*line);
            auto name = quotedText(*line);
            if (!name || !sameName(*name, layout.name)) return wrongKind(*line, nameExpected);

            const std::string valueExpected = "the number recorded for \"" + layout.name + "\" (or " +
                                              kAbsentLine + ", " + kAbsentKeyLine + "N, hex(T):...)";
            if (!(line = take(valueExpected))) return false;
            RegistryOperation op{hive, key, *name, tuning::valueTypeOf(*family_), 0, false};
            if (recordedOtherwise(*line, key, op)) {
                if (!fail_.problem.empty()) return false;
                contents_.writes.push_back(std::move(op));
                continue;
            }
            const std::optional<std::int64_t> value = wholeNumber(*line);
            if (!value) return wrongKind(*line, valueExpected);
            if (*value < kLowestValue || *value > kHighestValue) {
                return fail(lineNumber(), shown(*line) + " is out of range (" + numberText(kLowestValue) +
                                              " to " + numberText(kHighestValue) + ").");
            }
            op.value = *value;
            contents_.writes.push_back(std::move(op));
        }
        ++contents_.records;
        return true;
    }

    // The forms of a current value other than a plain number: "absent",
    // "absent key N" and "hex(T):...". False when the line is none of them;
    // true with fail_ set when it is one of them, damaged.
    bool recordedOtherwise(std::string_view line, const std::string& key, RegistryOperation& op) {
        if (line == kAbsentLine) {
            op.remove = true;
            return true;
        }
        const std::string_view absentKey = kAbsentKeyLine;
        if (line.substr(0, absentKey.size()) == absentKey) {
            const std::optional<std::int64_t> levels = wholeNumber(line.substr(absentKey.size()));
            const int most = removableLevels(key);
            if (!levels || *levels < 1 || *levels > most) {
                fail(lineNumber(), shown(line) + " does not name how many missing keys (1 to " +
                                       numberText(most) + ") a restore removes.");
                return true;
            }
            op.remove = true;
            op.absentKeyLevels = static_cast<int>(*levels);
            return true;
        }
        if (line.substr(0, 4) != "hex(") return false;
        // Three characters a byte: a line far too long is refused unread.
        const bool tooLarge = (line.size() + 1) / 3 > kLargestTypedValue + 8;
        if (!tooLarge && !typedValue(line, op.type, op.data)) {
            fail(lineNumber(), shown(line) + " is not a typed value (hex(T):b0,b1,... in hexadecimal).");
            return true;
        }
        if (tooLarge || op.data.size() > kLargestTypedValue) {
            fail(lineNumber(), "the typed value is larger than a backup records (" +
                                   numberText(static_cast<std::int64_t>(kLargestTypedValue)) + " bytes).");
            return true;
        }
        op.exact = true;
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
