#include <doctest/doctest.h>

#include <cmath>
#include <limits>

#include "core/regformat.h"

using namespace quellar;

namespace {

double numberOf(unsigned long type, const std::string& bytes) {
    return numberFromData(type, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

const double kNaN = std::numeric_limits<double>::quiet_NaN();

}  // namespace

TEST_CASE("paths: one backslash trimmed at each end, areas appended to the root") {
    CHECK(trimSlashes("\\Settings\\") == "Settings");
    CHECK(trimSlashes("\\\\a\\\\") == "\\a\\");
    CHECK(trimSlashes("\\") == "");
    CHECK(trimSlashes("") == "");
    CHECK(settingsKey(kAreaNetPinger) == "SOFTWARE\\BRD\\Quellar\\Settings\\NetPinger");
}

TEST_CASE("values converted for REG_SZ and REG_DWORD") {
    CHECK(*scalarText(-1) == "-1");
    CHECK(*scalarText(4294967295.0) == "4294967295");
    CHECK(*scalarText(1e20) == "100000000000000000000");
    CHECK(*scalarText(-0.0) == "0");
    CHECK(*scalarText(true) == "1");
    CHECK(*scalarText(1.5) == "1.5");
    CHECK_FALSE(scalarText(kNaN));

    // Unsigned readings of the registry write back as the same bits.
    CHECK(*scalarToDword(4294967295.0) == -1);
    CHECK(*scalarToDword(2147483648.0) == std::numeric_limits<std::int32_t>::min());
    CHECK(*scalarToDword(-2147483648.0) == std::numeric_limits<std::int32_t>::min());
    CHECK_FALSE(scalarToDword(4294967296.0));
    CHECK_FALSE(scalarToDword(-2147483649.0));
    CHECK_FALSE(scalarToDword(kNaN));
    CHECK(*scalarToDword(2.5) == 2);  // ties to even
    CHECK(*scalarToDword(3.5) == 4);
    CHECK(*scalarToDword(" -7 ") == -7);
    CHECK(*scalarToDword("+1.5") == 2);
    CHECK(*scalarToDword("1e3") == 1000);  // the one definition of a number
    for (const char* bad : {"", "abc", "12abc", "0x10", "1e", "-", "."}) {
        CAPTURE(bad);
        CHECK_FALSE(scalarToDword(bad));
    }
    CHECK(dwordBytes(0x12345678) == std::array<unsigned char, 4>{0x78, 0x56, 0x34, 0x12});
}

TEST_CASE("stored bytes read back as text and as numbers") {
    const std::string tooLong = textValueBytes(std::string(kReadBufferSize, 'x'));
    CHECK(shapeStringRead(true, tooLong.data(), tooLong.size(), "dflt") == "dflt");
    CHECK(shapeStringRead(false, "a", 2, "dflt") == "dflt");
    // Data that lacks its NUL loses no character; only one NUL is dropped.
    CHECK(textFromData("abc", 3) == "abc");
    CHECK(textFromData("ab\0\0", 4) == std::string("ab\0", 3));
    CHECK(textFromData(nullptr, 0) == "");

    CHECK(numberOf(kTypeText, textValueBytes("0064")) == 64);
    CHECK(numberOf(kTypeText, textValueBytes("12abc")) == 12);
    CHECK(numberOf(kTypeText, textValueBytes(" 12")) == 0);
    CHECK(numberOf(kTypeText, textValueBytes("-5")) == 0);
    CHECK(numberOf(kTypeText, "77") == 77);
    CHECK(std::isinf(numberOf(kTypeText, std::string(400, '9'))));
    CHECK(numberOf(kTypeDword, std::string(4, '\xFF')) == 4294967295.0);
    CHECK(numberOf(11, std::string("\0\0\0\0\x01\0\0\0", 8)) == 4294967296.0);
    CHECK(numberOf(2, textValueBytes("12")) == 0x3231);
    CHECK(numberFromData(kTypeDword, nullptr, 0) == 0);
}
