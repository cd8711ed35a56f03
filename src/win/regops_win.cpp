#include "win/regops_win.h"

#include "win/registry_win.h"

#include <cstring>

namespace quellar::tuning {

namespace {
// Key names hold at most 255 characters, plus the terminating NUL.
constexpr DWORD kKeyNameBuffer = 256;
constexpr DWORD kErrorTextBuffer = 512;
}  // namespace

HKEY hiveKey(Hive hive) { return hive == Hive::CurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE; }

long writeOperation(const RegistryOperation& op) {
    const LONG status = settings::writeRegValue(hiveKey(op.hive), op.keyPath, op.valueName, op.type,
                                                static_cast<double>(op.value), op.remove);
    if (op.remove && status == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
    return status;
}

ExecutionReport carryOutInRegistry(const std::vector<RegistryOperation>& operations) {
    return carryOut(operations, writeOperation);
}

std::vector<std::string> subkeysOf(HKEY hive, const std::string& path) {
    std::vector<std::string> names;
    HKEY key = nullptr;
    if (RegOpenKeyA(hive, path.c_str(), &key) != ERROR_SUCCESS) return names;
    for (DWORD index = 0;; ++index) {
        char name[kKeyNameBuffer];
        DWORD length = kKeyNameBuffer;
        FILETIME written;
        // Any answer but success ends the list: an enumeration that keeps
        // failing would otherwise never end.
        if (RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, &written) != ERROR_SUCCESS) break;
        names.emplace_back(name, length);
    }
    RegCloseKey(key);
    return names;
}

preview::CurrentValue currentValueOf(const RegistryOperation& op) {
    preview::CurrentValue current;
    HKEY key = nullptr;
    if (RegOpenKeyExA(hiveKey(op.hive), op.keyPath.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return current;
    BYTE data[kKeyNameBuffer * 4] = {};
    DWORD size = sizeof data - 1, type = 0;
    const LONG status = RegQueryValueExA(key, op.valueName.empty() ? nullptr : op.valueName.c_str(), nullptr,
                                         &type, data, &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) return current;
    current.present = true;
    current.type = type;
    if (type == REG_DWORD && size == sizeof(DWORD)) {
        DWORD number = 0;
        memcpy(&number, data, sizeof number);
        current.text = std::to_string(number);
    } else if (type == REG_SZ || type == REG_EXPAND_SZ) {
        current.text = std::string(reinterpret_cast<const char*>(data), size > 0 && data[size - 1] == 0 ? size - 1 : size);
    } else {
        current.text = "(" + std::to_string(size) + " bytes)";
    }
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

}  // namespace quellar::tuning
