// Starts a program several times and reports how long it takes until its
// first visible top-level window exists, and its peak working set; compares
// the first program with the second.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "bench/benchclock_win.h"

namespace {

using quellar::bench::median;

struct Sample {
    double startupMs = 0;
    double peakKb = 0;
    std::vector<std::pair<std::string, double>> steps;  // the program's own breakdown
};

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
    std::vector<double> start[2], peak[2];
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
        }
    }
    for (int p = 0; p < 2; ++p) {
        std::printf("%-20s start-up to window shown: median %8.1f ms   peak working set: %8.0f KB\n",
                    argv[1 + p], median(start[p]), median(peak[p]));
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
