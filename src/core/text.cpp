#include "core/text.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace quellar::text {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view trim(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

namespace {

// True when the whole of `s` (already trimmed) is one number.
bool wholeNumber(std::string_view s) {
    std::size_t i = 0;
    const std::size_t n = s.size();
    if (i < n && (s[i] == '+' || s[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < n && isDigit(s[i])) { ++i; ++digits; }
    if (i < n && s[i] == '.') {
        ++i;
        while (i < n && isDigit(s[i])) { ++i; ++digits; }
    }
    if (digits == 0) return false;
    if (i < n && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < n && (s[i] == '+' || s[i] == '-')) ++i;
        std::size_t exponentDigits = 0;
        while (i < n && isDigit(s[i])) { ++i; ++exponentDigits; }
        if (exponentDigits == 0) return false;
    }
    return i == n;
}

}  // namespace

bool isNumber(std::string_view s) { return wholeNumber(trim(s)); }

std::optional<double> parseNumber(std::string_view s) {
    s = trim(s);
    if (!wholeNumber(s)) return std::nullopt;
    const std::string copy(s);
    // The grammar above is a subset of what strtod reads, so it reads all of
    // it; on Windows the system's own reader (atof is msvcrt's strtod), for
    // the reason formatted gives.
#ifdef _WIN32
    const double value = std::atof(copy.c_str());
#else
    const double value = std::strtod(copy.c_str(), nullptr);
#endif
    if (!std::isfinite(value)) return std::nullopt;
    return value;
}

std::optional<std::int64_t> roundToEven(double value) {
    if (!std::isfinite(value)) return std::nullopt;
    double whole = std::floor(value);
    const double fraction = value - whole;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0)) whole += 1;
    // 2^63 is exactly representable; anything at or beyond it does not fit.
    if (whole >= 9223372036854775808.0 || whole < -9223372036854775808.0) return std::nullopt;
    return static_cast<std::int64_t>(whole);
}

std::optional<std::int64_t> parseWholeRounded(std::string_view s, std::int64_t lowest,
                                              std::int64_t highest) {
    const std::optional<double> number = parseNumber(s);
    if (!number) return std::nullopt;
    const std::optional<std::int64_t> whole = roundToEven(*number);
    if (!whole || *whole < lowest || *whole > highest) return std::nullopt;
    return whole;
}

std::optional<std::int64_t> parseWholeHeld(std::string_view s, std::int64_t lowest,
                                           std::int64_t highest) {
    const std::optional<double> number = parseNumber(s);
    if (!number) return std::nullopt;
    // Held first, so a number far beyond the 64-bit range is held too; the
    // ends are whole, so rounding after holding lands where the reverse would.
    const double held = std::clamp(*number, static_cast<double>(lowest), static_cast<double>(highest));
    const std::optional<std::int64_t> whole = roundToEven(held);
    if (!whole) return std::nullopt;
    return std::clamp(*whole, lowest, highest);
}

std::optional<std::int64_t> parseWhole(std::string_view s, std::int64_t lowest,
                                       std::int64_t highest, bool allowSign) {
    std::size_t i = 0;
    bool negative = false;
    if (allowSign && !s.empty() && (s[0] == '+' || s[0] == '-')) {
        negative = s[0] == '-';
        i = 1;
    }
    if (i >= s.size()) return std::nullopt;
    // Beyond 18 digits the value leaves every range a caller asks for.
    std::int64_t value = 0;
    std::size_t digits = 0;
    for (; i < s.size(); ++i) {
        if (!isDigit(s[i])) return std::nullopt;
        if (++digits > 18) return std::nullopt;
        value = value * 10 + (s[i] - '0');
    }
    if (negative) value = -value;
    if (value < lowest || value > highest) return std::nullopt;
    return value;
}

int hexDigitValue(char c) {
    if (isDigit(c)) return c - '0';
    c = lowerAscii(c);
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::optional<std::uint64_t> parseHex(std::string_view s) {
    if (s.empty() || s.size() > 16) return std::nullopt;
    std::uint64_t value = 0;
    for (char c : s) {
        const int digit = hexDigitValue(c);
        if (digit < 0) return std::nullopt;
        value = value * 16 + static_cast<std::uint64_t>(digit);
    }
    return value;
}

char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    }
    return true;
}

std::string_view fileNameOf(std::string_view path) {
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string formatted(const char* format, ...) {
    // Room for the largest double written out in full (309 digits) and a sign.
    char buffer[320];
    va_list args;
    va_start(args, format);
#ifdef _WIN32
    // msvcrt's: it leaves the text unterminated when it fills the buffer.
    const int written = _vsnprintf(buffer, sizeof buffer - 1, format, args);
    buffer[sizeof buffer - 1] = '\0';
#else
    const int written = std::vsnprintf(buffer, sizeof buffer, format, args);
#endif
    va_end(args);
    if (written < 0) return std::string(buffer);
    return std::string(buffer, std::min<std::size_t>(static_cast<std::size_t>(written), sizeof buffer - 1));
}

}  // namespace quellar::text
