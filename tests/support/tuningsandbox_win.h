#pragma once
// Helpers for tests of the apply and backup paths against a sandboxed
// registry: a snapshot of everything both redirected hives hold, a scratch
// program folder (so backups land there), a record of the message boxes the
// code would show, and a way to make a key refuse writes.
#include <windows.h>

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "core/effects.h"
#include "support/regsandbox_win.h"
#include "support/backupsamples.h"
#include "win/regops_win.h"

namespace quellar::testing {

// Everything under both (redirected) hives: key paths and values, by
// lower-case name ("m\path" / "m\path|value"), with each value's type and
// exact bytes.
struct RegSnapshot {
    std::set<std::string> keys;
    std::map<std::string, std::pair<DWORD, std::string>> values;
    bool operator==(const RegSnapshot& o) const { return keys == o.keys && values == o.values; }

    void addKey(const std::string& hivePrefix, const std::string& path) {
        // Creating a key creates its missing parents too.
        std::string sofar = hivePrefix;
        std::size_t start = 0;
        while (start <= path.size()) {
            const std::size_t slash = path.find('\\', start);
            const std::size_t end = slash == std::string::npos ? path.size() : slash;
            sofar += "\\" + path.substr(start, end - start);
            keys.insert(lowered(sofar));
            if (slash == std::string::npos) break;
            start = slash + 1;
        }
    }
    static std::string valueKey(const std::string& hivePrefix, const std::string& path, const std::string& name) {
        return lowered(hivePrefix + "\\" + path + "|" + name);
    }
};

inline void snapshotKey(HKEY key, const std::string& name, RegSnapshot& snap) {
    snap.keys.insert(lowered(name));
    for (DWORD i = 0;; ++i) {
        char valueName[16384];
        DWORD nameLength = sizeof valueName;
        DWORD type = 0;
        BYTE data[4096];
        DWORD size = sizeof data;
        if (RegEnumValueA(key, i, valueName, &nameLength, nullptr, &type, data, &size) != ERROR_SUCCESS) break;
        snap.values[lowered(name + "|" + std::string(valueName, nameLength))] = {
            type, std::string(reinterpret_cast<char*>(data), size)};
    }
    for (DWORD i = 0;; ++i) {
        char sub[256];
        DWORD length = sizeof sub;
        FILETIME written;
        if (RegEnumKeyExA(key, i, sub, &length, nullptr, nullptr, nullptr, &written) != ERROR_SUCCESS) break;
        HKEY child = nullptr;
        if (RegOpenKeyExA(key, sub, 0, KEY_READ, &child) != ERROR_SUCCESS) continue;
        snapshotKey(child, name + "\\" + std::string(sub, length), snap);
        RegCloseKey(child);
    }
}

inline const char* hivePrefix(Hive hive) { return hive == Hive::CurrentUser ? "u" : "m"; }

inline RegSnapshot snapshotRegistry() {
    RegSnapshot snap;
    snapshotKey(HKEY_LOCAL_MACHINE, "m", snap);
    snapshotKey(HKEY_CURRENT_USER, "u", snap);
    return snap;
}

// The bytes a REG_SZ holding `text` and a REG_DWORD holding `value` store.
inline std::string szBytes(const std::string& text) { return text + '\0'; }
inline std::string dwordBytes(std::uint32_t value) {
    return std::string(reinterpret_cast<const char*>(&value), 4);
}

// Stores the sample values and creates the subkey keys (also those that
// hold no value).
inline void putSamples(const std::vector<backupsamples::SampleValue>& values,
                       const std::vector<std::string>& emptyKeys) {
    for (const auto& v : values) {
        setRaw(win::hiveKey(v.hive), v.path, v.name, v.type,
               v.type == REG_SZ ? szBytes(v.text) : dwordBytes(v.dword));
    }
    for (const auto& k : emptyKeys) {
        HKEY key = nullptr;
        DWORD disposition = 0;
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, k.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                            &disposition) == ERROR_SUCCESS)
            RegCloseKey(key);
    }
}

// A name the ANSI code page cannot hold ("Ж日").
inline const wchar_t* const kForeignName = L"\x0416\x65e5";

// A key of that kind of name under `parent`, open for the caller.
inline HKEY createWideKey(const std::string& parent, const wchar_t* name) {
    HKEY parentKey = nullptr, key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, parent.c_str(), 0, KEY_ALL_ACCESS, &parentKey) != ERROR_SUCCESS)
        return nullptr;
    RegCreateKeyExW(parentKey, name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    RegCloseKey(parentKey);
    return key;
}

// Values of every kind where the map writes its own type: texts that are
// not plain numbers, binary data, a QWORD, lists and expandable texts.
inline void putHostileValues(bool nt) {
    const std::string params = nt ? "System\\CurrentControlSet\\Services\\Tcpip\\Parameters"
                                  : "System\\CurrentControlSet\\Services\\VxD\\MSTCP";
    const std::string parent = nt ? backupsamples::kInterfaces : backupsamples::kNetTrans;
    setRaw(HKEY_LOCAL_MACHINE, params, "DefaultTTL", REG_SZ, szBytes("65535 bytes"));
    setRaw(HKEY_LOCAL_MACHINE, params, "KeepAliveTime", REG_SZ, szBytes("-5"));
    setRaw(HKEY_LOCAL_MACHINE, params, nt ? "TcpWindowSize" : "DefaultRcvWindow", REG_BINARY,
           std::string("\x01\x02\x03\x04\x05", 5));
    setRaw(HKEY_LOCAL_MACHINE, params, "GlobalMaxTcpWindowSize", REG_BINARY, std::string("\x00\x10\x00\x00", 4));
    setRaw(HKEY_LOCAL_MACHINE, params, nt ? "EnablePMTUBHDetect" : "PMTUBlackHoleDetect", REG_SZ, szBytes("5"));
    setRaw(HKEY_LOCAL_MACHINE, params, nt ? "EnablePMTUDiscovery" : "PMTUDiscovery", REG_SZ, szBytes("0"));
    setRaw(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings",
           "MaxConnectionsPerServer", 11 /* REG_QWORD */, std::string("\x08\0\0\0\0\0\0\0", 8));
    setRaw(HKEY_LOCAL_MACHINE, parent + "\\bad\"quote", nt ? "MTU" : "MaxMTU", REG_MULTI_SZ,
           std::string("1500\0x\0\0", 9));
    setRaw(HKEY_LOCAL_MACHINE, parent + "\\bad\"quote", nt ? "MSS" : "MaxMSS", REG_EXPAND_SZ, szBytes("%X%"));
    setRaw(HKEY_LOCAL_MACHINE, parent + "\\0000", nt ? "MTU" : "MaxMTU", REG_DWORD, dwordBytes(1500));
}

// A fresh folder under the temporary folder that stands in as the program
// folder while the object lives; removed with its files afterwards.
class ScratchProgramFolder {
public:
    explicit ScratchProgramFolder(const std::string& tag) {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        path_ = std::string(temp) + "quellar-" + tag + "-" + std::to_string(GetCurrentProcessId());
        removeTree(path_);
        CreateDirectoryA(path_.c_str(), nullptr);
        const std::string folder = path_;
        effects().programFolder = [folder] { return folder; };
    }
    ~ScratchProgramFolder() { removeTree(path_); }
    ScratchProgramFolder(const ScratchProgramFolder&) = delete;
    ScratchProgramFolder& operator=(const ScratchProgramFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string backups() const { return path_ + "\\Backups"; }

    // The names in the Backups folder, sorted.
    std::vector<std::string> backupFiles() const {
        std::set<std::string> names;
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((backups() + "\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                const std::string name = found.cFileName;
                if (name != "." && name != "..") names.insert(name);
            } while (FindNextFileA(search, &found));
            FindClose(search);
        }
        return std::vector<std::string>(names.begin(), names.end());
    }

    static void removeTree(const std::string& folder) {
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                const std::string name = found.cFileName;
                if (name == "." || name == "..") continue;
                const std::string full = folder + "\\" + name;
                if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) removeTree(full);
                else DeleteFileA(full.c_str());
            } while (FindNextFileA(search, &found));
            FindClose(search);
        }
        RemoveDirectoryA(folder.c_str());
    }

private:
    EffectsOverride restore_;
    std::string path_;
};

inline void writeFile(const std::string& path, const std::string& content) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(file);
}

inline std::string readFile(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::string();
    std::string content(GetFileSize(file, nullptr), '\0');
    DWORD read = 0;
    if (!content.empty()) ReadFile(file, &content[0], static_cast<DWORD>(content.size()), &read, nullptr);
    CloseHandle(file);
    content.resize(read);
    return content;
}

// The message boxes the code under test asks for (none is shown).
struct MessageLog {
    struct Entry {
        std::string text, caption;
        unsigned flags;
    };
    std::vector<Entry> entries;
    MessageLog() {
        effects().messageBox = [this](std::uintptr_t, const std::string& text, const std::string& caption,
                                      unsigned flags) {
            entries.push_back({text, caption, flags});
            return IDOK;
        };
    }
    ~MessageLog() = default;
    MessageLog(const MessageLog&) = delete;
    MessageLog& operator=(const MessageLog&) = delete;

private:
    EffectsOverride restore_;
};

// Makes an existing key refuse new values and subkeys, the way a system key
// refuses a user without rights.
inline bool makeReadOnly(HKEY hive, const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(hive, path.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return false;
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    bool done = AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone) != FALSE;
    DWORD aclBuffer[64];
    auto* acl = reinterpret_cast<PACL>(aclBuffer);
    SECURITY_DESCRIPTOR descriptor;
    done = done && InitializeAcl(acl, sizeof aclBuffer, ACL_REVISION) &&
           AddAccessDeniedAce(acl, ACL_REVISION, KEY_SET_VALUE | KEY_CREATE_SUB_KEY, everyone) &&
           AddAccessAllowedAce(acl, ACL_REVISION, KEY_READ | DELETE, everyone) &&
           InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
           SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE) &&
           RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &descriptor) == ERROR_SUCCESS;
    RegCloseKey(key);
    if (everyone) FreeSid(everyone);
    return done;
}

}  // namespace quellar::testing
