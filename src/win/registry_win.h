#pragma once
// Registry access for the program's own settings and for the system keys it
// tunes. Nothing here keeps state: every call opens (or creates) the key it
// needs, does its one read or write and closes the key again, on every path.
// No call throws; reads fall back to their default, writes report through
// their result. Byte layouts and conversions live in core/regformat.h.
#include <windows.h>

#include <string>
#include <vector>

#include "core/regformat.h"

namespace quellar::win {

// Writes (or, with deleteFlag, deletes) one value. The key is created with
// any missing parents first, and stays even when the value is deleted.
// type REG_SZ: the value's text and one NUL; REG_DWORD: four bytes, least
// significant first. An empty name is the key's default value. Returns the
// Windows code of the create, write or delete (ERROR_SUCCESS on success);
// ERROR_INVALID_PARAMETER when the type is neither REG_SZ nor REG_DWORD or
// the value cannot be stored as that type (nothing is written then).
LONG writeRegValue(HKEY hive, const std::string& path, const std::string& name, DWORD type,
                   const RegScalar& value, bool deleteFlag);

// Stores `bytes` exactly, under any registry type, creating the key (and
// any missing parents) first. Returns the Windows code of the create or write.
LONG writeRegBytes(HKEY hive, const std::string& path, const std::string& name, DWORD type,
                   const std::string& bytes);

// writeRegValue with REG_SZ, the result dropped.
void writeRegString(HKEY hive, const std::string& path, const std::string& name,
                    const RegScalar& value);

// The stored text (without its NUL) or, when the key or value is missing or
// the data does not fit kReadBufferSize bytes, `defaultValue` unchanged.
std::string readRegString(HKEY hive, const std::string& path, const std::string& name,
                          const std::string& defaultValue);

// writeRegString / readRegString under HKEY_LOCAL_MACHINE. `path` is the
// settings root with an area appended, e.g. settingsKey(kAreaNetPinger).
void saveProgramSetting(const std::string& path, const std::string& name, const RegScalar& value);
std::string loadProgramSetting(const std::string& path, const std::string& name,
                               const std::string& defaultValue);

// A general registry class. Section paths may carry one leading and one
// trailing backslash; the value name "*" stands for the default value.
class RegistryAccess {
public:
    // An empty name deletes the key `section` itself (it must have no subkeys
    // on the NT family); otherwise deletes the value. True on success.
    bool deleteSetting(HKEY hive, const std::string& section, const std::string& name) const;

    // The value's text without its NUL, or fallback when it cannot be read
    // or is empty.
    std::string readSetting(HKEY hive, const std::string& section, const std::string& name,
                            const std::string& fallback) const;

    // Creates the key when needed and writes value as REG_SZ; true when the
    // write succeeded.
    bool saveSetting(HKEY hive, const std::string& section, const std::string& name,
                     const std::string& value) const;

    // The names of the direct subkeys of path, in the registry's order;
    // empty when there are none or the key cannot be opened.
    std::vector<std::string> subkeyNames(HKEY hive, const std::string& path) const;

    // The value as a number (see numberFromData): REG_SZ by its leading
    // digits, other types as unsigned little-endian bytes. A missing key or
    // value gives 0; ignoredDefault is accepted for callers' sake and not used.
    double readNumber(HKEY hive, const std::string& section, const std::string& name,
                      double ignoredDefault = 0) const;
};

}  // namespace quellar::win
