#pragma once
// The System status window's behaviour: the two graphs' samples and frame
// captions, the tray tooltip, the amount slider with its texts, the speed
// sliders' timer intervals and "Optimize Now". A window feeds it its timer
// ticks and slider moves and shows what comes back.
#include <cstdint>
#include <functional>
#include <string>

#include "monitor/memory.h"

namespace quellar::monitor {

class ProcessorMeter;

inline constexpr int kGraphInterval = 300;  // ms, both graph timers at load
inline constexpr int kSpeedMinimum = 300;
inline constexpr int kSpeedMaximum = 1000;
inline constexpr int kZoomMinimum = 30;
inline constexpr int kZoomMaximum = 100;
// The amount is handed on as a 32-bit byte count, which holds 2047 MB.
inline constexpr int kAmountSliderMost = 2047;

// "250 MB to free when Optimize is clicked"
std::string amountTooltip(int megabytes);
// "Target Level Of RAM 250MB."
std::string targetLevelLabel(int megabytes);
// A speed slider's value as its timer's interval: 1300 - value, so the
// slowest speed (300) refreshes every 1000 ms and the fastest every 300 ms.
int refreshInterval(int speed);
// The byte count "Optimize Now" frees for the slider's megabytes.
std::int32_t optimizeCount(int megabytes);

// A graph value as captions show it: at most two decimals, no trailing
// zeros ("25", "33.33").
std::string graphValueText(double value);
// "Free Memory (25%).": the graph and its figure are free memory, as the
// tray tooltip's options ("Percentage of Free RAM") call it.
std::string memoryFrameCaption(double graphValue);
// "Processor usage (25%)."
std::string processorFrameCaption(double graphValue);
// The tray tooltip: the memory caption when the percentage is chosen, else
// "Free Memory (312MB)." with free megabytes.
std::string trayTooltip(bool percent, double graphValue, std::uint64_t freeMegabytes);

struct MemorySample {
    double value = 0;            // free memory, percent of total
    std::uint64_t freeMegabytes = 0;  // at full width: machines past 32 GB read true
    std::string frameCaption;
    std::string trayTooltip;
};

struct ProcessorSample {
    double value = 0;
    std::string frameCaption;
};

enum class OptimizeResult { AnotherRunning, Freed, NotClaimed };

// What an optimisation came to, with the free physical memory around it.
struct OptimizeReport {
    OptimizeResult result = OptimizeResult::AnotherRunning;
    std::uint64_t freeBefore = 0;  // bytes
    std::uint64_t freeAfter = 0;
    bool ran() const { return result != OptimizeResult::AnotherRunning; }
};

// The line "Optimize Now" leaves under its button, in every outcome:
// "Freed 120 MB: 380 MB free before, 500 MB after."
std::string optimizeResultLine(const OptimizeReport& report);
// The memory alarm's balloon: "The memory alarm freed 120 MB (380 MB free
// before, 500 MB after)."
std::string alarmFreedText(std::uint64_t freeBefore, std::uint64_t freeAfter);
// One optimisation as "Optimize Now" makes it: six yields, `busy(true)`,
// freeUp for the megabytes, `busy(false)`, six yields. Nothing at all
// while another optimisation runs.
OptimizeResult optimizeMemory(Memory& memory, int megabytes, const std::function<void(bool busy)>& busy);

class SystemStatus {
public:
    // Reads the total memory and sets the amount slider's range: 0 to the
    // total in megabytes, at most kAmountSliderMost.
    void prepareAmountSlider();
    int amountSliderMaximum() const { return sliderMaximum_; }
    std::uint64_t totalMegabytes() const { return totalMegabytes_; }

    // One tick of the memory graph; `percent` is the tooltip unit chosen in
    // RAM configuration. A total of 0 gives a sample of 0.
    MemorySample memoryTick(bool percent);
    static ProcessorSample processorTick(ProcessorMeter& meter);

    // "Optimize Now" for the slider's megabytes: six yields, the hourglass
    // (`busy(true)`), freeUp, the normal pointer again, six yields;
    // the free memory read before and after. Does nothing while another
    // optimisation runs.
    OptimizeReport optimize(int megabytes, const std::function<void(bool busy)>& busy);

private:
    Memory memory_;
    std::uint64_t totalMegabytes_ = 0;
    int sliderMaximum_ = 0;
};

}  // namespace quellar::monitor
