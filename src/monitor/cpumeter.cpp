#include "monitor/cpumeter.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace quellar::monitor {

namespace {

// Fixed point with four decimals: the raw count c stands for c / 10,000.
constexpr double kFixedScale = 10000.0;
constexpr std::int64_t kFixedOne = 10000;
// Just inside the 64-bit range, where a double still converts safely.
constexpr double kFixedLimit = 9.2e18;

std::int64_t toFixed(double value) {
    const double raw = std::nearbyint(value * kFixedScale);  // ties to even
    if (raw >= kFixedLimit) return std::numeric_limits<std::int64_t>::max();
    if (raw <= -kFixedLimit) return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(raw);
}

double toDouble(std::int64_t fixed) {
    return static_cast<double>(fixed) / kFixedScale;
}

std::int64_t timesHundredHeld(std::int64_t fixed) {
    std::int64_t result = 0;
    if (__builtin_mul_overflow(fixed, std::int64_t{100}, &result)) {
        return fixed < 0 ? std::numeric_limits<std::int64_t>::min()
                         : std::numeric_limits<std::int64_t>::max();
    }
    return result;
}

std::int64_t floorWhole(std::int64_t fixed) {
    const std::int64_t whole = fixed / kFixedOne;
    return (fixed % kFixedOne < 0) ? whole - 1 : whole;
}

std::int64_t differenceHeld(std::int64_t now, std::int64_t before) {
    std::int64_t result = 0;
    if (__builtin_sub_overflow(now, before, &result)) {
        return now < before ? std::numeric_limits<std::int64_t>::min()
                            : std::numeric_limits<std::int64_t>::max();
    }
    return result;
}

constexpr std::int32_t kFailedReading = -1;
constexpr std::int64_t kPercentMost = 100;

}  // namespace

void PerfStatsMeter::start() {
    started_ = source_.start(data_);
}

std::int32_t PerfStatsMeter::read() {
    // The read's outcome is not needed: a failed one leaves the last bytes.
    if (started_) source_.sample(data_);
    return data_[0];
}

void PerfStatsMeter::stop() {
    source_.stop();
    started_ = false;
}

std::int32_t busyPercent(std::int64_t idleDelta, std::int64_t elapsedDelta, unsigned processors) {
    std::int64_t ratio = idleDelta;
    if (elapsedDelta != 0) ratio = toFixed(toDouble(idleDelta) / toDouble(elapsedDelta));
    const double scaled = toDouble(timesHundredHeld(ratio));
    const double usage = 100.0 - scaled / static_cast<double>(std::max(processors, 1u)) + 0.5;
    const std::int64_t whole = floorWhole(toFixed(usage));
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(whole, 0, kPercentMost));
}

void NtMeter::start() {
    std::int64_t time = 0;
    std::int64_t idle = 0;
    if (!counters_.currentTime(time) || !counters_.idleTime(idle)) return;
    lastIdle_ = idle;
    lastTime_ = time;
}

std::int32_t NtMeter::read() {
    unsigned processors = 0;
    std::int64_t time = 0;
    std::int64_t idle = 0;
    if (!counters_.processors(processors) || !counters_.currentTime(time) ||
        !counters_.idleTime(idle)) {
        return kFailedReading;
    }
    const std::int32_t usage =
        busyPercent(differenceHeld(idle, lastIdle_), differenceHeld(time, lastTime_), processors);
    lastIdle_ = idle;
    lastTime_ = time;
    return usage;
}

}  // namespace quellar::monitor
