#include "app/startupclock_win.h"
#include "core/text.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

namespace quellar::app {

namespace {

struct Clock {
    LARGE_INTEGER frequency{};
    LARGE_INTEGER first{};
    LARGE_INTEGER last{};
    std::vector<std::pair<const char*, double>> steps;
    Clock() {
        QueryPerformanceFrequency(&frequency);
        QueryPerformanceCounter(&first);
        last = first;
    }
};

Clock& clock() {
    static Clock c;
    return c;
}

}  // namespace

void startupBegin() {
    clock();
}

void startupMark(const char* step) {
    Clock& c = clock();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    if (c.frequency.QuadPart > 0)
        c.steps.emplace_back(step, 1000.0 * static_cast<double>(now.QuadPart - c.last.QuadPart) /
                                       static_cast<double>(c.frequency.QuadPart));
    c.last = now;
}

void startupReport() {
    char path[MAX_PATH] = {};
    if (!GetEnvironmentVariableA("QUELLAR_STARTUP_TIMES", path, sizeof path)) return;
    FILE* out = std::fopen(path, "w");
    if (!out) return;
    // A launcher that names the counter's value when it started this
    // process learns how long loading took before the first code ran.
    char launch[32] = {};
    const Clock& c = clock();
    if (GetEnvironmentVariableA("QUELLAR_STARTUP_LAUNCH", launch, sizeof launch) && c.frequency.QuadPart > 0) {
        const double ms = 1000.0 * static_cast<double>(c.first.QuadPart - std::strtoll(launch, nullptr, 10)) /
                          static_cast<double>(c.frequency.QuadPart);
        std::fputs(text::formatted("loading %.3f\n", ms).c_str(), out);
    }
    for (const auto& [step, ms] : clock().steps) std::fputs(text::formatted("%s %.3f\n", step, ms).c_str(), out);
    std::fclose(out);
}

}  // namespace quellar::app
