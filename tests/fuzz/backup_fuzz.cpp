// Feeds arbitrary bytes to the backup reader. A file is either refused with
// a line number and nothing to write, or accepted whole; an accepted file
// written out again by the writer reads back to the same writes (typed
// values, absent keys and quoted names included), no name holds a control
// character, and its header read alone gives the same date, time and version.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "backup/backupfile.h"
#include "support/backupsamples.h"

using namespace quellar;
using namespace quellar::backup;

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
    for (const RegistryOperation& w : c.writes) {
        if ((w.remove && (w.value != 0 || w.exact)) || (!w.exact && w.type != tuning::valueTypeOf(*family)) ||
            (w.exact && (w.value != 0 || w.data.size() > kLargestTypedValue)) || w.value < kLowestValue ||
            w.value > kHighestValue || w.keyPath.empty() || w.absentKeyLevels < 0 ||
            (w.absentKeyLevels > 0 && !w.remove) ||
            w.absentKeyLevels > static_cast<int>(std::count(w.keyPath.begin(), w.keyPath.end(), '\\')))
            __builtin_trap();
        for (const std::string* name : {&w.keyPath, &w.valueName})
            for (char ch : *name)
                if (static_cast<unsigned char>(ch) < 0x20) __builtin_trap();
    }
    // The header a list shows agrees with the one the full read checked.
    if (!header.date || header.date->day != c.header.created.day || !header.time ||
        header.time->second != c.header.created.second || header.winVersion != c.header.winVersion)
        __builtin_trap();
    const BackupReadResult again = readBackup(backupTextOf(c));
    if (!again.ok || again.contents.writes != c.writes) __builtin_trap();
    return 0;
}

// Starting points: whole backups of both families, with subkeys.
extern "C" void QuellarFuzzSeeds(void (*add)(const char* data, std::size_t size)) {
    namespace samples = quellar::testing::backupsamples;
    // One with every value form: typed, absent key, a quoted name.
    std::string forms = samples::expectedNt(3);
    forms.replace(forms.find("{3C4D}"), 6, "a\"\"b");
    forms.replace(forms.find("\r\n256960\r\n"), 10, "\r\nhex(b):01,02,00,00,00,00,00,00\r\n");
    static const std::string seeds[] = {samples::expected9x(3), samples::expectedNt(2), samples::expected9x(0, 1),
                                        samples::expectedNt(0, 5), forms};
    for (const std::string& s : seeds) add(s.data(), s.size());
}
