#include "monitor/systemstatus.h"
#include "core/text.h"

#include <algorithm>

#include "monitor/cpumeter.h"

namespace quellar::monitor {

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
    std::string result = text::formatted("%.2f", value);
    if (result.find('.') != std::string::npos) {
        result.erase(result.find_last_not_of('0') + 1);
        if (result.back() == '.') result.pop_back();
    }
    if (result == "-0") result = "0";
    return result;
}

std::string memoryFrameCaption(double graphValue) {
    return "Free Memory (" + graphValueText(graphValue) + "%).";
}

std::string processorFrameCaption(double graphValue) {
    return "Processor usage (" + graphValueText(graphValue) + "%).";
}

std::string trayTooltip(bool percent, double graphValue, std::uint64_t freeMegabytes) {
    if (percent) return memoryFrameCaption(graphValue);
    return "Free Memory (" + std::to_string(freeMegabytes) + "MB).";
}

void SystemStatus::prepareAmountSlider() {
    const std::uint64_t total = memory_.totalPhysical();
    totalMegabytes_ = toMegabytes(total);
    sliderMaximum_ = static_cast<int>(std::min<std::uint64_t>(totalMegabytes_, kAmountSliderMost));
}

MemorySample SystemStatus::memoryTick(bool percent) {
    MemorySample sample;
    const std::uint64_t freeMegabytes = toMegabytes(memory_.freePhysical());
    sample.freeMegabytes = freeMegabytes;
    // From the full figures, so machines beyond the 16-bit field still
    // graph their true share.
    if (totalMegabytes_ != 0) {
        sample.value = static_cast<double>(freeMegabytes) / static_cast<double>(totalMegabytes_) * 100.0;
    }
    sample.frameCaption = memoryFrameCaption(sample.value);
    sample.trayTooltip = trayTooltip(percent, sample.value, sample.freeMegabytes);
    return sample;
}

ProcessorSample SystemStatus::processorTick(ProcessorMeter& meter) {
    ProcessorSample sample;
    sample.value = meter.read();
    sample.frameCaption = processorFrameCaption(sample.value);
    return sample;
}

OptimizeResult optimizeMemory(Memory& memory, int megabytes, const std::function<void(bool busy)>& busy) {
    OptimisationTurn turn;
    if (!turn.granted()) return OptimizeResult::AnotherRunning;
    yieldTimes(kOptimizeYields);
    busy(true);
    // The hourglass goes whatever way the claim ends.
    struct Idle {
        const std::function<void(bool)>& busy;
        ~Idle() { busy(false); }
    };
    bool freed = false;
    {
        const Idle idle{busy};
        freed = memory.freeUp(optimizeCount(megabytes)).has_value();
    }
    yieldTimes(kOptimizeYields);
    return freed ? OptimizeResult::Freed : OptimizeResult::NotClaimed;
}

OptimizeReport SystemStatus::optimize(int megabytes, const std::function<void(bool busy)>& busy) {
    OptimizeReport report;
    report.freeBefore = memory_.freePhysical();
    report.result = optimizeMemory(memory_, megabytes, busy);
    report.freeAfter = memory_.freePhysical();
    return report;
}

namespace {

std::string megabytesText(std::uint64_t bytes) { return std::to_string(toMegabytes(bytes)) + " MB"; }

// "380 MB free before, 500 MB after": free physical memory around an
// optimisation, as both of its reports say it.
std::string freeBeforeAndAfter(std::uint64_t freeBefore, std::uint64_t freeAfter) {
    return megabytesText(freeBefore) + " free before, " + megabytesText(freeAfter) + " after";
}

}  // namespace

std::string optimizeResultLine(const OptimizeReport& report) {
    if (!report.ran()) return "Another optimisation is running; nothing more was done.";
    const std::uint64_t before = toMegabytes(report.freeBefore), after = toMegabytes(report.freeAfter);
    std::string line;
    if (report.result == OptimizeResult::NotClaimed) line = "The memory could not be claimed";
    else if (after > before) line = "Freed " + std::to_string(after - before) + " MB";
    else line = "No memory became free";
    return line + ": " + freeBeforeAndAfter(report.freeBefore, report.freeAfter) + ".";
}

std::string alarmFreedText(std::uint64_t freeBefore, std::uint64_t freeAfter) {
    const std::uint64_t before = toMegabytes(freeBefore), after = toMegabytes(freeAfter);
    return "The memory alarm freed " + std::to_string(after > before ? after - before : 0) + " MB (" +
           freeBeforeAndAfter(freeBefore, freeAfter) + ").";
}

}  // namespace quellar::monitor
