#include "core/regformat.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "core/text.h"

namespace quellar {

namespace {
constexpr unsigned long kTypeExpandText = 2;
}  // namespace

std::string valueText(unsigned long type, const std::string& data, std::size_t size) {
    if (type == kTypeDword && data.size() == 4) {
        const auto bytes = reinterpret_cast<const unsigned char*>(data.data());
        return std::to_string(static_cast<std::uint32_t>(numberFromData(type, bytes, data.size())));
    }
    if ((type == kTypeText || type == kTypeExpandText) && data.size() == size) return textFromData(data.data(), data.size());
    return "(" + std::to_string(size) + " bytes)";
}

bool isSingleKeyName(std::string_view name) {
    return !name.empty() && name.find('\\') == std::string_view::npos &&
           std::none_of(name.begin(), name.end(), isControlCharacter);
}

namespace {

constexpr double kTwoTo31 = 2147483648.0;
constexpr double kTwoTo32 = 4294967296.0;

}  // namespace

std::string settingsKey(const std::string& area) { return kSettingsRoot + area; }

std::string trimSlashes(const std::string& path) {
    std::string trimmed = path;
    if (!trimmed.empty() && trimmed.front() == '\\') trimmed.erase(0, 1);
    if (!trimmed.empty() && trimmed.back() == '\\') trimmed.pop_back();
    return trimmed;
}

std::optional<std::string> scalarText(const RegScalar& value) {
    if (!value.isNumber()) return value.text();
    const double number = value.number();
    if (!std::isfinite(number)) return std::nullopt;
    if (number == 0) return std::string("0");  // never "-0"
    if (number == std::trunc(number)) return text::formatted("%.0f", number);
    return text::formatted("%.15g", number);
}

std::optional<std::int32_t> scalarToDword(const RegScalar& value) {
    double number = 0;
    if (value.isNumber()) {
        number = value.number();
    } else {
        const std::optional<double> parsed = text::parseNumber(value.text());
        if (!parsed) return std::nullopt;
        number = *parsed;
    }
    if (!std::isfinite(number)) return std::nullopt;
    number = std::nearbyint(number);
    if (number < -kTwoTo31 || number >= kTwoTo32) return std::nullopt;
    if (number >= kTwoTo31) number -= kTwoTo32;
    return static_cast<std::int32_t>(number);
}

std::array<unsigned char, 4> dwordBytes(std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    return {static_cast<unsigned char>(bits & 0xFFu), static_cast<unsigned char>((bits >> 8) & 0xFFu),
            static_cast<unsigned char>((bits >> 16) & 0xFFu), static_cast<unsigned char>(bits >> 24)};
}

std::string textValueBytes(const std::string& text) {
    std::string bytes = text;
    bytes.push_back('\0');
    return bytes;
}

std::string textFromData(const char* data, std::size_t count) {
    if (count == 0 || data == nullptr) return std::string();
    if (data[count - 1] == '\0') --count;
    return std::string(data, count);
}

std::string shapeStringRead(bool queried, const char* data, std::size_t count,
                            const std::string& fallback) {
    if (!queried || count > kReadBufferSize) return fallback;
    return textFromData(data, count);
}

double numberFromData(unsigned long type, const unsigned char* data, std::size_t count) {
    if (data == nullptr || count == 0) return 0;
    if (type == kTypeText) {
        std::size_t digits = 0;
        while (digits < count && text::isDigit(static_cast<char>(data[digits]))) ++digits;
        if (digits == 0) return 0;
        // Exact as far as a double holds whole numbers (2^53), as strtod.
        double number = 0;
        for (std::size_t i = 0; i < digits; ++i) number = number * 10.0 + (data[i] - '0');
        return number;
    }
    double number = 0;
    for (std::size_t i = count; i-- > 0;) number = number * 256.0 + data[i];
    return number;
}

}  // namespace quellar
