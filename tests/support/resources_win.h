#pragma once
// What this process holds: kernel handles, GDI objects and private memory,
// for tests that repeat something thousands of times and expect to hold no
// more afterwards. The system's own counters are used where they answer
// (GetProcessHandleCount, GetGuiResources); Wine answers 0 to both, so
// there the handles are counted by asking after every possible handle
// value, and the GDI objects from the process's GDI handle table.
#include <windows.h>
#include <winternl.h>

#include <cstddef>
#include <cstdint>

namespace quellar::testing {

template <typename Fn>
Fn lookUp(const char* module, const char* name) {
    HMODULE handle = GetModuleHandleA(module);
    if (!handle) handle = LoadLibraryA(module);
    return handle ? reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(handle, name))) : nullptr;
}

inline DWORD handleCount() {
    using CountFn = BOOL(WINAPI*)(HANDLE, DWORD*);
    DWORD count = 0;
    if (auto fn = lookUp<CountFn>("kernel32.dll", "GetProcessHandleCount")) fn(GetCurrentProcess(), &count);
    if (count != 0) return count;
    DWORD flags = 0;
    for (std::uintptr_t value = 4; value < 0x20000; value += 4) {
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++count;
    }
    return count;
}

inline DWORD gdiObjectCount() {
    using GuiFn = DWORD(WINAPI*)(HANDLE, DWORD);
    if (auto fn = lookUp<GuiFn>("user32.dll", "GetGuiResources")) {
        if (const DWORD count = fn(GetCurrentProcess(), 0 /* GR_GDIOBJECTS */)) return count;
    }
    // Wine keeps the table where Windows does, its pointer in the process
    // environment block; an entry in use has a non-zero object type.
    struct Entry {
        std::uint64_t object;
        std::uint32_t owner;
        std::uint16_t unique;
        std::uint8_t type;
        std::uint8_t flags;
        std::uint64_t user;
    };
    static_assert(sizeof(Entry) == 24, "Wine's GDI handle entry");
    constexpr std::size_t kTableOffset = sizeof(void*) == 4 ? 0x94 : 0xF8;
    constexpr std::size_t kEntries = 0x10000;
    using QueryFn = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
    auto query = lookUp<QueryFn>("ntdll.dll", "NtQueryInformationProcess");
    PROCESS_BASIC_INFORMATION basic{};
    if (!query || query(GetCurrentProcess(), ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0) return 0;
    const auto* peb = reinterpret_cast<const unsigned char*>(basic.PebBaseAddress);
    const auto* table = *reinterpret_cast<const Entry* const*>(peb + kTableOffset);
    DWORD count = 0;
    if (table) {
        for (std::size_t i = 0; i < kEntries; ++i) count += table[i].type != 0;
    }
    return count;
}

// Committed private memory, bytes.
inline std::size_t privateBytes() {
    struct Counters {
        DWORD cb;
        DWORD pageFaultCount;
        SIZE_T peakWorkingSetSize;
        SIZE_T workingSetSize;
        SIZE_T quotaPeakPagedPoolUsage;
        SIZE_T quotaPagedPoolUsage;
        SIZE_T quotaPeakNonPagedPoolUsage;
        SIZE_T quotaNonPagedPoolUsage;
        SIZE_T pagefileUsage;
        SIZE_T peakPagefileUsage;
    };
    using InfoFn = BOOL(WINAPI*)(HANDLE, Counters*, DWORD);
    auto fn = lookUp<InfoFn>("psapi.dll", "GetProcessMemoryInfo");
    Counters counters{};
    counters.cb = sizeof counters;
    if (!fn || !fn(GetCurrentProcess(), &counters, sizeof counters)) return 0;
    return counters.pagefileUsage;
}

struct ResourceCounts {
    DWORD handles = handleCount();
    DWORD gdiObjects = gdiObjectCount();
    std::size_t privateBytes = testing::privateBytes();
};

}  // namespace quellar::testing
