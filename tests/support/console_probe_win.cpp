// quellarc.exe's commands inside a registry and a program folder a test has
// prepared: HKLM and HKCU point into the scratch keys HKLM and HKCU below
// the real HKCU's QUELLAR_PROBE_HIVES, and the program folder (so the
// Backups folder) is QUELLAR_PROBE_FOLDER; QUELLAR_PROBE_HIVES "-" keeps
// the prefix's own hives (a throwaway prefix's, where Wine's own regedit
// imports too). Everything else is the console program as it ships. Exit code 99: the redirection could not be made, so
// nothing ran.
#include <windows.h>

#include <string>
#include <vector>

#include "console/console_win.h"
#include "core/effects.h"

namespace {

constexpr int kNotPrepared = 99;

std::string environment(const char* name) {
    char value[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    return length > 0 && length < sizeof value ? std::string(value, length) : std::string();
}

using OverrideFn = LONG(WINAPI*)(HKEY, HKEY);

OverrideFn overrideFunction() {
    return reinterpret_cast<OverrideFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("advapi32.dll"), "RegOverridePredefKey")));
}

bool redirect(HKEY hive, const std::string& scratch) {
    const OverrideFn override = overrideFunction();
    HKEY key = nullptr;
    if (!override || RegOpenKeyExA(HKEY_CURRENT_USER, scratch.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return false;
    const bool done = override(hive, key) == ERROR_SUCCESS;
    RegCloseKey(key);
    return done;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string hives = environment("QUELLAR_PROBE_HIVES");
    const std::string folder = environment("QUELLAR_PROBE_FOLDER");
    if (hives.empty() || folder.empty()) return kNotPrepared;
    const bool redirected = hives != "-";
    // HKCU last: the scratch keys are found through the real one.
    if (redirected &&
        (!redirect(HKEY_LOCAL_MACHINE, hives + "\\HKLM") || !redirect(HKEY_CURRENT_USER, hives + "\\HKCU")))
        return kNotPrepared;
    quellar::console::installConsoleEffects();
    quellar::effects().programFolder = [folder] { return folder; };
    const int code = quellar::console::runConsole(std::vector<std::string>(argv + 1, argv + argc));
    // The real hives again before the process ends: Wine's libraries write
    // caches of their own as they unload (the audio compression manager
    // its driver list under HKLM), which belong to the prefix, not to the
    // registry the test compares.
    if (redirected) {
        overrideFunction()(HKEY_LOCAL_MACHINE, nullptr);
        overrideFunction()(HKEY_CURRENT_USER, nullptr);
    }
    return code;
}
