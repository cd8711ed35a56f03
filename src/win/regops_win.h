#pragma once
// Carrying out computed registry operations, and the registry look-ups the
// computations need.
#include <windows.h>

#include <string>
#include <vector>

#include "core/preview.h"
#include "core/regops.h"

namespace quellar::win {

HKEY hiveKey(Hive hive);

// One operation: 0 on success, else the Windows code. A write creates its
// key when missing (through writeRegValue; an exact one stores
// its type and bytes as they are). A removal never creates a key: a value
// or key that is not there is a success.
long writeOperation(const RegistryOperation& op);

// Every operation in order, failures collected (none is skipped).
ExecutionReport carryOutInRegistry(const std::vector<RegistryOperation>& operations);

struct SubkeyList {
    // The direct subkeys a backup can record and an apply may open by name,
    // in the registry's enumeration order.
    std::vector<std::string> names;
    // The others, as far as they can be shown: a name outside the system's
    // code page (its ANSI form would open another key, or none) or one
    // holding a control character. They are left alone.
    std::vector<std::string> leftAlone;
};

// The subkeys of `path`; empty when the key has none or cannot be opened.
// Names are enumerated in UTF-16 where the system can (on 9x every name is
// ANSI already), so a name is never taken for the question marks it shows.
SubkeyList subkeyListOf(HKEY hive, const std::string& path);

// subkeyListOf(...).names.
std::vector<std::string> subkeysOf(HKEY hive, const std::string& path);

// "Left alone, a name a backup cannot hold: adapter key "??" ..." for the
// notice, the preview and the console; empty when none was.
std::string leftAloneNote(const std::vector<std::string>& leftAlone);

// What the value an operation touches holds now: a REG_DWORD as an unsigned
// decimal number, a REG_SZ as its text; absent when it cannot be read.
CurrentValue currentValueOf(const RegistryOperation& op);

// The system's text for a Windows error code, without the trailing line
// end; "error N" when the system has none.
std::string systemErrorText(long code);

}  // namespace quellar::win
