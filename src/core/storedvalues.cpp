#include "core/storedvalues.h"

#include <cmath>
#include <optional>

#include "core/text.h"

namespace quellar {

namespace {

// A number that is exactly a whole number within [lowest, highest]: a state
// or a list entry has no nearest one to round or hold to.
std::optional<std::int64_t> exactWhole(const std::string& text, std::int64_t lowest, std::int64_t highest) {
    const std::optional<double> number = text::parseNumber(text);
    if (!number || std::floor(*number) != *number) return std::nullopt;
    if (*number < static_cast<double>(lowest) || *number > static_cast<double>(highest)) return std::nullopt;
    return static_cast<std::int64_t>(*number);
}

constexpr int kGreyCheck = 2;

}  // namespace

int StoredValues::check(const char* name, int fallback) const {
    const std::string stored = store_.load(area_, name, std::to_string(fallback));
    return static_cast<int>(exactWhole(stored, 0, kGreyCheck).value_or(fallback));
}

bool StoredValues::flag(const char* name, bool fallback) const {
    const std::string stored = store_.load(area_, name, fallback ? "True" : "False");
    const std::string_view word = text::trim(stored);
    if (text::equalsIgnoreCase(word, "true")) return true;
    if (text::equalsIgnoreCase(word, "false")) return false;
    if (const std::optional<double> number = text::parseNumber(word)) return *number != 0;
    return fallback;
}

std::int64_t StoredValues::whole(const char* name, std::int64_t lowest, std::int64_t highest,
                                 std::int64_t fallback) const {
    const std::string stored = store_.load(area_, name, std::to_string(fallback));
    return text::parseWholeHeld(stored, lowest, highest).value_or(fallback);
}

int StoredValues::entry(const char* name, int count, int fallback) const {
    const std::string stored = store_.load(area_, name, std::to_string(fallback));
    return static_cast<int>(exactWhole(stored, 0, count - 1).value_or(fallback));
}

std::string StoredValues::text(const char* name, const std::string& fallback) const {
    return store_.load(area_, name, fallback);
}

void StoredValues::saveCheck(const char* name, int state) { store_.save(area_, name, std::to_string(state)); }

void StoredValues::saveFlag(const char* name, bool value) { store_.save(area_, name, value ? "True" : "False"); }

void StoredValues::saveWhole(const char* name, std::int64_t value) {
    store_.save(area_, name, std::to_string(value));
}

void StoredValues::saveText(const char* name, const std::string& text) { store_.save(area_, name, text); }

}  // namespace quellar
