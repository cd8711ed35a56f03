#pragma once
// What every benchmark program measures with: a millisecond clock, the
// median of its samples, and a look for the window of a program it started.
#include <windows.h>

#include <algorithm>
#include <functional>
#include <vector>

namespace quellar::bench {

inline double nowMs() {
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

inline double median(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    return samples.empty() ? 0 : samples[samples.size() / 2];
}

struct WindowSearch {
    DWORD pid;
    const std::function<bool(HWND)>& accept;
    HWND found;

    static BOOL CALLBACK visit(HWND hwnd, LPARAM lParam) {
        auto* search = reinterpret_cast<WindowSearch*>(lParam);
        DWORD owner = 0;
        GetWindowThreadProcessId(hwnd, &owner);
        if (owner != search->pid || !search->accept(hwnd)) return TRUE;
        search->found = hwnd;
        return FALSE;
    }
};

// The first top-level window of process `pid` that `accept` takes, or
// nullptr.
inline HWND windowOfProcess(DWORD pid, const std::function<bool(HWND)>& accept) {
    WindowSearch search{pid, accept, nullptr};
    EnumWindows(&WindowSearch::visit, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace quellar::bench
