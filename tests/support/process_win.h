#pragma once
// Starting the real program from a test, under the Windows version a test
// asks Wine to report to it.
#include <windows.h>

#include <string>
#include <vector>

#include "support/ninex_win.h"

namespace quellar::testing {

// The folder of the running test program (quellar.exe is built beside it).
inline std::string testProgramFolder() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path);
    return folder.substr(0, folder.find_last_of('\\'));
}

// Wine reads HKCU\Software\Wine\AppDefaults\<exe>\Version when a process
// starts; an empty mode removes the setting.
inline void setWineVersionFor(const std::string& exeName, const std::string& mode) {
    std::string key = "Software\\Wine\\AppDefaults\\" + exeName;
    HKEY hkey;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &hkey, nullptr) != ERROR_SUCCESS)
        return;
    if (mode.empty()) {
        RegDeleteValueA(hkey, "Version");
    } else {
        RegSetValueExA(hkey, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(mode.c_str()),
                       static_cast<DWORD>(mode.size() + 1));
    }
    RegCloseKey(hkey);
}

class ChildProcess {
public:
    // With the Windows 9x personality when `windows9xExe` names the program.
    explicit ChildProcess(const std::string& commandLine, const std::string& folder = "",
                          const std::string& windows9xExe = "") {
        if (!windows9xExe.empty()) {
            started_ = startWithWindows9xPersonality(windows9xExe, commandLine, folder, pi_, error_);
            return;
        }
        STARTUPINFOA si{};
        si.cb = sizeof si;
        std::vector<char> cmd(commandLine.begin(), commandLine.end());
        cmd.push_back('\0');
        started_ = CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                  folder.empty() ? nullptr : folder.c_str(), &si, &pi_) != FALSE;
    }
    ~ChildProcess() {
        if (!started_) return;
        if (WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(pi_.hProcess, 99);
            WaitForSingleObject(pi_.hProcess, 5000);
        }
        CloseHandle(pi_.hThread);
        CloseHandle(pi_.hProcess);
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return started_; }
    // Why the personality could not be given, when it could not.
    const std::string& error() const { return error_; }
    DWORD id() const { return pi_.dwProcessId; }
    // True once the program has handled everything of its start-up and
    // waits for input.
    bool waitIdle(DWORD timeoutMs) { return started_ && WaitForInputIdle(pi_.hProcess, timeoutMs) == 0; }
    // Exit code, or STILL_ACTIVE when it has not ended within the time.
    DWORD waitExit(DWORD timeoutMs) {
        if (!started_ || WaitForSingleObject(pi_.hProcess, timeoutMs) != WAIT_OBJECT_0)
            return STILL_ACTIVE;
        DWORD code = 0;
        GetExitCodeProcess(pi_.hProcess, &code);
        return code;
    }

private:
    bool started_ = false;
    PROCESS_INFORMATION pi_{};
    std::string error_;
};

struct FoundWindow {
    DWORD pid;
    std::string cls;
    HWND hwnd;
};

inline BOOL CALLBACK matchTopLevel(HWND hwnd, LPARAM lParam) {
    auto* s = reinterpret_cast<FoundWindow*>(lParam);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    char name[256] = {};
    GetClassNameA(hwnd, name, sizeof name);
    if (owner == s->pid && s->cls == name) {
        s->hwnd = hwnd;
        return FALSE;
    }
    return TRUE;
}

// The first top-level window of the process with that class name.
inline HWND topLevelWindowOf(DWORD pid, const std::string& cls) {
    FoundWindow search{pid, cls, nullptr};
    EnumWindows(matchTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.hwnd;
}

}  // namespace quellar::testing
