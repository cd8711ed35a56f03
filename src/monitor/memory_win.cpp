#include "monitor/memory_win.h"

#include <windows.h>

#include "monitor/cpumeter_win.h"
#include "win/library_win.h"

namespace quellar::monitor {

namespace {

// GlobalMemoryStatusEx's record, declared here because the headers offer it
// only to programs built for Windows 2000 and later, and this one also runs
// where the function does not exist.
struct MemoryStatusEx {
    DWORD dwLength;
    DWORD dwMemoryLoad;
    DWORDLONG ullTotalPhys;
    DWORDLONG ullAvailPhys;
    DWORDLONG ullTotalPageFile;
    DWORDLONG ullAvailPageFile;
    DWORDLONG ullTotalVirtual;
    DWORDLONG ullAvailVirtual;
    DWORDLONG ullAvailExtendedVirtual;
};
static_assert(sizeof(MemoryStatusEx) == 64, "the system's record is 64 bytes");

using StatusExFn = BOOL(WINAPI*)(MemoryStatusEx*);

StatusExFn statusEx() {
    static const StatusExFn fn = win::systemFunction<StatusExFn>("kernel32.dll", "GlobalMemoryStatusEx");
    return fn;
}

}  // namespace

MemoryStatus readMemoryStatus() {
    MemoryStatus status;
    if (StatusExFn fn = statusEx()) {
        MemoryStatusEx ex{};
        ex.dwLength = sizeof ex;
        if (fn(&ex)) {
            status.memoryLoad = ex.dwMemoryLoad;
            status.totalPhysical = ex.ullTotalPhys;
            status.availPhysical = ex.ullAvailPhys;
            status.totalPageFile = ex.ullTotalPageFile;
            status.availPageFile = ex.ullAvailPageFile;
            status.totalVirtual = ex.ullTotalVirtual;
            status.availVirtual = ex.ullAvailVirtual;
            return status;
        }
    }
    MEMORYSTATUS plain{};
    plain.dwLength = sizeof plain;
    GlobalMemoryStatus(&plain);
    status.memoryLoad = plain.dwMemoryLoad;
    status.totalPhysical = plain.dwTotalPhys;
    status.availPhysical = plain.dwAvailPhys;
    status.totalPageFile = plain.dwTotalPageFile;
    status.availPageFile = plain.dwAvailPageFile;
    status.totalVirtual = plain.dwTotalVirtual;
    status.availVirtual = plain.dwAvailVirtual;
    return status;
}

void yieldToMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Left for the program's own message loop, which ends on it.
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void installWin32MonitorHooks() {
    monitorHooks().memoryStatus = readMemoryStatus;
    monitorHooks().yield = yieldToMessages;
    monitorHooks().makeProcessorMeter = createProcessorMeter;
}

bool isWindowsNt() {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;  // 148
    GetVersionExA(&info);
    return info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

}  // namespace quellar::monitor
