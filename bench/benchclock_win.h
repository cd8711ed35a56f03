#pragma once
// What every benchmark program measures with: a millisecond clock and the
// median of its samples.
#include <windows.h>

#include <algorithm>
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

}  // namespace quellar::bench
