#include <doctest/doctest.h>

#include <vector>

#include "monitor/systemstatus.h"
#include "support/monitorhooks.h"

using namespace quellar::monitor;
using quellar::testing::FakeMonitor;
using quellar::testing::FixedMeter;
using quellar::testing::kMiB;

TEST_CASE("the amount slider's range and texts") {
    FakeMonitor monitor;
    SystemStatus status;
    monitor.setMemory(512, 0);
    status.prepareAmountSlider();
    CHECK(status.amountSliderMaximum() == 512);
    CHECK(amountTooltip(100) == "100 MB to free when Optimize is clicked");
    CHECK(targetLevelLabel(250) == "Target Level Of RAM 250MB.");

    monitor.setMemory(65536, 0);
    status.prepareAmountSlider();
    CHECK(status.amountSliderMaximum() == 2047);
    CHECK(status.totalMegabytes() == 65536);
    CHECK(optimizeCount(2047) == 2047 * 1048576);
    CHECK(optimizeCount(5000) == 2047 * 1048576);
}

TEST_CASE("memory and processor ticks: samples, captions and the tray tooltip in both units") {
    FakeMonitor monitor;
    SystemStatus status;
    monitor.setMemory(512, 128);
    status.prepareAmountSlider();
    MemorySample megabytes = status.memoryTick(false);
    CHECK(megabytes.value == 25);
    CHECK(megabytes.frameCaption == "Free Memory (25%).");
    CHECK(megabytes.trayTooltip == "Free Memory (128MB).");
    monitor.setMemory(512, 312);
    CHECK(status.memoryTick(true).trayTooltip == "Free Memory (60.94%).");
    // A 48 GB machine reads true: no figure is held at a 16-bit field.
    monitor.setMemory(49152, 40000);
    status.prepareAmountSlider();
    MemorySample large = status.memoryTick(false);
    CHECK(large.trayTooltip == "Free Memory (40000MB).");
    CHECK(large.frameCaption == "Free Memory (81.38%).");

    monitor.setMemory(0, 0);
    status.prepareAmountSlider();
    CHECK(status.memoryTick(true).trayTooltip == "Free Memory (0%).");

    FixedMeter meter;
    meter.reading = 37;
    CHECK(SystemStatus::processorTick(meter).frameCaption == "Processor usage (37%).");
    CHECK(graphValueText(100.0 / 3.0) == "33.33");
}

TEST_CASE("speed sliders set 1300 minus their value") {
    CHECK(refreshInterval(700) == 600);
    CHECK(refreshInterval(300) == 1000);
    CHECK(refreshInterval(1000) == 300);
}

TEST_CASE("Optimize Now at 0 still frees 0 bytes with the hourglass and the yields") {
    FakeMonitor monitor;
    SystemStatus status;
    std::vector<bool> pointer;
    CHECK(status.optimize(0, [&](bool busy) { pointer.push_back(busy); }).ran());
    CHECK(monitor.claims == std::vector<std::size_t>{0});
    CHECK(monitor.yieldsAtClaim.front() == 6 + 5);
    CHECK(monitor.yields == 6 + 5 + 5 + 6);
    CHECK(pointer == std::vector<bool>{true, false});
}

TEST_CASE("Optimize Now reports free memory before and after in every outcome; the hourglass always ends") {
    FakeMonitor monitor;
    SystemStatus status;
    monitor.setMemory(512, 380);
    // The memory comes free while the buffer is held and released.
    monitor.onYield = [&] {
        if (!monitor.claims.empty()) monitor.setMemory(512, 500);
    };
    std::vector<bool> pointer;
    OptimizeReport report = status.optimize(100, [&](bool busy) { pointer.push_back(busy); });
    CHECK(optimizeResultLine(report) == "Freed 120 MB: 380 MB free before, 500 MB after.");
    monitor.onYield = nullptr;
    monitor.claimLimit = 0;
    report = status.optimize(100, [&](bool busy) { pointer.push_back(busy); });
    CHECK(report.result == OptimizeResult::NotClaimed);
    CHECK(optimizeResultLine(report) ==
          "The memory could not be claimed: 500 MB free before, 500 MB after.");
    CHECK(pointer == std::vector<bool>{true, false, true, false});
    {
        OptimisationTurn other;
        report = status.optimize(100, [&](bool busy) { pointer.push_back(busy); });
    }
    CHECK(optimizeResultLine(report) == "Another optimisation is running; nothing more was done.");
    CHECK(alarmFreedText(380 * kMiB, 500 * kMiB) == "The memory alarm freed 120 MB (380 MB free before, 500 MB after).");
}
