#pragma once
// Running the console program as a logon script does, for tests: its exit
// code and its two output streams, the probe that runs it inside a test's
// registry and program folder, and comparing registry snapshots.
#include <doctest/doctest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "core/regops.h"
#include "support/process_win.h"
#include "support/tuningsandbox_win.h"

namespace quellar::testing {

struct Run {
    DWORD exit = STILL_ACTIVE;
    std::string out, err;
};

inline HANDLE inheritableFile(const std::string& path) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    return CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
}

// Runs a console program with its standard output and error in files.
inline Run runConsoleProgram(const std::string& commandLine) {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string base = std::string(temp) + "quellarc-" + std::to_string(GetCurrentProcessId());
    Run run;
    HANDLE out = inheritableFile(base + ".out");
    HANDLE err = inheritableFile(base + ".err");
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = nullptr;
    si.hStdOutput = out;
    si.hStdError = err;
    PROCESS_INFORMATION pi{};
    std::string cmd = commandLine;
    const bool started = CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, TRUE, 0, nullptr,
                                        testProgramFolder().c_str(), &si, &pi) != FALSE;
    CloseHandle(out);
    CloseHandle(err);
    REQUIRE_MESSAGE(started, commandLine);
    if (WaitForSingleObject(pi.hProcess, 60000) == WAIT_OBJECT_0) {
        GetExitCodeProcess(pi.hProcess, &run.exit);
    } else {
        TerminateProcess(pi.hProcess, 98);
        WaitForSingleObject(pi.hProcess, 5000);
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    run.out = readFile(base + ".out");
    run.err = readFile(base + ".err");
    DeleteFileA((base + ".out").c_str());
    DeleteFileA((base + ".err").c_str());
    return run;
}

inline bool has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The console program inside this test's sandbox and scratch folder.
// The probe's word for "no redirection".
inline constexpr char kRealHives[] = "-";

struct ConsoleProbe {
    ConsoleProbe(const RegistrySandbox& sandbox, const ScratchProgramFolder& folder)
        : ConsoleProbe(sandbox.scratchPath(), folder) {}
    // kRealHives: the prefix's own registry (a throwaway prefix's).
    ConsoleProbe(const std::string& hives, const ScratchProgramFolder& folder) {
        SetEnvironmentVariableA("QUELLAR_PROBE_HIVES", hives.c_str());
        SetEnvironmentVariableA("QUELLAR_PROBE_FOLDER", folder.path().c_str());
    }
    ~ConsoleProbe() {
        SetEnvironmentVariableA("QUELLAR_PROBE_HIVES", nullptr);
        SetEnvironmentVariableA("QUELLAR_PROBE_FOLDER", nullptr);
    }
    Run run(const std::string& arguments) const {
        const Run r = runConsoleProgram("\"" + testProgramFolder() + "\\console_probe.exe\" " + arguments);
        REQUIRE_MESSAGE(r.exit != 99, "the probe could not redirect the hives");
        return r;
    }
};

// The snapshot with `operations` carried out on it, as the registry writer
// stores them.
inline RegSnapshot carriedOut(RegSnapshot snap, const std::vector<tuning::RegistryOperation>& operations) {
    for (const tuning::RegistryOperation& op : operations) {
        const char* prefix = hivePrefix(op.hive);
        const std::string key = RegSnapshot::valueKey(prefix, op.keyPath, op.valueName);
        if (op.remove) {
            snap.values.erase(key);
            continue;
        }
        snap.addKey(prefix, op.keyPath);
        snap.values[key] = {static_cast<DWORD>(op.type),
                            op.type == REG_SZ ? szBytes(std::to_string(op.value))
                                              : dwordBytes(static_cast<std::uint32_t>(op.value))};
    }
    return snap;
}

// What differs between two snapshots, for a failing check.
inline std::string differences(const RegSnapshot& a, const RegSnapshot& b) {
    std::string text;
    for (const std::string& k : a.keys)
        if (!b.keys.count(k)) text += "key only before: " + k + "\n";
    for (const std::string& k : b.keys)
        if (!a.keys.count(k)) text += "key only after: " + k + "\n";
    for (const auto& v : a.values) {
        auto it = b.values.find(v.first);
        if (it == b.values.end()) text += "value only before: " + v.first + "\n";
        else if (it->second != v.second) text += "value differs: " + v.first + "\n";
    }
    for (const auto& v : b.values)
        if (!a.values.count(v.first)) text += "value only after: " + v.first + "\n";
    return text;
}

#define CHECK_SAME_REGISTRY(expected, actual)                                    \
    do {                                                                         \
        const RegSnapshot expectedSnap = (expected), actualSnap = (actual);      \
        CHECK_MESSAGE(expectedSnap == actualSnap, differences(expectedSnap, actualSnap)); \
    } while (0)

}  // namespace quellar::testing
