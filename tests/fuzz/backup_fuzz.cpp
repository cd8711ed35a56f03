// Feeds arbitrary bytes to the backup reader. A file is either refused with
// a line number and nothing to write, or accepted whole; an accepted file
// written out again reads back to the same writes, and its header read alone
// gives the same date, time and version.
#include <cstdint>
#include <string>
#include <string_view>

#include "backup/backupfile.h"
#include "support/backupsamples.h"

using namespace quellar;
using namespace quellar::backup;

namespace {

std::string rewrite(const BackupContents& c) {
    std::string text = dateLine(c.header.created) + kLineEnd + timeLine(c.header.created) + kLineEnd +
                       std::to_string(c.header.winVersion) + kLineEnd;
    const bool nt = tuning::familyOf(c.header.winVersion) == tuning::Family::Nt;
    const std::size_t fixedPairs[] = {nt ? 13u : 10u, 2u, 1u};
    std::size_t at = 0;
    for (std::size_t record = 0; record < c.records; ++record) {
        const std::size_t pairs = record < 3 ? fixedPairs[record] : 2;
        text += "\"" + c.writes[at].keyPath + "\"" + kLineEnd;
        for (std::size_t i = 0; i < pairs; ++i, ++at) {
            const tuning::RegistryOperation& w = c.writes[at];
            text += "\"" + w.valueName + "\"" + kLineEnd + (w.remove ? kAbsentLine : std::to_string(w.value)) + kLineEnd;
        }
    }
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const BackupReadResult r = readBackup(text);
    const BackupHeaderFields header = backupHeaderFields(text);
    if (!r.ok) {
        if (r.line == 0 || r.problem.empty() || !r.contents.writes.empty()) __builtin_trap();
        return 0;
    }
    const BackupContents& c = r.contents;
    const std::optional<tuning::Family> family = tuning::familyOf(c.header.winVersion);
    if (!family || c.records < 3 || !r.problem.empty()) __builtin_trap();
    const std::size_t fixedPairs = *family == tuning::Family::Nt ? 16 : 13;
    if (c.writes.size() != fixedPairs + 2 * (c.records - 3)) __builtin_trap();
    for (const tuning::RegistryOperation& w : c.writes) {
        if ((w.remove && w.value != 0) || w.type != tuning::valueTypeOf(*family) || w.value < kLowestValue || w.value > kHighestValue ||
            w.keyPath.empty())
            __builtin_trap();
    }
    // The header a list shows agrees with the one the full read checked.
    if (!header.date || header.date->day != c.header.created.day || !header.time ||
        header.time->second != c.header.created.second || header.winVersion != c.header.winVersion)
        __builtin_trap();
    const BackupReadResult again = readBackup(rewrite(c));
    if (!again.ok || again.contents.writes != c.writes) __builtin_trap();
    return 0;
}

// Starting points: whole backups of both families, with subkeys.
extern "C" void QuellarFuzzSeeds(void (*add)(const char* data, std::size_t size)) {
    namespace samples = quellar::testing::backupsamples;
    static const std::string seeds[] = {samples::expected9x(3), samples::expectedNt(2), samples::expected9x(0, 1),
                                        samples::expectedNt(0, 5)};
    for (const std::string& s : seeds) add(s.data(), s.size());
}
