#include <doctest/doctest.h>

#include "core/osversion.h"

using namespace quellar;

TEST_CASE("every row of the version table: later NT systems are their own number, the rest fall to Windows 32") {
    struct Row {
        unsigned long platform, major, minor;
        int number;
        const char* name;
    };
    const Row rows[] = {
        {1, 4, 0, 2, "Windows 95"},    {1, 4, 10, 3, "Windows 98"},  // 98 SE is 4.10 too
        {1, 4, 90, 4, "Windows ME"},   {1, 5, 0, 2, "Windows 95"},   // 9x rows ignore the major
        {1, 4, 3, 1, "Windows 32"},    {2, 3, 51, 5, "Windows NT"},  {2, 4, 0, 5, "Windows NT"},
        {2, 5, 0, 6, "Windows 2000"},  {2, 5, 1, 7, "Windows XP"},   {2, 5, 2, 8, "Windows after XP"},
        {2, 6, 1, 8, "Windows after XP"}, {2, 10, 0, 8, "Windows after XP"},  {0, 3, 10, 1, "Windows 32"},
        {3, 4, 0, 1, "Windows 32"},
    };
    for (const Row& row : rows) {
        CAPTURE(row.platform);
        CAPTURE(row.major);
        CAPTURE(row.minor);
        setWindowsVersionFromIndex(osVersionIndex(row.platform, row.major, row.minor));
        CHECK(winVersion == row.number);
        CHECK(winVersionName == row.name);
    }
    // An unrecognised system counts as the 9x family.
    CHECK_FALSE(isNtFamily(1));
    CHECK_FALSE(isNtFamily(4));
    CHECK(isNtFamily(5));
    CHECK(isNtFamily(7));
    CHECK(isNtFamily(8));
    CHECK_FALSE(isNtFamily(9));
    CHECK_FALSE(isNtFamily(0));
}

TEST_CASE("the version text handed to the face") {
    CHECK(versionText(1, 2, 7) == "1.2.0.7");
    CHECK(versionText(10, 0, 0) == "10.0.0.0");
}
