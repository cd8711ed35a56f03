#include "win/registry_win.h"

#include <algorithm>
#include <array>

namespace quellar::win {

namespace {

// Closes the key it holds when the routine leaves, whichever way it leaves.
class OpenKey {
public:
    OpenKey() = default;
    ~OpenKey() {
        if (key_) RegCloseKey(key_);
    }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;

    HKEY get() const { return key_; }
    HKEY* out() { return &key_; }

private:
    HKEY key_ = nullptr;
};

// Registry key names hold at most 255 characters; one more for the NUL, so
// no subkey is ever too long for the enumeration buffer.
constexpr DWORD kKeyNameBuffer = 256;

// The class's name for the default (unnamed) value.
constexpr char kDefaultValueName[] = "*";

const char* classValueName(const std::string& name) {
    return name == kDefaultValueName ? "" : name.c_str();
}

LONG createKey(HKEY hive, const std::string& path, REGSAM access, OpenKey& key) {
    DWORD disposition = 0;
    return RegCreateKeyExA(hive, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr,
                           key.out(), &disposition);
}

LONG setValue(HKEY key, const char* name, DWORD type, const void* bytes, std::size_t size) {
    return RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(bytes), static_cast<DWORD>(size));
}

LONG setText(HKEY key, const char* name, const std::string& text) {
    const std::string bytes = textValueBytes(text);
    return setValue(key, name, REG_SZ, bytes.data(), bytes.size());
}

// The shared first steps of the class's two reads: the value's type and
// bytes, or false when the key or value cannot be read or the value is
// empty. A key that refuses full access is read read-only.
bool readClassValue(HKEY hive, const std::string& trimmedSection, const std::string& name,
                    DWORD& type, std::string& data) {
    OpenKey key;
    LONG status = RegOpenKeyExA(hive, trimmedSection.c_str(), 0, KEY_ALL_ACCESS, key.out());
    if (status == ERROR_ACCESS_DENIED) {
        status = RegOpenKeyExA(hive, trimmedSection.c_str(), 0, KEY_READ, key.out());
    }
    if (status != ERROR_SUCCESS) return false;

    const char* valueName = classValueName(name);
    DWORD size = 0;
    status = RegQueryValueExA(key.get(), valueName, nullptr, &type, nullptr, &size);
    if (status != ERROR_SUCCESS || size == 0) return false;
    data.assign(size, '\0');
    status = RegQueryValueExA(key.get(), valueName, nullptr, &type, reinterpret_cast<BYTE*>(&data[0]), &size);
    // The value may have changed between the two queries.
    if (status != ERROR_SUCCESS) return false;
    data.resize(size);
    return true;
}

}  // namespace

LONG writeRegValue(HKEY hive, const std::string& path, const std::string& name, DWORD type,
                   const RegScalar& value, bool deleteFlag) {
    OpenKey key;
    const LONG status = createKey(hive, path, KEY_READ | KEY_WRITE, key);
    if (status != ERROR_SUCCESS) return status;

    switch (type) {
        case REG_SZ: {
            if (deleteFlag) return RegDeleteValueA(key.get(), name.c_str());
            const std::optional<std::string> text = scalarText(value);
            if (!text) return ERROR_INVALID_PARAMETER;
            return setText(key.get(), name.c_str(), *text);
        }
        case REG_DWORD: {
            if (deleteFlag) return RegDeleteValueA(key.get(), name.c_str());
            const std::optional<std::int32_t> number = scalarToDword(value);
            if (!number) return ERROR_INVALID_PARAMETER;
            const std::array<unsigned char, 4> bytes = dwordBytes(*number);
            return setValue(key.get(), name.c_str(), REG_DWORD, bytes.data(), bytes.size());
        }
        default:
            // The key exists now all the same; only the two types above are
            // ever written, so anything else is the caller's mistake.
            return ERROR_INVALID_PARAMETER;
    }
}

LONG writeRegBytes(HKEY hive, const std::string& path, const std::string& name, DWORD type,
                   const std::string& bytes) {
    OpenKey key;
    const LONG status = createKey(hive, path, KEY_READ | KEY_WRITE, key);
    if (status != ERROR_SUCCESS) return status;
    return setValue(key.get(), name.c_str(), type, bytes.data(), bytes.size());
}

void writeRegString(HKEY hive, const std::string& path, const std::string& name,
                    const RegScalar& value) {
    writeRegValue(hive, path, name, REG_SZ, value, false);
}

std::string readRegString(HKEY hive, const std::string& path, const std::string& name,
                          const std::string& defaultValue) {
    OpenKey key;
    if (RegOpenKeyExA(hive, path.c_str(), 0, KEY_READ, key.out()) != ERROR_SUCCESS) return defaultValue;
    char buffer[kReadBufferSize];
    DWORD type = 0;
    DWORD size = sizeof buffer;
    const LONG status =
        RegQueryValueExA(key.get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    return shapeStringRead(status == ERROR_SUCCESS, buffer, size, defaultValue);
}

void saveProgramSetting(const std::string& path, const std::string& name, const RegScalar& value) {
    writeRegString(HKEY_LOCAL_MACHINE, path, name, value);
}

std::string loadProgramSetting(const std::string& path, const std::string& name,
                               const std::string& defaultValue) {
    return readRegString(HKEY_LOCAL_MACHINE, path, name, defaultValue);
}

bool RegistryAccess::deleteSetting(HKEY hive, const std::string& section, const std::string& name) const {
    if (!name.empty()) {
        OpenKey key;
        if (RegOpenKeyExA(hive, trimSlashes(section).c_str(), 0, KEY_ALL_ACCESS, key.out()) != ERROR_SUCCESS) {
            return false;
        }
        return RegDeleteValueA(key.get(), classValueName(name)) == ERROR_SUCCESS;
    }
    // An empty name would make the delete aim at the hive itself.
    if (section.empty()) return false;
    OpenKey hiveKey;
    if (RegOpenKeyExA(hive, nullptr, 0, KEY_ALL_ACCESS, hiveKey.out()) != ERROR_SUCCESS) return false;
    return RegDeleteKeyA(hiveKey.get(), section.c_str()) == ERROR_SUCCESS;
}

std::string RegistryAccess::readSetting(HKEY hive, const std::string& section, const std::string& name,
                                        const std::string& fallback) const {
    DWORD type = 0;
    std::string data;
    if (!readClassValue(hive, trimSlashes(section), name, type, data)) return fallback;
    return textFromData(data.data(), data.size());
}

bool RegistryAccess::saveSetting(HKEY hive, const std::string& section, const std::string& name,
                                 const std::string& value) const {
    OpenKey key;
    if (createKey(hive, trimSlashes(section), KEY_ALL_ACCESS, key) != ERROR_SUCCESS) return false;
    return setText(key.get(), classValueName(name), value) == ERROR_SUCCESS;
}

std::vector<std::string> RegistryAccess::subkeyNames(HKEY hive, const std::string& path) const {
    std::vector<std::string> names;
    OpenKey key;
    if (RegOpenKeyA(hive, path.c_str(), key.out()) != ERROR_SUCCESS) return names;
    char buffer[kKeyNameBuffer];
    for (DWORD index = 0; RegEnumKeyA(key.get(), index, buffer, kKeyNameBuffer) == ERROR_SUCCESS; ++index) {
        names.emplace_back(buffer, std::find(buffer, buffer + kKeyNameBuffer, '\0'));
    }
    return names;
}

double RegistryAccess::readNumber(HKEY hive, const std::string& section, const std::string& name,
                                  double ignoredDefault) const {
    (void)ignoredDefault;
    DWORD type = 0;
    std::string data;
    if (!readClassValue(hive, trimSlashes(section), name, type, data)) return 0;
    return numberFromData(type, reinterpret_cast<const unsigned char*>(data.data()), data.size());
}

}  // namespace quellar::win
