#include "win/regops_win.h"

#include "win/registry_win.h"

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
