#pragma once
// RegistrySandbox: lets a test write to HKEY_LOCAL_MACHINE and
// HKEY_CURRENT_USER without touching the Wine prefix's real keys.
//
//     TEST_CASE("...") {
//         RegistrySandbox sandbox;              // both hives now empty scratch keys
//         writeRegValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\X", "v", REG_SZ, 1, false);
//         RawValue raw = queryRaw(HKEY_LOCAL_MACHINE, "SOFTWARE\\X", "v");
//     }                                         // real hives back, scratch keys gone
//
// While it lives, this process's HKLM and HKCU handles point into two fresh
// scratch keys under the real HKCU (RegOverridePredefKey, looked up at run
// time: the program itself must not import it). Every call in the process
// sees the redirection, the code under test included. The destructor points
// the hives back to the real ones and deletes the scratch keys with all
// they hold. One sandbox at a time; do not nest them.
//
// If the redirection cannot be made the constructor throws, so the test
// fails before anything is written to a real hive.
#include <windows.h>

#include <stdexcept>
#include <string>

#include "win/library_win.h"

namespace quellar::testing {

// Deletes `path` below `parent` with all its subkeys (RegDeleteKeyA only
// deletes keys without subkeys on the NT family). Enumerating needs only
// read access, so keys a test has made read-only still go. Children go by
// their UTF-16 names: a name the ANSI code page cannot hold would otherwise
// stay, and with it the whole tree.
inline LONG deleteKeyTreeW(HKEY parent, const wchar_t* path) {
    HKEY key = nullptr;
    LONG status = RegOpenKeyExW(parent, path, 0, KEY_READ, &key);
    if (status != ERROR_SUCCESS) return status;
    wchar_t name[256];
    // Always take index 0: the list shrinks as children go.
    while (RegEnumKeyW(key, 0, name, 256) == ERROR_SUCCESS) {
        if (deleteKeyTreeW(key, name) != ERROR_SUCCESS) break;
    }
    RegCloseKey(key);
    return RegDeleteKeyW(parent, path);
}

inline LONG deleteKeyTree(HKEY parent, const std::string& path) {
    std::wstring wide(path.size() + 1, L'\0');
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, &wide[0], static_cast<int>(wide.size()));
    return deleteKeyTreeW(parent, wide.c_str());
}

class RegistrySandbox {
public:
    RegistrySandbox() {
        // The common controls read the user's visual style when they load,
        // which the program does with its first list or slider: loaded
        // inside a sandbox they would find none, and every later window of
        // the test program would look unthemed.
        win::commonControls();
        HMODULE advapi = GetModuleHandleA("advapi32.dll");
        if (!advapi) throw std::runtime_error("advapi32 is not loaded");
        override_ = reinterpret_cast<OverrideFn>(
            reinterpret_cast<void (*)()>(GetProcAddress(advapi, "RegOverridePredefKey")));
        if (!override_) throw std::runtime_error("RegOverridePredefKey is missing");

        root_ = std::string(kScratchParent) + "\\" + std::to_string(GetCurrentProcessId());
        // Leftovers of a test program that died inside its sandbox.
        deleteKeyTree(HKEY_CURRENT_USER, root_);
        HKEY machine = createScratch("HKLM");
        HKEY user = createScratch("HKCU");
        const bool redirected = machine && user && override_(HKEY_LOCAL_MACHINE, machine) == ERROR_SUCCESS &&
                                override_(HKEY_CURRENT_USER, user) == ERROR_SUCCESS;
        // The override keeps its own copy of each handle.
        if (machine) RegCloseKey(machine);
        if (user) RegCloseKey(user);
        if (!redirected) {
            restore();
            throw std::runtime_error("the hives could not be redirected");
        }
    }

    ~RegistrySandbox() { restore(); }

    RegistrySandbox(const RegistrySandbox&) = delete;
    RegistrySandbox& operator=(const RegistrySandbox&) = delete;

    // The scratch keys' path under the real HKEY_CURRENT_USER.
    const std::string& scratchPath() const { return root_; }

    static constexpr const char* kScratchParent = "Software\\Quellar test sandbox";

private:
    using OverrideFn = LONG(WINAPI*)(HKEY, HKEY);

    HKEY createScratch(const char* name) const {
        HKEY key = nullptr;
        DWORD disposition = 0;
        const std::string path = root_ + "\\" + name;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_ALL_ACCESS, nullptr, &key, &disposition) != ERROR_SUCCESS) {
            return nullptr;
        }
        return key;
    }

    void restore() {
        override_(HKEY_LOCAL_MACHINE, nullptr);
        override_(HKEY_CURRENT_USER, nullptr);
        deleteKeyTree(HKEY_CURRENT_USER, root_);
        // Removes the shared parent once no other sandbox uses it.
        RegDeleteKeyA(HKEY_CURRENT_USER, kScratchParent);
    }

    OverrideFn override_ = nullptr;
    std::string root_;
};

// One value exactly as stored: the query's status, the type and the bytes.
struct RawValue {
    LONG status = ERROR_FILE_NOT_FOUND;
    DWORD type = REG_NONE;
    std::string bytes;
};

inline RawValue queryRaw(HKEY hive, const std::string& path, const std::string& name) {
    RawValue raw;
    HKEY key = nullptr;
    raw.status = RegOpenKeyExA(hive, path.c_str(), 0, KEY_READ, &key);
    if (raw.status != ERROR_SUCCESS) return raw;
    DWORD size = 0;
    raw.status = RegQueryValueExA(key, name.c_str(), nullptr, &raw.type, nullptr, &size);
    if (raw.status == ERROR_SUCCESS && size > 0) {
        raw.bytes.assign(size, '\0');
        raw.status = RegQueryValueExA(key, name.c_str(), nullptr, &raw.type,
                                      reinterpret_cast<BYTE*>(&raw.bytes[0]), &size);
        raw.bytes.resize(size);
    }
    RegCloseKey(key);
    return raw;
}

// Stores `bytes` as they are (no NUL added), creating the key when needed.
inline LONG setRaw(HKEY hive, const std::string& path, const std::string& name, DWORD type,
                   const std::string& bytes) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    LONG status = RegCreateKeyExA(hive, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                                  nullptr, &key, &disposition);
    if (status != ERROR_SUCCESS) return status;
    status = RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                            static_cast<DWORD>(bytes.size()));
    RegCloseKey(key);
    return status;
}

inline bool keyExists(HKEY hive, const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(hive, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

}  // namespace quellar::testing
