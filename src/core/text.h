#pragma once
// Text helpers shared by every parser and numeric box: one definition of
// what counts as a number, of rounding to a whole number, and of comparing
// words without regard to letter case.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quellar::text {

// Space, tab, carriage return, line feed, vertical tab and form feed.
bool isBlank(char c);
bool isDigit(char c);

// Without the blanks at either end.
std::string_view trim(std::string_view s);

// A number, as a numeric box or a stored setting accepts it:
//   [blanks] [+|-] digits [. [digits]] [(e|E) [+|-] digits] [blanks]
// or the same with the digits only after the point (".5"). At least one
// digit before the exponent; nothing else (no hex, no "inf", no thousands
// separators). An empty or blank text is not a number.
bool isNumber(std::string_view s);
std::optional<double> parseNumber(std::string_view s);

// printf-style text through the C library's own formatter (on Windows the
// system's msvcrt: the compiler runtime's second printf, which also reads
// and writes long doubles and hex floats, would add a sixth to the exe).
// Only the plain forms: %d %x %X %s %f %g with widths, precisions and l.
std::string formatted(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The nearest whole number, a tie going to the even neighbour (2.5 -> 2,
// 3.5 -> 4, -2.5 -> -2); nothing for a value that is not finite or lies
// outside the 64-bit range.
std::optional<std::int64_t> roundToEven(double value);

// A number (as isNumber) rounded with ties to even, when it lies within
// [lowest, highest].
std::optional<std::int64_t> parseWholeRounded(std::string_view s, std::int64_t lowest,
                                              std::int64_t highest);

// A number (as isNumber) rounded with ties to even and held within
// [lowest, highest] (99999 in 0 to 255 is 255); nothing when the text is not
// a number.
std::optional<std::int64_t> parseWholeHeld(std::string_view s, std::int64_t lowest,
                                           std::int64_t highest);

// Only decimal digits with an optional leading sign (when `allowSign`), no
// blanks, within [lowest, highest].
std::optional<std::int64_t> parseWhole(std::string_view s, std::int64_t lowest,
                                       std::int64_t highest, bool allowSign = true);

// Hexadecimal digits only (either case), at most 16 of them.
std::optional<std::uint64_t> parseHex(std::string_view s);
int hexDigitValue(char c);  // -1 for a character that is not one

char lowerAscii(char c);
bool equalsIgnoreCase(std::string_view a, std::string_view b);

// The part of a path after its last backslash (or slash); all of it when
// it has none.
std::string_view fileNameOf(std::string_view path);

}  // namespace quellar::text
