// Starts a program several times and reports how long it takes until its
// first visible top-level window exists, its peak working set and what its
// committed memory is made of; compares the first program with the second.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "bench/benchclock_win.h"

namespace {

using quellar::bench::median;

// The kinds of committed memory told apart: the program and its
// libraries, mapped files and sections, thread stacks (a private
// allocation with a guard page) and the rest of private memory (heaps,
// buffers).
enum MemoryKind { kImage, kMapped, kStack, kPrivate, kKindCount };
const char* const kKindNames[kKindCount] = {"image", "mapped", "stacks", "private"};

struct Sample {
    double startupMs = 0;
    double peakKb = 0;
    double committedKb[kKindCount] = {};
    std::map<std::string, double> moduleKb;  // committed image memory by module
    std::vector<std::pair<std::string, double>> steps;  // the program's own breakdown
};

std::string lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// Walks the address space of `process` and sums what is committed by kind,
// and the image memory by module.
void measureCommitted(HANDLE process, Sample& sample) {
    std::map<std::uintptr_t, std::string> modules;
    HMODULE handles[512];
    DWORD needed = 0;
    if (EnumProcessModules(process, handles, sizeof handles, &needed)) {
        const DWORD count = std::min<DWORD>(needed / sizeof(HMODULE), 512);
        for (DWORD i = 0; i < count; ++i) {
            char name[MAX_PATH] = {};
            if (GetModuleBaseNameA(process, handles[i], name, sizeof name))
                modules[reinterpret_cast<std::uintptr_t>(handles[i])] = lowered(name);
        }
    }
    struct Allocation {
        DWORD type = 0;
        SIZE_T committed = 0;
        bool guarded = false;
    };
    std::map<std::uintptr_t, Allocation> allocations;
    MEMORY_BASIC_INFORMATION info{};
    for (auto* at = static_cast<unsigned char*>(nullptr);
         VirtualQueryEx(process, at, &info, sizeof info) == sizeof info;
         at = static_cast<unsigned char*>(info.BaseAddress) + info.RegionSize) {
        if (info.State == MEM_COMMIT) {
            Allocation& a = allocations[reinterpret_cast<std::uintptr_t>(info.AllocationBase)];
            a.type = info.Type;
            a.committed += info.RegionSize;
            if (info.Protect & PAGE_GUARD) a.guarded = true;
        }
        if (info.RegionSize == 0) break;
    }
    for (const auto& [base, a] : allocations) {
        const double kb = static_cast<double>(a.committed) / 1024.0;
        if (a.type == MEM_IMAGE) {
            sample.committedKb[kImage] += kb;
            auto module = modules.find(base);
            sample.moduleKb[module == modules.end() ? "(unnamed image)" : module->second] += kb;
        } else if (a.type == MEM_MAPPED) {
            sample.committedKb[kMapped] += kb;
        } else {
            sample.committedKb[a.guarded ? kStack : kPrivate] += kb;
        }
    }
}

// The steps a program wrote to QUELLAR_STARTUP_TIMES, if it did.
std::vector<std::pair<std::string, double>> readSteps(const char* path) {
    std::vector<std::pair<std::string, double>> steps;
    FILE* in = std::fopen(path, "r");
    if (!in) return steps;
    char line[256];
    while (std::fgets(line, sizeof line, in)) {
        std::string text(line);
        const std::size_t space = text.find_last_of(' ');
        if (space == std::string::npos) continue;
        steps.emplace_back(text.substr(0, space), std::atof(text.c_str() + space + 1));
    }
    std::fclose(in);
    return steps;
}

bool runOnce(const std::string& exe, Sample& sample) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::string cmd = exe;
    const char* timesFile = "startup-times.txt";
    DeleteFileA(timesFile);
    SetEnvironmentVariableA("QUELLAR_STARTUP_TIMES", timesFile);
    LARGE_INTEGER freq, t0, t1;
    QueryPerformanceFrequency(&freq);
    QueryPerformanceCounter(&t0);
    char launch[32];
    std::snprintf(launch, sizeof launch, "%lld", static_cast<long long>(t0.QuadPart));
    SetEnvironmentVariableA("QUELLAR_STARTUP_LAUNCH", launch);
    if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    HWND found = nullptr;
    for (int i = 0; i < 60000 && !found; ++i) {
        found = quellar::bench::windowOfProcess(pi.dwProcessId,
                                                [](HWND hwnd) { return IsWindowVisible(hwnd) != FALSE; });
        if (!found) Sleep(1);
    }
    QueryPerformanceCounter(&t1);
    sample.startupMs = 1000.0 * static_cast<double>(t1.QuadPart - t0.QuadPart) /
                       static_cast<double>(freq.QuadPart);
    Sleep(500);  // let it settle so the peak covers the finished start-up
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (GetProcessMemoryInfo(pi.hProcess, &counters, sizeof counters))
        sample.peakKb = static_cast<double>(counters.PeakWorkingSetSize) / 1024.0;
    measureCommitted(pi.hProcess, sample);
    sample.steps = readSteps(timesFile);
    if (found) PostMessageA(found, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(pi.hProcess, 5000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return found != nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::printf("usage: bench_probe program.exe yardstick.exe [runs]\n");
        return 2;
    }
    int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
    std::vector<double> start[2], peak[2], committed[2][kKindCount];
    std::map<std::string, std::vector<double>> modules[2];
    std::vector<std::string> stepNames;
    std::vector<std::vector<double>> stepTimes;
    for (int r = 0; r < runs; ++r) {
        for (int p = 0; p < 2; ++p) {
            Sample s;
            if (!runOnce(argv[1 + p], s)) {
                std::printf("%s showed no window\n", argv[1 + p]);
                return 1;
            }
            start[p].push_back(s.startupMs);
            if (p == 0) {
                for (std::size_t i = 0; i < s.steps.size(); ++i) {
                    if (i >= stepNames.size()) {
                        stepNames.push_back(s.steps[i].first);
                        stepTimes.emplace_back();
                    }
                    stepTimes[i].push_back(s.steps[i].second);
                }
            }
            peak[p].push_back(s.peakKb);
            for (int k = 0; k < kKindCount; ++k) committed[p][k].push_back(s.committedKb[k]);
            for (const auto& [name, kb] : s.moduleKb) modules[p][name].push_back(kb);
        }
    }
    for (int p = 0; p < 2; ++p) {
        std::printf("%-20s start-up to window shown: median %8.1f ms   peak working set: %8.0f KB\n",
                    argv[1 + p], median(start[p]), median(peak[p]));
    }
    std::printf("committed memory by kind (median KB):   %-12s %-12s\n", "program", "yardstick");
    for (int k = 0; k < kKindCount; ++k)
        std::printf("  %-38s %8.0f     %8.0f\n", kKindNames[k], median(committed[0][k]), median(committed[1][k]));
    std::printf("  libraries only the program loads (committed image KB):\n");
    std::set<std::string> shared;
    for (const auto& entry : modules[1]) shared.insert(entry.first);
    for (const auto& [name, kbs] : modules[0]) {
        // Loaded in every run, or it is something that came and went.
        if (shared.count(name) || kbs.size() < static_cast<std::size_t>(runs)) continue;
        std::printf("    %-36s %8.0f\n", name.c_str(), median(kbs));
    }
    if (!stepNames.empty()) {
        std::printf("%s start-up, step by step (median ms; 'loading' is from the launch to the first code):\n", argv[1]);
        for (std::size_t i = 0; i < stepNames.size(); ++i)
            std::printf("  %-28s %8.1f\n", stepNames[i].c_str(), median(stepTimes[i]));
    }
    std::printf("ratio (program / yardstick): start-up %.2f, peak memory %.2f  (%d runs each)\n",
                median(start[0]) / std::max(median(start[1]), 0.001),
                median(peak[0]) / std::max(median(peak[1]), 0.001), runs);
    return 0;
}
