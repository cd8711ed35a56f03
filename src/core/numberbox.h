#pragma once
// Number boxes that keep what the user types: a box is read with the one
// definition of a number (core/text.h) when the user leaves it or presses
// the button that uses it, never while typing. A box outside its range is
// refused with one short line that says what it takes.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quellar {

class Control;

// The whole numbers a value accepts, and how the user is told so.
struct WholeRange {
    const char* subject;  // the box's name as the window shows it: "TTL"
    std::int64_t lowest;
    std::int64_t highest;
    const char* unit = nullptr;  // "milliseconds"; nothing for a plain count
};

// "TTL: a whole number from 1 to 255", "Keep Alive Time: a whole number of
// milliseconds from 1 to 2147483647".
std::string rangeRule(const WholeRange& range);

// The number `text` holds (a fraction rounded, ties to even; "1e3" is 1000)
// when it lies within the range.
std::optional<std::int64_t> wholeNumberIn(std::string_view text, const WholeRange& range);

// The check of a box: a number within range is accepted, its text becomes
// that whole number as it takes effect ("0100" shows 100) and any refusal
// is cleared; anything else is refused with rangeRule. True when accepted.
bool checkNumberBox(Control& box, const WholeRange& range);

}  // namespace quellar
