#include "monitor/systemstatus.h"

#include <algorithm>
#include <cstdio>

#include "monitor/cpumeter.h"

namespace quellar::memory {

namespace {

constexpr int kSpeedSum = 1300;
constexpr std::int32_t kMegabyte = 1048576;
constexpr int kOptimizeYields = 6;

}  // namespace

std::string amountTooltip(int megabytes) {
    return std::to_string(megabytes) + " MB to free when Optimize is clicked";
}

std::string targetLevelLabel(int megabytes) {
    return "Target Level Of RAM " + std::to_string(megabytes) + "MB.";
}

int refreshInterval(int speed) {
    return kSpeedSum - std::clamp(speed, kSpeedMinimum, kSpeedMaximum);
}

std::int32_t optimizeCount(int megabytes) {
    return std::clamp(megabytes, 0, kAmountSliderMost) * kMegabyte;
}

std::string graphValueText(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.2f", value);
    std::string result(text);
    if (result.find('.') != std::string::npos) {
        result.erase(result.find_last_not_of('0') + 1);
        if (result.back() == '.') result.pop_back();
    }
    if (result == "-0") result = "0";
    return result;
}

std::string memoryFrameCaption(double graphValue) {
    return "Memory Usage (" + graphValueText(graphValue) + "%).";
}

std::string processorFrameCaption(double graphValue) {
    return "Processor usage (" + graphValueText(graphValue) + "%).";
}

std::string trayTooltip(bool percent, double graphValue, std::int16_t freeMegabytes) {
    if (percent) return memoryFrameCaption(graphValue);
    return "Memory Usage (" + std::to_string(freeMegabytes) + "MB).";
}

void SystemStatus::InitMemorySlider() {
    const std::uint64_t total = fmem_.GetTotalPhysical();
    totalMegabytesWide_ = toMegabytes(total);
    totalMegabytes_ = holdInt16(totalMegabytesWide_);
    sliderMaximum_ = static_cast<int>(std::min<std::uint64_t>(totalMegabytesWide_, kAmountSliderMost));
}

MemorySample SystemStatus::memoryTick(bool percent) {
    MemorySample sample;
    const std::uint64_t freeMegabytes = toMegabytes(fmem_.GetFreePhysical());
    sample.freeMegabytes = holdInt16(freeMegabytes);
    // From the full figures, so machines beyond the 16-bit field still
    // graph their true share.
    if (totalMegabytesWide_ != 0) {
        sample.value = static_cast<double>(freeMegabytes) / static_cast<double>(totalMegabytesWide_) * 100.0;
    }
    sample.frameCaption = memoryFrameCaption(sample.value);
    sample.trayTooltip = trayTooltip(percent, sample.value, sample.freeMegabytes);
    return sample;
}

ProcessorSample SystemStatus::processorTick(ProcessorMeter& meter) {
    ProcessorSample sample;
    sample.value = meter.Query();
    sample.frameCaption = processorFrameCaption(sample.value);
    return sample;
}

OptimizeResult optimizeMemory(FreeRAM& memory, int megabytes, const std::function<void(bool busy)>& busy) {
    OptimisationTurn turn;
    if (!turn.granted()) return OptimizeResult::AnotherRunning;
    yieldTimes(kOptimizeYields);
    busy(true);
    const bool freed = memory.FreeUpMemory(optimizeCount(megabytes)).has_value();
    busy(false);
    yieldTimes(kOptimizeYields);
    return freed ? OptimizeResult::Freed : OptimizeResult::NotClaimed;
}

bool SystemStatus::optimize(int megabytes, const std::function<void(bool busy)>& busy) {
    return optimizeMemory(fmem_, megabytes, busy) != OptimizeResult::AnotherRunning;
}

}  // namespace quellar::memory
