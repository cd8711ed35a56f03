#include "backup/backupfile.h"
#include "core/text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/osversion.h"
#include "core/regfile.h"
#include "core/regformat.h"
#include "tuning/fields.h"

namespace quellar::backup {

using tuning::Family;
using tuning::Key;

namespace {

using text::isDigit;

}  // namespace

int removableLevels(std::string_view path) { return static_cast<int>(std::count(path.begin(), path.end(), '\\')); }

// ---- Names and numbers -------------------------------------------------

bool isBackupFileName(std::string_view fileName) {
    const std::size_t dot = fileName.rfind('.');
    return dot != std::string_view::npos && text::equalsIgnoreCase(fileName.substr(dot + 1), kBackupExtension);
}

bool isNumberedBackupName(std::string_view fileName) {
    return fileName.size() == 7 && isDigit(fileName[0]) && isDigit(fileName[1]) && isDigit(fileName[2]) &&
           fileName[3] == '.' && text::equalsIgnoreCase(fileName.substr(4), kBackupExtension);
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
    return text::formatted("#%02d:%02d:%02d#", when.hour, when.minute, when.second);
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
    return text::formatted("hex(%lx):", type) + hexByteList(data);
}

std::optional<std::int64_t> plainNumber(Family family, unsigned long type, std::string_view data) {
    if (family == Family::Nt) {
        if (type != kTypeDword || data.size() != 4) return std::nullopt;
        std::uint32_t n = 0;
        for (int i = 3; i >= 0; --i) n = (n << 8) | static_cast<unsigned char>(data[static_cast<std::size_t>(i)]);
        return n;
    }
    // A restore writes the number's decimal text and one NUL: only a text
    // that is exactly that comes back the same.
    if (type != kTypeText || data.size() < 2 || data.back() != '\0') return std::nullopt;
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

std::vector<PairLayout> recordPairs(Family family, Key key) {
    std::vector<PairLayout> pairs;
    for (const tuning::RecordedName& n : tuning::recordedNames(family, key))
        pairs.push_back({n.name, n.asFlag ? PairKind::Flag : PairKind::Current});
    return pairs;
}

std::vector<RecordLayout> backupLayout(Family family, const std::vector<std::string>& subkeys) {
    std::vector<RecordLayout> records;
    for (Key key : kFixedRecordKeys) {
        // The NT stack key is read through the spelling most of its values
        // are written with.
        records.push_back({tuning::hiveOf(key), tuning::keyPath(family, key), tuning::keyPath(family, key, true),
                           recordPairs(family, key)});
    }
    const std::vector<PairLayout> adapterPairs = recordPairs(family, Key::Adapter);
    for (const std::string& subkey : subkeys) {
        for (const std::string& path : tuning::adapterKeyPaths(family, subkey))
            records.push_back({Hive::LocalMachine, path, path, adapterPairs});
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
    if (op.remove) return op.absentKeyLevels > 0 ? kAbsentKeyLine + std::to_string(op.absentKeyLevels) : kAbsentLine;
    if (op.exact) return typedLine(op.type, op.data);
    return std::to_string(op.value);
}

std::string describeValue(const RecordLayout& rec, const std::string& name) {
    return std::string(hiveName(rec.hive)) + "\\" + rec.keyLine + "\\" + (name.empty() ? "(Default)" : name);
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
                                     std::to_string(now.data.size()) +
                                     " bytes, more than a backup can record (" +
                                     std::to_string(kLargestTypedValue) + ").";
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
    line(std::to_string(contents.header.winVersion));
    const std::optional<Family> family = tuning::familyOf(contents.header.winVersion);
    if (!family) return text;
    const std::vector<RecordLayout> fixedLayouts = backupLayout(*family, {});
    const std::size_t perSubkey = recordPairs(*family, Key::Adapter).size();
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

}  // namespace quellar::backup
