#pragma once
// The byte-level rules of the registry layer, kept free of <windows.h> so
// they are tested natively: how a value is turned into the bytes that get
// stored, and how stored bytes are turned back into a text or a number.
// registry_win.cpp only moves these bytes in and out of the registry.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

namespace quellar {

// The program's own settings live under this key of HKEY_LOCAL_MACHINE; each
// settings window appends its area text, which brings its own backslash.
inline constexpr char kSettingsRoot[] = "SOFTWARE\\BRD\\Quellar";
inline constexpr char kAreaNetPinger[] = "\\Settings\\NetPinger";
inline constexpr char kAreaRamSettings[] = "\\Settings\\RamSettings";
inline constexpr char kAreaMainSettings[] = "\\Settings\\MainSettings";

// Below 32: no key or value name the program records may hold one (a NUL
// would cut the name short at the registry, and write somewhere else).
inline bool isControlCharacter(char c) { return static_cast<unsigned char>(c) < 0x20; }

// One key name that a backup can record and the program may open by name:
// not empty, no backslash (no path), no control character.
bool isSingleKeyName(std::string_view name);

// How a value shows in a preview: a four-byte REG_DWORD as an unsigned
// decimal number, a text (REG_SZ, REG_EXPAND_SZ) without its NUL, anything
// else as "(N bytes)" of its `size`.
std::string valueText(unsigned long type, const std::string& data, std::size_t size);

// kSettingsRoot followed by `area` unchanged, e.g. settingsKey(kAreaNetPinger).
std::string settingsKey(const std::string& area);

// The registry type numbers this layer interprets (the values of REG_SZ and
// REG_DWORD, repeated here so portable code can use them).
inline constexpr unsigned long kTypeText = 1;
inline constexpr unsigned long kTypeDword = 4;

// readRegString queries into a buffer of this many bytes; a value that does
// not fit (terminating NUL included) is read as missing.
inline constexpr std::size_t kReadBufferSize = 255;

// Drops one leading and then one trailing backslash, no more:
// "\Settings\" -> "Settings", "\\a" -> "\a".
std::string trimSlashes(const std::string& path);

// A value handed to writeRegValue: a number or a text. Numbers of any
// arithmetic type convert implicitly (a bool becomes 1 or 0, the way the
// program stores its flags), so calls read writeRegValue(..., 64, false)
// or writeRegValue(..., "text", false).
class RegScalar {
public:
    template <typename T, std::enable_if_t<std::is_arithmetic_v<T>, int> = 0>
    RegScalar(T number) : isNumber_(true), number_(static_cast<double>(number)) {}
    RegScalar(const char* text) : text_(text ? text : "") {}
    RegScalar(std::string text) : text_(std::move(text)) {}

    bool isNumber() const { return isNumber_; }
    double number() const { return number_; }
    const std::string& text() const { return text_; }

private:
    bool isNumber_ = false;
    double number_ = 0;
    std::string text_;
};

// The text a REG_SZ write stores: a text unchanged; a whole number as plain
// decimal digits ("64", "-1", "4294967295"), other numbers with up to 15
// significant digits. Nothing for a number that is not finite.
std::optional<std::string> scalarText(const RegScalar& value);

// The 32-bit pattern a REG_DWORD write stores. Numbers (and texts that hold
// one decimal number, surrounding blanks allowed) are rounded to the nearest
// whole number, ties to even. -2147483648 .. 2147483647 map to themselves;
// 2147483648 .. 4294967295 map to the same bit pattern as a signed value, so
// what readNumber reads (unsigned) writes back unchanged. Anything else
// cannot be stored in 32 bits and gives nothing.
std::optional<std::int32_t> scalarToDword(const RegScalar& value);

// The four bytes of a REG_DWORD, least significant first.
std::array<unsigned char, 4> dwordBytes(std::int32_t value);

// The bytes of a REG_SZ value: the text and one terminating NUL, so the
// stored length is the text's length plus one.
std::string textValueBytes(const std::string& text);

// The text in the bytes of a string value: the data without its terminating
// NUL. Data that lacks the NUL (written by another program) is kept whole.
std::string textFromData(const char* data, std::size_t count);

// The result of readRegString from its query: the stored text when the query
// succeeded and the data fit the buffer, otherwise `fallback` unchanged.
std::string shapeStringRead(bool queried, const char* data, std::size_t count,
                            const std::string& fallback);

// The number readNumber gives for a value's type and bytes. REG_SZ: the
// decimal number formed by the digits its text begins with (0 when it does
// not begin with a digit). Any other type: all bytes as one unsigned
// little-endian integer, so a REG_DWORD with every bit set is 4294967295.
double numberFromData(unsigned long type, const unsigned char* data, std::size_t count);

}  // namespace quellar
