// The Windows 9x personality itself: that it makes W functions fail as
// Windows 95 and 98 do, and only under it.
#include <doctest/doctest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/ninex_win.h"
#include "support/process_win.h"

using namespace quellar::testing;

namespace {

// Runs the probe, with or without the personality, and returns what it
// printed.
std::string probeOutput(bool windows9x) {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string outPath = std::string(temp) + "ninex-probe.out";
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE out = CreateFileA(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    REQUIRE(out != INVALID_HANDLE_VALUE);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = out;
    si.hStdError = out;
    const std::string exe = testProgramFolder() + "\\ninex_probe.exe";
    std::string cmd = "\"" + exe + "\"";
    PROCESS_INFORMATION pi{};
    std::string why;
    const bool started = windows9x ? startWithWindows9xPersonality(exe, cmd, "", pi, why, &si, TRUE)
                                   : CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                                    &si, &pi) != FALSE;
    CloseHandle(out);
    REQUIRE_MESSAGE(started, why);
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(pi.hProcess, 20000) == WAIT_OBJECT_0) GetExitCodeProcess(pi.hProcess, &code);
    else TerminateProcess(pi.hProcess, 98);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    CHECK(code == 0);
    std::string text;
    HANDLE in = CreateFileA(outPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    char buffer[256];
    DWORD read = 0;
    if (in != INVALID_HANDLE_VALUE) {
        while (ReadFile(in, buffer, sizeof buffer, &read, nullptr) && read > 0) text.append(buffer, read);
        CloseHandle(in);
    }
    DeleteFileA(outPath.c_str());
    return text;
}

}  // namespace

TEST_CASE("the Windows 9x personality: W functions, imported or looked up, fail with error 120 under it only") {
    // Each line: result (1 = worked) and last error, imported call first.
    CHECK(probeOutput(false).rfind("1 0 1 0", 0) == 0);
    CHECK(probeOutput(true).rfind("0 120 0 120", 0) == 0);

    // The programs' own W imports (all from the runtime) are among those
    // stubbed, so the tests run under the personality meet them failing.
    const std::string exe = testProgramFolder() + "\\quellarc.exe";
    PROCESS_INFORMATION pi{};
    std::string why;
    std::vector<std::string> stubbed;
    REQUIRE_MESSAGE(startWithWindows9xPersonality(exe, "\"" + exe + "\" --version", "", pi, why, nullptr, FALSE,
                                                  &stubbed),
                    why);
    CHECK(WaitForSingleObject(pi.hProcess, 20000) == WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    CHECK(code == 0);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    CHECK(stubbed.size() >= 4);
    CHECK(std::find(stubbed.begin(), stubbed.end(), "GetModuleHandleW") != stubbed.end());
}
