#pragma once
// Carrying out computed registry operations, and the registry look-ups the
// computations need.
#include <windows.h>

#include <string>
#include <vector>

#include "core/preview.h"
#include "core/regops.h"

namespace quellar::tuning {

HKEY hiveKey(Hive hive);

// One operation through settings::writeRegValue: 0 on success, else the
// Windows code. Removing a value that is not there is a success.
long writeOperation(const RegistryOperation& op);

// Every operation in order, failures collected (none is skipped).
ExecutionReport carryOutInRegistry(const std::vector<RegistryOperation>& operations);

// The names of the direct subkeys of `path`, in the registry's enumeration
// order; empty when the key has none or cannot be opened.
std::vector<std::string> subkeysOf(HKEY hive, const std::string& path);

// What the value an operation touches holds now: a REG_DWORD as an unsigned
// decimal number, a REG_SZ as its text; absent when it cannot be read.
preview::CurrentValue currentValueOf(const RegistryOperation& op);

// The system's text for a Windows error code, without the trailing line
// end; "error N" when the system has none.
std::string systemErrorText(long code);

}  // namespace quellar::tuning
