#include <algorithm>

#include "backup/backupfile.h"
#include "core/osversion.h"
#include "core/regformat.h"
#include "core/text.h"

namespace quellar::backup {

using tuning::Family;
namespace keys = tuning::keys;

namespace {

using text::isDigit;

// Registry key and value names are compared without regard to letter case.
bool sameName(std::string_view a, std::string_view b) { return text::equalsIgnoreCase(a, b); }

bool startsWithName(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && sameName(text.substr(0, prefix.size()), prefix);
}

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

// Three numbers of fixed widths between two "#", apart by `separator`:
// "#2004-03-15#" (first four digits wide, '-'), "#17:05:09#" (two, ':').
bool threeNumbers(std::string_view line, std::size_t firstWidth, char separator, int parts[3]) {
    if (line.size() != firstWidth + 8 || line.front() != '#' || line.back() != '#' ||
        line[firstWidth + 1] != separator || line[firstWidth + 4] != separator) {
        return false;
    }
    auto a = fixedDigits(line, 1, firstWidth), b = fixedDigits(line, firstWidth + 2, 2),
         c = fixedDigits(line, firstWidth + 5, 2);
    if (!a || !b || !c) return false;
    parts[0] = *a, parts[1] = *b, parts[2] = *c;
    return true;
}

// A header line as read: whether it has the line's shape, and what it
// holds when that is a real day or time of day. The list of backups and
// the whole-file check both read it so.
template <typename T>
struct HeaderReading {
    bool shaped = false;
    std::optional<T> value;
};

HeaderReading<CalendarDate> readDate(std::string_view line) {
    int p[3];
    if (!threeNumbers(line, 4, '-', p)) return {};
    if (p[1] < 1 || p[1] > 12 || p[2] < 1 || p[2] > daysInMonth(p[0], p[1])) return {true, std::nullopt};
    return {true, CalendarDate{p[0], p[1], p[2]}};
}

HeaderReading<TimeOfDay> readTime(std::string_view line) {
    int p[3];
    if (!threeNumbers(line, 2, ':', p)) return {};
    if (p[0] > 23 || p[1] > 59 || p[2] > 59) return {true, std::nullopt};
    return {true, TimeOfDay{p[0], p[1], p[2]}};
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
        if (isControlCharacter(inner[i])) return std::nullopt;
        if (inner[i] == '"') {
            if (i + 1 >= inner.size() || inner[i + 1] != '"') return std::nullopt;
            ++i;
        }
        text += inner[i];
    }
    return text;
}

// Whether a text line holds a control character (said apart from other damage).
bool holdsControl(std::string_view line) { return std::any_of(line.begin(), line.end(), isControlCharacter); }

// "hex(T):b0,b1,..." into the type and the bytes.
bool typedValue(std::string_view line, unsigned long& type, std::string& data) {
    constexpr std::string_view head = "hex(";
    if (line.substr(0, head.size()) != head) return false;
    const std::size_t close = line.find("):", head.size());
    if (close == std::string_view::npos || close == head.size() || close - head.size() > 8) return false;
    type = 0;
    for (std::size_t i = head.size(); i < close; ++i) {
        const int d = text::hexDigitValue(line[i]);
        if (d < 0) return false;
        type = (type << 4) | static_cast<unsigned long>(d);
    }
    const std::string_view bytes = line.substr(close + 2);
    data.clear();
    if (bytes.empty()) return true;
    if ((bytes.size() + 1) % 3 != 0) return false;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const int high = text::hexDigitValue(bytes[i]), low = text::hexDigitValue(bytes[i + 1]);
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
        const std::string dateExpected = "the creation date (#yyyy-mm-dd#)";
        auto line = take(dateExpected);
        if (!line) return false;
        const HeaderReading<CalendarDate> date = readDate(*line);
        if (!date.shaped) return wrongKind(*line, dateExpected);
        if (!date.value) return fail(lineNumber(), shown(*line) + " is not a valid date.");
        LocalTime& created = contents_.header.created;
        created.year = date.value->year, created.month = date.value->month, created.day = date.value->day;

        const std::string timeExpected = "the creation time (#hh:mm:ss#)";
        if (!(line = take(timeExpected))) return false;
        const HeaderReading<TimeOfDay> time = readTime(*line);
        if (!time.shaped) return wrongKind(*line, timeExpected);
        if (!time.value) return fail(lineNumber(), shown(*line) + " is not a valid time of day.");
        created.hour = time.value->hour, created.minute = time.value->minute, created.second = time.value->second;

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
        for (const RecordLayout& layout : backupLayout(*family_, {})) {
            auto key = takeName("the key line \"" + layout.keyLine + "\"",
                                [&](const std::string& k) { return sameName(k, layout.keyLine); });
            if (!key || !pairs(layout.hive, *key, layout.pairs)) return false;
        }
        const std::vector<PairLayout> perSubkey = recordPairs(*family_, tuning::Key::Adapter);
        while (!atEnd()) {
            auto key = takeName(subkeyRecordExpectation(*family_),
                                [&](const std::string& k) { return isSubkeyRecordKey(*family_, k); });
            if (!key || !pairs(Hive::LocalMachine, *key, perSubkey)) return false;
        }
        return true;
    }

    // The next line as a quoted name that `fits`; nothing, with the
    // failure said, when it is not one.
    template <typename Fits>
    std::optional<std::string> takeName(const std::string& expected, Fits fits) {
        auto line = take(expected);
        if (!line) return std::nullopt;
        if (holdsControl(*line)) {
            controlCharacter(*line);
            return std::nullopt;
        }
        auto name = quotedText(*line);
        if (!name || !fits(*name)) {
            wrongKind(*line, expected);
            return std::nullopt;
        }
        return name;
    }

    bool pairs(Hive hive, const std::string& key, const std::vector<PairLayout>& layouts) {
        for (const PairLayout& layout : layouts) {
            auto name = takeName("the value name \"" + layout.name + "\"",
                                 [&](const std::string& n) { return sameName(n, layout.name); });
            if (!name) return false;

            const std::string valueExpected = "the number recorded for \"" + layout.name + "\" (or " +
                                              kAbsentLine + ", " + kAbsentKeyLine + "N, hex(T):...)";
            auto line = take(valueExpected);
            if (!line) return false;
            RegistryOperation op{hive, key, *name, tuning::valueTypeOf(*family_), 0, false};
            if (recordedOtherwise(*line, key, op)) {
                if (!fail_.problem.empty()) return false;
                contents_.writes.push_back(std::move(op));
                continue;
            }
            const std::optional<std::int64_t> value = wholeNumber(*line);
            if (!value) return wrongKind(*line, valueExpected);
            if (*value < kLowestValue || *value > kHighestValue) {
                return fail(lineNumber(), shown(*line) + " is out of range (" + std::to_string(kLowestValue) +
                                              " to " + std::to_string(kHighestValue) + ").");
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
                                       std::to_string(most) + ") a restore removes.");
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
                                   std::to_string(kLargestTypedValue) + " bytes).");
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
    if (lines.size() > 0) fields.date = readDate(lines[0]).value;
    if (lines.size() > 1) fields.time = readTime(lines[1]).value;
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
