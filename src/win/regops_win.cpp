#include "win/regops_win.h"

#include "win/registry_win.h"

#include <cstring>

#include "core/regformat.h"
#include "win/library_win.h"

namespace quellar::win {

namespace {
// Key names hold at most 255 characters, plus the terminating NUL.
constexpr DWORD kKeyNameBuffer = 256;
constexpr DWORD kErrorTextBuffer = 512;
}  // namespace

HKEY hiveKey(Hive hive) { return hive == Hive::CurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE; }

long writeOperation(const RegistryOperation& op) {
    if (op.remove) {
        HKEY key = nullptr;
        const LONG opened = RegOpenKeyExA(hiveKey(op.hive), op.keyPath.c_str(), 0, KEY_SET_VALUE, &key);
        if (opened == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
        if (opened != ERROR_SUCCESS) return opened;
        const LONG deleted = RegDeleteValueA(key, op.valueName.c_str());
        RegCloseKey(key);
        return deleted == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : deleted;
    }
    if (op.exact) return writeRegBytes(hiveKey(op.hive), op.keyPath, op.valueName, op.type, op.data);
    return writeRegValue(hiveKey(op.hive), op.keyPath, op.valueName, op.type, static_cast<double>(op.value), false);
}

ExecutionReport carryOutInRegistry(const std::vector<RegistryOperation>& operations) {
    return carryOut(operations, writeOperation);
}

namespace {

using EnumKeyWFn = LONG(WINAPI*)(HKEY, DWORD, LPWSTR, LPDWORD, LPDWORD, LPWSTR, LPDWORD, PFILETIME);

// The ANSI form of a UTF-16 name in `ansi`, as far as the code page holds
// it (what the name shows as); true when converting it back gives the very
// same name.
bool toExactAnsi(const wchar_t* name, DWORD length, std::string& ansi) {
    ansi.clear();
    if (length == 0) return true;
    const int size = static_cast<int>(length);
    char bytes[kKeyNameBuffer * 4];
    const int converted = WideCharToMultiByte(CP_ACP, 0, name, size, bytes, sizeof bytes, nullptr, nullptr);
    if (converted <= 0) return false;
    ansi.assign(bytes, static_cast<std::size_t>(converted));
    wchar_t back[kKeyNameBuffer];
    const int wide = MultiByteToWideChar(CP_ACP, 0, bytes, converted, back, kKeyNameBuffer);
    return wide == size && std::memcmp(back, name, length * sizeof(wchar_t)) == 0;
}

// Adds one enumerated name to the list it belongs in; `exact` when `ansi`
// opens the very key enumerated.
void sortName(const std::string& ansi, bool exact, SubkeyList& list) {
    if (exact && isSingleKeyName(ansi)) {
        list.names.push_back(ansi);
        return;
    }
    std::string visible;
    for (char c : ansi) visible += isControlCharacter(c) ? '?' : c;
    list.leftAlone.push_back(visible);
}

}  // namespace

SubkeyList subkeyListOf(HKEY hive, const std::string& path) {
    SubkeyList list;
    HKEY key = nullptr;
    if (RegOpenKeyA(hive, path.c_str(), &key) != ERROR_SUCCESS) return list;
    static const EnumKeyWFn enumW = systemFunction<EnumKeyWFn>("advapi32.dll", "RegEnumKeyExW");
    bool wide = enumW != nullptr;
    for (DWORD index = 0;; ++index) {
        FILETIME written;
        if (wide) {
            wchar_t name[kKeyNameBuffer];
            DWORD length = kKeyNameBuffer;
            const LONG status = enumW(key, index, name, &length, nullptr, nullptr, nullptr, &written);
            // Windows 9x answers the UTF-16 call with "not implemented":
            // every name there is ANSI, so the ANSI call serves.
            if (status == ERROR_CALL_NOT_IMPLEMENTED && index == 0) {
                wide = false;
            } else {
                // Any answer but success ends the list: an enumeration that
                // keeps failing would otherwise never end.
                if (status != ERROR_SUCCESS) break;
                std::string ansi;
                const bool exact = toExactAnsi(name, length, ansi);
                sortName(ansi, exact, list);
                continue;
            }
        }
        char name[kKeyNameBuffer];
        DWORD length = kKeyNameBuffer;
        if (RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, &written) != ERROR_SUCCESS) break;
        sortName(std::string(name, length), true, list);
    }
    RegCloseKey(key);
    return list;
}

std::vector<std::string> subkeysOf(HKEY hive, const std::string& path) { return subkeyListOf(hive, path).names; }

std::string leftAloneNote(const std::vector<std::string>& leftAlone) {
    if (leftAlone.empty()) return std::string();
    std::string names;
    for (const std::string& name : leftAlone) names += (names.empty() ? "\"" : ", \"") + name + "\"";
    return std::string("Left alone, a name a backup cannot hold: adapter ") +
           (leftAlone.size() == 1 ? "key " : "keys ") + names + " (not backed up, not tuned).";
}

CurrentValue currentValueOf(const RegistryOperation& op) {
    CurrentValue current;
    HKEY key = nullptr;
    if (RegOpenKeyExA(hiveKey(op.hive), op.keyPath.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return current;
    BYTE data[kKeyNameBuffer * 4] = {};
    DWORD size = sizeof data - 1, type = 0;
    const LONG status = RegQueryValueExA(key, op.valueName.empty() ? nullptr : op.valueName.c_str(), nullptr,
                                         &type, data, &size);
    RegCloseKey(key);
    if (status == ERROR_MORE_DATA) {
        current.present = true;
        current.type = type;
        current.text = valueText(type, std::string(), size);
        return current;
    }
    if (status != ERROR_SUCCESS) return current;
    current.present = true;
    current.type = type;
    current.text = valueText(type, std::string(reinterpret_cast<const char*>(data), size), size);
    return current;
}

std::string systemErrorText(long code) {
    char buffer[kErrorTextBuffer] = {};
    const DWORD length =
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, static_cast<DWORD>(code),
                       0, buffer, kErrorTextBuffer, nullptr);
    std::string text(buffer, length);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ')) text.pop_back();
    if (text.empty()) text = "error " + std::to_string(code);
    return text;
}

}  // namespace quellar::win
