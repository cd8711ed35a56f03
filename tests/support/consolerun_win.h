#pragma once
// Running the console program as a logon script does, for tests: its exit
// code and its two output streams (with the Windows 9x personality where a
// test asks), the probe that runs it inside a test's registry and program
// folder, and comparing registry snapshots.
#include <doctest/doctest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "core/regops.h"
#include "support/ninex_win.h"
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

// A console program started with its standard output and error in files
// (standard output in `outPath` instead, when given); with the Windows 9x
// personality when `ninexExe` names its program.
struct ConsoleStarted {
    PROCESS_INFORMATION pi{};
    std::string base;
};

inline ConsoleStarted startConsoleProgram(const std::string& commandLine, const std::string& tag = "0",
                            const std::string& outPath = std::string(), const std::string& ninexExe = "") {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    ConsoleStarted started;
    started.base = std::string(temp) + "quellarc-" + std::to_string(GetCurrentProcessId()) + "-" + tag;
    HANDLE out = inheritableFile(outPath.empty() ? started.base + ".out" : outPath);
    HANDLE err = inheritableFile(started.base + ".err");
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = nullptr;
    si.hStdOutput = out;
    si.hStdError = err;
    std::string cmd = commandLine;
    std::string why;
    const bool ok =
        ninexExe.empty()
            ? CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, TRUE, 0, nullptr, testProgramFolder().c_str(), &si,
                             &started.pi) != FALSE
            : startWithWindows9xPersonality(ninexExe, commandLine, testProgramFolder(), started.pi, why, &si, TRUE);
    CloseHandle(out);
    CloseHandle(err);
    REQUIRE_MESSAGE(ok, commandLine << " " << why);
    return started;
}

inline Run finishConsoleProgram(ConsoleStarted& started) {
    Run run;
    if (WaitForSingleObject(started.pi.hProcess, 60000) == WAIT_OBJECT_0) {
        GetExitCodeProcess(started.pi.hProcess, &run.exit);
    } else {
        TerminateProcess(started.pi.hProcess, 98);
        WaitForSingleObject(started.pi.hProcess, 5000);
    }
    CloseHandle(started.pi.hThread);
    CloseHandle(started.pi.hProcess);
    run.out = readFile(started.base + ".out");
    run.err = readFile(started.base + ".err");
    DeleteFileA((started.base + ".out").c_str());
    DeleteFileA((started.base + ".err").c_str());
    return run;
}

// Runs a console program to its end.
inline Run runConsoleProgram(const std::string& commandLine, const std::string& outPath = std::string()) {
    ConsoleStarted started = startConsoleProgram(commandLine, "0", outPath);
    return finishConsoleProgram(started);
}

inline bool has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The console program inside this test's sandbox and scratch folder; with
// the Windows 9x personality when `windows9x`.
// The probe's word for "no redirection".
inline constexpr char kRealHives[] = "-";

struct ConsoleProbe {
    ConsoleProbe(const RegistrySandbox& sandbox, const ScratchProgramFolder& folder, bool windows9x = false)
        : ConsoleProbe(sandbox.scratchPath(), folder, windows9x) {}
    // kRealHives: the prefix's own registry (a throwaway prefix's).
    ConsoleProbe(const std::string& hives, const ScratchProgramFolder& folder, bool windows9x = false)
        : exe_(testProgramFolder() + "\\console_probe.exe"), windows9x_(windows9x) {
        SetEnvironmentVariableA("QUELLAR_PROBE_HIVES", hives.c_str());
        SetEnvironmentVariableA("QUELLAR_PROBE_FOLDER", folder.path().c_str());
    }
    ~ConsoleProbe() {
        SetEnvironmentVariableA("QUELLAR_PROBE_HIVES", nullptr);
        SetEnvironmentVariableA("QUELLAR_PROBE_FOLDER", nullptr);
    }
    static std::string commandLine(const std::string& arguments) {
        return "\"" + testProgramFolder() + "\\console_probe.exe\" " + arguments;
    }
    Run run(const std::string& arguments, const std::string& outPath = std::string()) const {
        ConsoleStarted started = startConsoleProgram(commandLine(arguments), "0", outPath, windows9x_ ? exe_ : "");
        const Run r = finishConsoleProgram(started);
        REQUIRE_MESSAGE(r.exit != 99, "the probe could not redirect the hives");
        return r;
    }

private:
    std::string exe_;
    bool windows9x_;
};

// The snapshot with `operations` carried out on it, as the registry writer
// stores them.
inline RegSnapshot carriedOut(RegSnapshot snap, const std::vector<RegistryOperation>& operations) {
    for (const RegistryOperation& op : operations) {
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
