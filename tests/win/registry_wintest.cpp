#include <doctest/doctest.h>

#include "win/registry_win.h"
#include "support/regsandbox_win.h"

using namespace quellar;
using namespace quellar::win;
using namespace quellar::testing;

namespace {

const std::string kKey = "SOFTWARE\\Quellar test\\Values";

std::string sz(const char* text) { return std::string(text) + '\0'; }

// Denies writing to an existing key, the way a key owned by the system
// refuses a user without rights: opening it for full access then fails.
void makeReadOnly(HKEY hive, const std::string& path) {
    HKEY key = nullptr;
    REQUIRE(RegOpenKeyExA(hive, path.c_str(), 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS);
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    REQUIRE(AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone));
    DWORD aclBuffer[64];
    auto* acl = reinterpret_cast<PACL>(aclBuffer);
    SECURITY_DESCRIPTOR descriptor;
    REQUIRE(InitializeAcl(acl, sizeof aclBuffer, ACL_REVISION));
    REQUIRE(AddAccessDeniedAce(acl, ACL_REVISION, KEY_SET_VALUE | KEY_CREATE_SUB_KEY, everyone));
    REQUIRE(AddAccessAllowedAce(acl, ACL_REVISION, KEY_READ | DELETE, everyone));
    REQUIRE(InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION));
    REQUIRE(SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE));
    REQUIRE(RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &descriptor) == ERROR_SUCCESS);
    RegCloseKey(key);
    FreeSid(everyone);
    HKEY probe = nullptr;
    REQUIRE(RegOpenKeyExA(hive, path.c_str(), 0, KEY_ALL_ACCESS, &probe) == ERROR_ACCESS_DENIED);
}

}  // namespace

TEST_CASE("the sandbox redirects both hives and leaves nothing behind") {
    std::string scratch;
    {
        RegistrySandbox sandbox;
        scratch = sandbox.scratchPath();
        REQUIRE(setRaw(HKEY_LOCAL_MACHINE, kKey, "v", REG_SZ, sz("1")) == ERROR_SUCCESS);
        REQUIRE(setRaw(HKEY_CURRENT_USER, kKey, "v", REG_SZ, sz("1")) == ERROR_SUCCESS);
        CHECK(keyExists(HKEY_LOCAL_MACHINE, kKey));
        CHECK_FALSE(keyExists(HKEY_CURRENT_USER, "Software\\Microsoft"));
    }
    CHECK_FALSE(keyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quellar test"));
    CHECK_FALSE(keyExists(HKEY_CURRENT_USER, "SOFTWARE\\Quellar test"));
    CHECK_FALSE(keyExists(HKEY_CURRENT_USER, scratch));
    CHECK(keyExists(HKEY_LOCAL_MACHINE, "Software\\Microsoft"));
}

TEST_CASE("writeRegValue stores texts and numbers in their byte layouts") {
    RegistrySandbox sandbox;
    CHECK(writeRegValue(HKEY_LOCAL_MACHINE, kKey, "sz64", REG_SZ, 64, false) == ERROR_SUCCESS);
    RawValue raw = queryRaw(HKEY_LOCAL_MACHINE, kKey, "sz64");
    CHECK(raw.type == REG_SZ);
    CHECK(raw.bytes == sz("64"));
    CHECK(raw.bytes.size() == 3);

    CHECK(writeRegValue(HKEY_LOCAL_MACHINE, kKey, "dw64", REG_DWORD, 64, false) == ERROR_SUCCESS);
    raw = queryRaw(HKEY_LOCAL_MACHINE, kKey, "dw64");
    CHECK(raw.type == REG_DWORD);
    CHECK(raw.bytes == std::string("\x40\0\0\0", 4));

    writeRegValue(HKEY_LOCAL_MACHINE, kKey, "dwAll", REG_DWORD, 4294967295.0, false);
    CHECK(queryRaw(HKEY_LOCAL_MACHINE, kKey, "dwAll").bytes == std::string(4, '\xFF'));
    writeRegValue(HKEY_LOCAL_MACHINE, kKey, "dwText", REG_DWORD, "1500", false);
    CHECK(queryRaw(HKEY_LOCAL_MACHINE, kKey, "dwText").bytes == std::string("\xDC\x05\0\0", 4));
    writeRegValue(HKEY_LOCAL_MACHINE, kKey, "empty", REG_SZ, "", false);
    CHECK(queryRaw(HKEY_LOCAL_MACHINE, kKey, "empty").bytes == sz(""));

    // An empty name is the key's default value; missing parents are created.
    const std::string deep = "SOFTWARE\\Quellar test\\A\\B\\C";
    CHECK(writeRegValue(HKEY_LOCAL_MACHINE, deep, "", REG_SZ, RegScalar("text"), false) == ERROR_SUCCESS);
    raw = queryRaw(HKEY_LOCAL_MACHINE, deep, "");
    CHECK(raw.type == REG_SZ);
    CHECK(raw.bytes == sz("text"));

    const std::string run = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    CHECK(writeRegValue(HKEY_CURRENT_USER, run, "QuellarRun", REG_SZ, "C:\\Q\\quellar.exe", false) == 0);
    CHECK(queryRaw(HKEY_CURRENT_USER, run, "QuellarRun").bytes == sz("C:\\Q\\quellar.exe"));
}

TEST_CASE("writeRegValue deletes only the named value and refuses what it cannot store") {
    RegistrySandbox sandbox;
    setRaw(HKEY_LOCAL_MACHINE, kKey, "a", REG_DWORD, std::string("\1\0\0\0", 4));
    setRaw(HKEY_LOCAL_MACHINE, kKey, "b", REG_SZ, sz("keep"));
    CHECK(writeRegValue(HKEY_LOCAL_MACHINE, kKey, "a", REG_DWORD, 0, true) == ERROR_SUCCESS);
    CHECK(queryRaw(HKEY_LOCAL_MACHINE, kKey, "a").status == ERROR_FILE_NOT_FOUND);
    CHECK(queryRaw(HKEY_LOCAL_MACHINE, kKey, "b").bytes == sz("keep"));

    // The key made for a delete stays, although there was nothing to delete.
    const std::string fresh = "SOFTWARE\\Quellar test\\Fresh";
    CHECK(writeRegValue(HKEY_LOCAL_MACHINE, fresh, "x", REG_SZ, "", true) == ERROR_FILE_NOT_FOUND);
    CHECK(keyExists(HKEY_LOCAL_MACHINE, fresh));

    // Other types write and delete nothing, but the key is there all the same.
    for (DWORD type : {DWORD{REG_EXPAND_SZ}, DWORD{REG_BINARY}}) {
        for (bool deleteFlag : {false, true}) {
            const std::string other = "SOFTWARE\\Quellar test\\Other";
            CHECK(writeRegValue(HKEY_LOCAL_MACHINE, kKey, "b", type, "new", deleteFlag) == ERROR_INVALID_PARAMETER);
            CHECK(writeRegValue(HKEY_LOCAL_MACHINE, other, "b", type, "new", deleteFlag) == ERROR_INVALID_PARAMETER);
            CHECK(keyExists(HKEY_LOCAL_MACHINE, other));
            CHECK(queryRaw(HKEY_LOCAL_MACHINE, other, "b").status == ERROR_FILE_NOT_FOUND);
        }
    }
    CHECK(queryRaw(HKEY_LOCAL_MACHINE, kKey, "b").bytes == sz("keep"));

    // Numbers that do not fit 32 bits leave the stored value alone.
    setRaw(HKEY_LOCAL_MACHINE, kKey, "c", REG_DWORD, std::string("\7\0\0\0", 4));
    CHECK(writeRegValue(HKEY_LOCAL_MACHINE, kKey, "c", REG_DWORD, 4294967296.0, false) == ERROR_INVALID_PARAMETER);
    CHECK(writeRegValue(HKEY_LOCAL_MACHINE, kKey, "c", REG_DWORD, "abc", false) == ERROR_INVALID_PARAMETER);
    CHECK(queryRaw(HKEY_LOCAL_MACHINE, kKey, "c").bytes == std::string("\7\0\0\0", 4));

    // A key that cannot be created: the code of the create comes back.
    CHECK(writeRegValue(HKEY_LOCAL_MACHINE, "\\Bad", "x", REG_SZ, 1, false) == ERROR_BAD_PATHNAME);
}

TEST_CASE("string reads and the program's settings") {
    RegistrySandbox sandbox;
    const std::string pinger = settingsKey(kAreaNetPinger);
    saveProgramSetting(pinger, "txtHost", "localhost");
    saveProgramSetting(pinger, "chkSound", 1);
    RawValue raw = queryRaw(HKEY_LOCAL_MACHINE, "SOFTWARE\\BRD\\Quellar\\Settings\\NetPinger", "chkSound");
    CHECK(raw.type == REG_SZ);
    CHECK(raw.bytes == sz("1"));
    CHECK(loadProgramSetting(pinger, "txtHost", "x") == "localhost");
    for (const char* fallback : {"0", "true", "5", ""}) {
        CHECK(loadProgramSetting(pinger, "txtMissing", fallback) == fallback);
        CHECK(loadProgramSetting(settingsKey(kAreaRamSettings), "txtHost", fallback) == fallback);
    }

    setRaw(HKEY_CURRENT_USER, kKey, "254", REG_SZ, sz(std::string(254, 'x').c_str()));
    setRaw(HKEY_CURRENT_USER, kKey, "255", REG_SZ, sz(std::string(255, 'x').c_str()));
    setRaw(HKEY_CURRENT_USER, kKey, "300", REG_SZ, sz(std::string(300, 'x').c_str()));
    CHECK(readRegString(HKEY_CURRENT_USER, kKey, "254", "d") == std::string(254, 'x'));
    CHECK(readRegString(HKEY_CURRENT_USER, kKey, "255", "d") == "d");
    CHECK(readRegString(HKEY_CURRENT_USER, kKey, "300", "d") == "d");

    setRaw(HKEY_CURRENT_USER, kKey, "nothing", REG_SZ, "");
    setRaw(HKEY_CURRENT_USER, kKey, "bare", REG_SZ, "abc");
    setRaw(HKEY_CURRENT_USER, kKey, "", REG_SZ, sz("default"));
    CHECK(readRegString(HKEY_CURRENT_USER, kKey, "nothing", "d") == "");
    CHECK(readRegString(HKEY_CURRENT_USER, kKey, "bare", "d") == "abc");
    CHECK(readRegString(HKEY_CURRENT_USER, kKey, "", "d") == "default");
}

TEST_CASE("RegistryAccess reads numbers and texts") {
    RegistrySandbox sandbox;
    const RegistryAccess reg;
    const std::string section = "\\" + kKey + "\\";
    setRaw(HKEY_LOCAL_MACHINE, kKey, "all", REG_DWORD, std::string(4, '\xFF'));
    setRaw(HKEY_LOCAL_MACHINE, kKey, "dw", REG_DWORD, std::string("\xDC\x05\0\0", 4));
    setRaw(HKEY_LOCAL_MACHINE, kKey, "sz", REG_SZ, sz("1500"));
    setRaw(HKEY_LOCAL_MACHINE, kKey, "word", REG_SZ, sz("abc"));
    setRaw(HKEY_LOCAL_MACHINE, kKey, "bin", REG_BINARY, std::string("\1\2\3", 3));
    setRaw(HKEY_LOCAL_MACHINE, kKey, "nothing", REG_SZ, "");
    setRaw(HKEY_LOCAL_MACHINE, kKey, "", REG_SZ, sz("42"));

    CHECK(reg.readNumber(HKEY_LOCAL_MACHINE, section, "all", 0) == 4294967295.0);
    CHECK(reg.readNumber(HKEY_LOCAL_MACHINE, section, "dw", 0) == 1500);
    CHECK(reg.readNumber(HKEY_LOCAL_MACHINE, section, "sz", 0) == 1500);
    CHECK(reg.readNumber(HKEY_LOCAL_MACHINE, section, "word", 0) == 0);
    CHECK(reg.readNumber(HKEY_LOCAL_MACHINE, section, "bin", 0) == 0x030201);
    CHECK(reg.readNumber(HKEY_LOCAL_MACHINE, section, "*", 0) == 42);
    CHECK(reg.readNumber(HKEY_LOCAL_MACHINE, section, "missing", 7) == 0);
    CHECK(reg.readNumber(HKEY_LOCAL_MACHINE, "SOFTWARE\\Nowhere", "sz", 7) == 0);

    CHECK(reg.readSetting(HKEY_LOCAL_MACHINE, section, "sz", "d") == "1500");
    CHECK(reg.readSetting(HKEY_LOCAL_MACHINE, kKey, "*", "d") == "42");
    CHECK(reg.readSetting(HKEY_LOCAL_MACHINE, kKey, "nothing", "d") == "d");
    CHECK(reg.readSetting(HKEY_LOCAL_MACHINE, kKey, "missing", "d") == "d");

    // A key that refuses full access is still read.
    makeReadOnly(HKEY_LOCAL_MACHINE, kKey);
    CHECK(reg.readNumber(HKEY_LOCAL_MACHINE, section, "sz", 0) == 1500);
    CHECK(reg.readSetting(HKEY_LOCAL_MACHINE, section, "word", "d") == "abc");
    CHECK_FALSE(reg.saveSetting(HKEY_LOCAL_MACHINE, section, "word", "new"));
    CHECK_FALSE(reg.deleteSetting(HKEY_LOCAL_MACHINE, section, "word"));
}

TEST_CASE("RegistryAccess writes, deletes and lists keys") {
    RegistrySandbox sandbox;
    const RegistryAccess reg;
    const std::string parent = "SOFTWARE\\Quellar test";
    CHECK(reg.saveSetting(HKEY_LOCAL_MACHINE, "\\" + kKey + "\\", "name", "value"));
    CHECK(reg.saveSetting(HKEY_LOCAL_MACHINE, kKey, "*", "dflt"));
    CHECK(queryRaw(HKEY_LOCAL_MACHINE, kKey, "name").bytes == sz("value"));
    CHECK(queryRaw(HKEY_LOCAL_MACHINE, kKey, "").bytes == sz("dflt"));

    CHECK(reg.deleteSetting(HKEY_LOCAL_MACHINE, kKey, "*"));
    CHECK(queryRaw(HKEY_LOCAL_MACHINE, kKey, "").status == ERROR_FILE_NOT_FOUND);
    CHECK(queryRaw(HKEY_LOCAL_MACHINE, kKey, "name").status == ERROR_SUCCESS);
    CHECK(reg.deleteSetting(HKEY_LOCAL_MACHINE, kKey, "name"));
    CHECK_FALSE(reg.deleteSetting(HKEY_LOCAL_MACHINE, kKey, "name"));
    CHECK_FALSE(reg.deleteSetting(HKEY_LOCAL_MACHINE, "SOFTWARE\\Nowhere", "name"));

    for (const char* name : {"Zeta", "alpha", "Mid"}) {
        reg.saveSetting(HKEY_LOCAL_MACHINE, parent + "\\Keys\\" + name, "v", "1");
    }
    CHECK(reg.subkeyNames(HKEY_LOCAL_MACHINE, parent + "\\Keys") == std::vector<std::string>{"alpha", "Mid", "Zeta"});
    CHECK(reg.subkeyNames(HKEY_LOCAL_MACHINE, kKey).empty());
    // The longest name a key can have neither ends the listing nor is cut.
    // (A short parent: Wine also limits the length of the whole path.)
    const std::string longest(255, 'k');
    REQUIRE(reg.saveSetting(HKEY_LOCAL_MACHINE, "L\\" + longest, "v", "1"));
    REQUIRE(reg.saveSetting(HKEY_LOCAL_MACHINE, "L\\z", "v", "1"));
    CHECK(reg.subkeyNames(HKEY_LOCAL_MACHINE, "L") == std::vector<std::string>{longest, "z"});
    CHECK(reg.subkeyNames(HKEY_LOCAL_MACHINE, "SOFTWARE\\Nowhere").empty());

    // An empty value name deletes the key itself, but not one with subkeys.
    CHECK_FALSE(reg.deleteSetting(HKEY_LOCAL_MACHINE, parent + "\\Keys", ""));
    CHECK(reg.deleteSetting(HKEY_LOCAL_MACHINE, parent + "\\Keys\\Mid", ""));
    CHECK(reg.subkeyNames(HKEY_LOCAL_MACHINE, parent + "\\Keys") == std::vector<std::string>{"alpha", "Zeta"});
    CHECK_FALSE(reg.deleteSetting(HKEY_LOCAL_MACHINE, parent + "\\Keys\\Mid", ""));
    CHECK_FALSE(reg.deleteSetting(HKEY_LOCAL_MACHINE, "", ""));
    CHECK(reg.subkeyNames(HKEY_LOCAL_MACHINE, "") == std::vector<std::string>{"L", "SOFTWARE"});
}
