#include <doctest/doctest.h>

#include "core/effects.h"
#include "support/regsandbox_win.h"
#include "features/mainsettings/mainsettings.h"
#include "features/mainsettings/mainsettings_win.h"
#include "win/window_win.h"

using namespace quellar;
using namespace quellar::features;
using namespace quellar::ui;
using quellar::testing::RegistrySandbox;

namespace {

const char* const kKey = "SOFTWARE\\BRD\\Quellar\\Settings\\MainSettings";

struct BareHost : FeatureHost {
    int skinned = 0;
    void skinFeatureWindow(FeatureWindow&) override { ++skinned; }
    HWND hostHandle() const override { return nullptr; }
};

std::string readSz(HKEY hive, const char* key, const char* name, DWORD* type = nullptr) {
    HKEY h;
    if (RegOpenKeyExA(hive, key, 0, KEY_READ, &h) != ERROR_SUCCESS) return "<no key>";
    char data[512] = {};
    DWORD size = sizeof data, t = 0;
    LONG r = RegQueryValueExA(h, name, nullptr, &t, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(h);
    if (type) *type = t;
    return r == ERROR_SUCCESS ? std::string(data) : "<none>";
}

void writeSz(HKEY hive, const char* key, const char* name, const char* value) {
    HKEY h;
    RegCreateKeyExA(hive, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr);
    RegSetValueExA(h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                   static_cast<DWORD>(strlen(value) + 1));
    RegCloseKey(h);
}

HWND handleOf(MainSettingsWindow& window, const char* name) {
    return window.binder().handleOf(window.form()[name]);
}

}  // namespace

TEST_CASE("Main settings against the registry: load, click, save, Run entry") {
    RegistrySandbox sandbox;
    EffectsOverride keep;
    effects().programFolder = [] { return std::string("C:\\Tools"); };
    effects().programFileName = [] { return std::string("Tool.EXE"); };
    writeSz(HKEY_CURRENT_USER, kRunKeyPath, "Other", "C:\\other.exe");

    BareHost host;
    MainSettingsWindow window(host);
    REQUIRE(window.load());
    CHECK(host.skinned == 1);
    CHECK_FALSE(IsWindowVisible(window.hwnd()));
    CHECK_FALSE(IsWindowEnabled(handleOf(window, "cmdSave")));
    CHECK(readSz(HKEY_CURRENT_USER, kRunKeyPath, "QuellarRun") == "<none>");

    // A click on the real check box reaches the model and enables Save.
    SendMessageA(handleOf(window, "chkRunMainProgram"), BM_CLICK, 0, 0);
    CHECK(window.form()["chkRunMainProgram"].value() == 1);
    CHECK(IsWindowEnabled(handleOf(window, "cmdSave")));
    SendMessageA(handleOf(window, "cmdSave"), BM_CLICK, 0, 0);
    CHECK_FALSE(IsWindowEnabled(handleOf(window, "cmdSave")));

    DWORD type = 0;
    CHECK(readSz(HKEY_LOCAL_MACHINE, kKey, "chkRunMainProgram", &type) == "1");
    CHECK(type == REG_SZ);
    CHECK(readSz(HKEY_LOCAL_MACHINE, kKey, "chkRunProgramMini") == "0");
    CHECK(readSz(HKEY_CURRENT_USER, kRunKeyPath, "QuellarRun", &type) == "\"C:\\Tools\\Tool.exe\"");
    CHECK(type == REG_SZ);

    // Clearing it and saving removes only our entry.
    SendMessageA(handleOf(window, "chkRunMainProgram"), BM_CLICK, 0, 0);
    SendMessageA(handleOf(window, "cmdSave"), BM_CLICK, 0, 0);
    CHECK(readSz(HKEY_CURRENT_USER, kRunKeyPath, "QuellarRun") == "<none>");
    CHECK(readSz(HKEY_CURRENT_USER, kRunKeyPath, "Other") == "C:\\other.exe");
    window.unload();
    CHECK(window.hwnd() == nullptr);
}

TEST_CASE("a saved start-with-Windows option rewrites the Run entry from the current folder") {
    RegistrySandbox sandbox;
    EffectsOverride keep;
    effects().programFolder = [] { return std::string("D:\\Moved"); };
    effects().programFileName = [] { return std::string("quellar.exe"); };
    writeSz(HKEY_LOCAL_MACHINE, kKey, "chkRunMainProgram", "1");
    writeSz(HKEY_LOCAL_MACHINE, kKey, "chkRunProgramMini", "1");
    writeSz(HKEY_CURRENT_USER, kRunKeyPath, "QuellarRun", "C:\\Old\\quellar.exe");

    BareHost host;
    MainSettingsWindow window(host);
    REQUIRE(window.load());
    CHECK(SendMessageA(handleOf(window, "chkRunProgramMini"), BM_GETCHECK, 0, 0) == BST_CHECKED);
    CHECK(window.settings().startsInTray());
    CHECK(readSz(HKEY_CURRENT_USER, kRunKeyPath, "QuellarRun") == "\"D:\\Moved\\quellar.exe\"");
    CHECK_FALSE(window.settings().changed());
}
