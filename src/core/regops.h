#pragma once
// A registry change as data: which value of which key is set to which
// number, or removed. The apply path and the restore path first compute the
// whole list of such operations (portable, so it can be tested natively and
// shown before it happens) and only then carry it out through a writer that
// the Win32 layer supplies.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace quellar {

enum class Hive { LocalMachine, CurrentUser };

// "HKEY_LOCAL_MACHINE" / "HKEY_CURRENT_USER".
const char* hiveName(Hive hive);

struct RegistryOperation {
    Hive hive = Hive::LocalMachine;
    std::string keyPath;        // relative to the hive
    std::string valueName;      // empty: the key's default value
    unsigned long type = 0;     // kTypeText or kTypeDword (core/regformat.h)
    // A REG_SZ value stores this number as decimal text; a REG_DWORD its low
    // 32 bits (so 4294967295 and -1 both store four 0xFF bytes).
    std::int64_t value = 0;
    bool remove = false;        // delete the value instead of writing it
    // A value a backup recorded in its typed form: `data` is stored as it
    // is under `type` (any registry type), and `value` is not used.
    bool exact = false;
    std::string data{};
    // A removal a backup recorded for a value whose key did not exist: how
    // many of the key path's last names were missing. A restore removes
    // those keys again once nothing is left in them.
    int absentKeyLevels = 0;

    bool operator==(const RegistryOperation& other) const;
    bool operator!=(const RegistryOperation& other) const { return !(*this == other); }
};

// "HKEY_LOCAL_MACHINE\<key>\<name>", for messages ("(Default)" for the
// unnamed value).
std::string describeTarget(const RegistryOperation& op);

// One operation that did not succeed, with the system's error code.
struct WriteFailure {
    RegistryOperation operation;
    long code = 0;
};

struct ExecutionReport {
    std::size_t attempted = 0;
    std::vector<WriteFailure> failures;
    bool ok() const { return failures.empty(); }
};

// Carries out one operation; returns 0 on success, else the system's error
// code. Removing a value that is not there counts as success.
using OperationWriter = std::function<long(const RegistryOperation&)>;

// Runs every operation in order, also after one has failed, and collects
// the failures.
ExecutionReport carryOut(const std::vector<RegistryOperation>& operations, const OperationWriter& write);

// The system's text for an error code (FormatMessage on Windows).
using ErrorText = std::function<std::string(long code)>;

// What the user reads when some writes failed: `headline` (e.g. "3 of 21
// TCP/IP values could not be written to the registry."), then the failed
// values with the system's reason, at most kListedFailures of them.
std::string failureMessage(const std::string& headline, const ExecutionReport& report,
                           const ErrorText& errorText);

inline constexpr std::size_t kListedFailures = 6;

// The caption of every message the tuning and backup paths show.
inline constexpr char kMessageCaption[] = "Quellar";

}  // namespace quellar
