// The program sitting hidden in the tray: starts it with the start-in-tray
// option and every other setting at its default, lets it settle, and
// reports over the next minute its processor time (and that of Wine's
// server, which carries its system calls), and its handle, GDI-object and
// memory counts before and after.
//
// Wine reports no processor times or handle counts for another process, so
// the times come from Linux's /proc through Wine's Z: drive (the program's
// process is the one running quellar.exe with this run's WINEPREFIX), the
// handles by duplicating every possible handle value, and the GDI objects
// from the program's GDI handle table, read out of its memory.
#include <windows.h>
#include <psapi.h>
#include <winternl.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/benchclock_win.h"

namespace {

const char* const kMainSettings = "SOFTWARE\\BRD\\Quellar\\Settings\\MainSettings";
const char* const kStartInTray = "chkRunProgramMini";
constexpr double kClockTicksPerSecond = 100.0;  // Linux's USER_HZ

std::string readFile(const std::string& path) {
    std::string text;
    FILE* in = std::fopen(path.c_str(), "rb");
    if (!in) return text;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0) text.append(buffer, n);
    std::fclose(in);
    return text;
}

// Linux processes of this Wine prefix whose program (the command line's
// first word) has `name` in it ("wineserver" is wineserver32 or
// wineserver64 on some systems).
std::vector<std::string> linuxProcesses(const std::string& name) {
    char prefix[MAX_PATH] = {};
    GetEnvironmentVariableA("WINEPREFIX", prefix, sizeof prefix);
    const std::string mark = std::string("WINEPREFIX=") + prefix;
    std::vector<std::string> found;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA("Z:\\proc\\*", &entry);
    if (search == INVALID_HANDLE_VALUE) return found;
    do {
        if (entry.cFileName[0] < '0' || entry.cFileName[0] > '9') continue;
        const std::string dir = std::string("Z:\\proc\\") + entry.cFileName;
        const std::string cmdline = readFile(dir + "\\cmdline");
        const std::string program = cmdline.substr(0, cmdline.find('\0'));
        if (program.find(name) == std::string::npos) continue;
        std::string environment = readFile(dir + "\\environ");
        for (char& c : environment) c = c ? c : '\n';
        if (!prefix[0] || (environment + "\n").find(mark + "\n") != std::string::npos) found.push_back(dir);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return found;
}

// User plus system time of a Linux process, seconds.
double processorSeconds(const std::string& dir) {
    const std::string stat = readFile(dir + "\\stat");
    const size_t end = stat.rfind(')');
    if (end == std::string::npos) return 0;
    // After the command's closing parenthesis: state is field 3, utime 14,
    // stime 15.
    std::vector<std::string> fields;
    size_t i = end + 2;
    while (i < stat.size()) {
        size_t space = stat.find(' ', i);
        if (space == std::string::npos) space = stat.size();
        fields.push_back(stat.substr(i, space - i));
        i = space + 1;
    }
    if (fields.size() < 13) return 0;
    return (std::atof(fields[11].c_str()) + std::atof(fields[12].c_str())) / kClockTicksPerSecond;
}

double totalSeconds(const std::vector<std::string>& dirs) {
    double total = 0;
    for (const std::string& dir : dirs) total += processorSeconds(dir);
    return total;
}

DWORD handleCount(HANDLE process) {
    DWORD count = 0;
    for (std::uintptr_t value = 4; value < 0x20000; value += 4) {
        HANDLE copy = nullptr;
        if (DuplicateHandle(process, reinterpret_cast<HANDLE>(value), GetCurrentProcess(), &copy, 0, FALSE,
                            DUPLICATE_SAME_ACCESS)) {
            CloseHandle(copy);
            ++count;
        }
    }
    return count;
}

DWORD gdiObjectCount(HANDLE process) {
    if (const DWORD count = GetGuiResources(process, 0 /* GR_GDIOBJECTS */)) return count;
    using QueryFn = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
    auto query = reinterpret_cast<QueryFn>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
    PROCESS_BASIC_INFORMATION basic{};
    if (!query || query(process, ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0) return 0;
    // Wine's table: 65,536 entries of 24 bytes, the object type at byte 14.
    constexpr size_t kTableOffset = sizeof(void*) == 4 ? 0x94 : 0xF8;
    constexpr size_t kEntries = 0x10000;
    constexpr size_t kEntrySize = 24;
    void* table = nullptr;
    SIZE_T read = 0;
    if (!ReadProcessMemory(process, static_cast<char*>(static_cast<void*>(basic.PebBaseAddress)) + kTableOffset,
                           &table, sizeof table, &read) ||
        !table)
        return 0;
    std::vector<unsigned char> entries(kEntries * kEntrySize);
    if (!ReadProcessMemory(process, table, entries.data(), entries.size(), &read)) return 0;
    DWORD count = 0;
    for (size_t i = 0; i < kEntries; ++i) count += entries[i * kEntrySize + 14] != 0;
    return count;
}

struct Counts {
    DWORD handles = 0;
    DWORD gdiObjects = 0;
    SIZE_T privateBytes = 0;
    SIZE_T workingSet = 0;
};

Counts countsOf(HANDLE process) {
    Counts counts;
    counts.handles = handleCount(process);
    counts.gdiObjects = gdiObjectCount(process);
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(process, &memory, sizeof memory)) {
        counts.privateBytes = memory.PagefileUsage;
        counts.workingSet = memory.WorkingSetSize;
    }
    return counts;
}

// The stored start-in-tray option, to put back afterwards (empty: none).
std::string setStartInTray() {
    HKEY key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kMainSettings, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return {};
    char old[16] = {};
    DWORD size = sizeof old - 1;
    const bool had = RegQueryValueExA(key, kStartInTray, nullptr, nullptr, reinterpret_cast<BYTE*>(old), &size) ==
                     ERROR_SUCCESS;
    RegSetValueExA(key, kStartInTray, 0, REG_SZ, reinterpret_cast<const BYTE*>("1"), 2);
    RegCloseKey(key);
    return had ? std::string(old) : std::string();
}

void restoreStartInTray(const std::string& old) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kMainSettings, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
    if (old.empty()) RegDeleteValueA(key, kStartInTray);
    else RegSetValueExA(key, kStartInTray, 0, REG_SZ, reinterpret_cast<const BYTE*>(old.c_str()),
                        static_cast<DWORD>(old.size() + 1));
    RegCloseKey(key);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::printf("usage: bench_idle program.exe [seconds]\n");
        return 2;
    }
    const int seconds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 60;
    const std::string oldStartInTray = setStartInTray();
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::string cmd = argv[1];
    if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        restoreStartInTray(oldStartInTray);
        std::printf("%s did not start\n", argv[1]);
        return 1;
    }
    HWND window = nullptr;
    for (int i = 0; i < 2000 && !window; ++i) {
        window = quellar::bench::windowOfProcess(pi.dwProcessId, [](HWND hwnd) {
            char name[64] = {};
            GetClassNameA(hwnd, name, sizeof name);
            return std::strcmp(name, "QuellarMain") == 0;
        });
        if (!window) Sleep(10);
    }
    Sleep(5000);  // past start-up, its balloon and the first ticks
    const bool hidden = window && !IsWindowVisible(window);
    const std::vector<std::string> program = linuxProcesses(argv[1]);
    const std::vector<std::string> server = linuxProcesses("wineserver");

    const Counts before = countsOf(pi.hProcess);
    const double programStart = totalSeconds(program);
    const double serverStart = totalSeconds(server);
    const DWORD clockStart = GetTickCount();
    Sleep(static_cast<DWORD>(seconds) * 1000);
    const double elapsed = (GetTickCount() - clockStart) / 1000.0;
    const double programUsed = totalSeconds(program) - programStart;
    const double serverUsed = totalSeconds(server) - serverStart;
    const Counts after = countsOf(pi.hProcess);

    if (window) PostMessageA(window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    restoreStartInTray(oldStartInTray);

    std::printf("%s hidden in the tray for %.0f s, every timer at its default%s:\n", argv[1], elapsed,
                hidden ? "" : " (its window was NOT hidden)");
    if (program.empty()) {
        std::printf("  processor time: its Linux process was not found\n");
    } else {
        std::printf("  processor time %.2f s = %.2f%% of one core (goal <= 1%%)\n", programUsed,
                    100.0 * programUsed / elapsed);
    }
    if (!server.empty()) {
        std::printf("  Wine's server meanwhile (for every process of the prefix) %.2f s = %.2f%%\n", serverUsed,
                    100.0 * serverUsed / elapsed);
    }
    std::printf("  handles %lu -> %lu, GDI objects %lu -> %lu, private bytes %lu KB -> %lu KB, working set %lu KB -> %lu KB\n",
                static_cast<unsigned long>(before.handles), static_cast<unsigned long>(after.handles),
                static_cast<unsigned long>(before.gdiObjects), static_cast<unsigned long>(after.gdiObjects),
                static_cast<unsigned long>(before.privateBytes / 1024), static_cast<unsigned long>(after.privateBytes / 1024),
                static_cast<unsigned long>(before.workingSet / 1024), static_cast<unsigned long>(after.workingSet / 1024));
    return 0;
}
