#include <doctest/doctest.h>

#include <vector>

#include "core/versioninfo.h"

using namespace quellar;

TEST_CASE("the file version is found after the signature, on a DWORD boundary") {
    std::vector<unsigned char> block(40, 0);
    const unsigned char fixed[] = {0xBD, 0x04, 0xEF, 0xFE, 0, 0, 1, 0,
                                   2, 0, 1, 0,  // 1.2 (minor first: little-endian halves)
                                   7, 0, 3, 0}; // build 3, revision 7
    std::copy(std::begin(fixed), std::end(fixed), block.begin() + 20);
    auto version = parseFixedFileVersion(block.data(), block.size());
    REQUIRE(version);
    CHECK(version->major == 1);
    CHECK(version->minor == 2);
    CHECK(version->build == 3);
    CHECK(version->revision == 7);

    // A signature that is cut off, or missing, gives nothing.
    CHECK_FALSE(parseFixedFileVersion(block.data(), 30));
    std::vector<unsigned char> none(64, 0xAA);
    CHECK_FALSE(parseFixedFileVersion(none.data(), none.size()));
    CHECK_FALSE(parseFixedFileVersion(nullptr, 0));
}
