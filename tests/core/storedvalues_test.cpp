#include <doctest/doctest.h>

#include "core/storedvalues.h"
#include "support/memorystore.h"

using namespace quellar;
using quellar::testing::MemoryStore;

TEST_CASE("stored values read as every earlier version wrote and read them; damaged ones as the default") {
    MemoryStore store;
    StoredValues values(store, "\\Settings\\Test");
    auto reads = [&](const char* text) {
        store.values[{"\\Settings\\Test", "v"}] = text;
        return &values;
    };
    // Check boxes: the three states as written, and the forms the Net
    // Pinger's and RAM configuration's earlier readers also took.
    for (const char* one : {"1", " 1 ", "+1", "01", "1.0"}) CHECK(reads(one)->check("v") == 1);
    CHECK(reads("0")->check("v", 1) == 0);
    CHECK(reads("2")->check("v") == 2);
    for (const char* damaged : {"", "true", "7", "-1", "1.5", "yes"}) CHECK(reads(damaged)->check("v") == 0);
    CHECK(values.check("missing", 1) == 1);

    for (const char* yes : {"True", "true", "TRUE", "1", " 5 "}) CHECK(reads(yes)->flag("v", false));
    for (const char* no : {"False", "false", " 0 "}) CHECK_FALSE(reads(no)->flag("v", true));
    CHECK(reads("maybe")->flag("v", true));

    CHECK(reads("7")->entry("v", 60, 5) == 7);
    for (const char* past : {"60", "-1", "x"}) CHECK(reads(past)->entry("v", 60, 5) == 5);

    CHECK(reads("99999")->whole("v", 0, 32767, 250) == 32767);
    CHECK(reads("2.5")->whole("v", 0, 1000, 10) == 2);
    CHECK(reads("abc")->whole("v", 0, 1000, 10) == 10);

    values.saveCheck("c", 1);
    values.saveFlag("f", false);
    values.saveWhole("w", 59);
    CHECK(store.values[{"\\Settings\\Test", "c"}] == "1");
    CHECK(store.values[{"\\Settings\\Test", "f"}] == "False");
    CHECK(store.values[{"\\Settings\\Test", "w"}] == "59");
}
