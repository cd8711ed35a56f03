#include "app/addons_win.h"

#include <windows.h>

#include "core/effects.h"

namespace quellar::app {

namespace {
const char* const kShutdownPrivilege = "SeShutdownPrivilege";
// The reserved argument of the restart request: all bits set.
constexpr unsigned long kRestartReserved = 0xFFFFFFFFUL;
}  // namespace

void enableShutdownPrivilege() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        return;
    TOKEN_PRIVILEGES wanted{};
    wanted.PrivilegeCount = 1;
    wanted.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (LookupPrivilegeValueA(nullptr, kShutdownPrivilege, &wanted.Privileges[0].Luid)) {
        TOKEN_PRIVILEGES previous{};
        DWORD previousLength = 0;
        AdjustTokenPrivileges(token, FALSE, &wanted, sizeof previous, &previous, &previousLength);
    }
    // The privilege lives on in the process token; this handle is only ours.
    CloseHandle(token);
}

int requestWindowsRestart() {
    enableShutdownPrivilege();
    return effects().exitWindows(EWX_REBOOT, kRestartReserved);
}

}  // namespace quellar::app
