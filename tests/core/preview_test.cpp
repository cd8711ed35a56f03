#include <doctest/doctest.h>

#include <map>

#include "core/preview.h"
#include "core/regformat.h"

using namespace quellar;

TEST_CASE("a preview: one row per value, what it holds now and after, the changes counted") {
    const std::string key = "System\\Tcpip";
    const std::vector<RegistryOperation> ops = {
        {Hive::LocalMachine, key, "Same", kTypeDword, 64, false},
        {Hive::LocalMachine, key, "New", kTypeDword, 1500, false},
        {Hive::LocalMachine, key, "Gone", 0, 0, true},
        {Hive::LocalMachine, key, "NeverThere", 0, 0, true},
        {Hive::CurrentUser, "Software\\IE", "", kTypeText, 20, false},
        {Hive::LocalMachine, key, "Big", kTypeDword, -1, false},
        {Hive::LocalMachine, "SYSTEM\\TCPIP", "same", kTypeDword, 128, false},  // the same value again
        {Hive::LocalMachine, key, "Retyped", kTypeDword, 8, false},
    };
    std::map<std::string, CurrentValue> now = {
        {"Same", {true, kTypeDword, "64"}},
        {"Gone", {true, kTypeDword, "3"}},
        {"", {true, kTypeText, "20"}},
        {"Big", {true, kTypeDword, "4294967295"}},
        {"Retyped", {true, kTypeText, "8"}},
    };
    const Preview p = buildPreview(ops, [&](const RegistryOperation& op) {
        auto it = now.find(op.valueName);
        return it == now.end() ? CurrentValue{} : it->second;
    });
    REQUIRE(p.rows.size() == 7);
    CHECK(p.rows[0].after == "128");  // the last operation on a value wins
    CHECK(p.rows[0].changes);
    CHECK((p.rows[1].now == "absent" && p.rows[1].after == "1500" && p.rows[1].changes));
    CHECK((p.rows[2].after == "removed" && p.rows[2].changes));
    CHECK((p.rows[3].now == "absent" && !p.rows[3].changes));
    CHECK((p.rows[4].key == "HKEY_CURRENT_USER\\Software\\IE" && p.rows[4].valueName == "(Default)" && !p.rows[4].changes));
    CHECK_FALSE(p.rows[5].changes);  // -1 as a REG_DWORD is 4294967295
    CHECK(p.rows[6].changes);        // same digits, another type
    CHECK(p.summary() == "4 of 7 values change");

    CHECK(shortenMiddle("HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Tcpip", 20) ==
          "HKEY_LOCA...es\\Tcpip");
    CHECK(shortenMiddle("short", 20) == "short");
}
