#include <doctest/doctest.h>

#include <vector>

#include "monitor/systemstatus.h"
#include "support/monitorhooks.h"

using namespace quellar::memory;
using quellar::testing::FakeMonitor;
using quellar::testing::FixedMeter;
using quellar::testing::kMiB;

TEST_CASE("the amount slider's range and texts") {
    FakeMonitor monitor;
    SystemStatus status;
    monitor.setMemory(512, 0);
    status.InitMemorySlider();
    CHECK(status.amountSliderMaximum() == 512);
    CHECK(amountTooltip(100) == "100 MB to free when Optimize is clicked");
    CHECK(targetLevelLabel(250) == "Target Level Of RAM 250MB.");

    monitor.setMemory(65536, 0);
    status.InitMemorySlider();
    CHECK(status.amountSliderMaximum() == 2047);
    CHECK(status.totalMegabytes() == 32767);
    CHECK(optimizeCount(2047) == 2047 * 1048576);
    CHECK(optimizeCount(5000) == 2047 * 1048576);
}

TEST_CASE("memory and processor ticks: samples, captions and the tray tooltip in both units") {
    FakeMonitor monitor;
    SystemStatus status;
    monitor.setMemory(512, 128);
    status.InitMemorySlider();
    MemorySample megabytes = status.memoryTick(false);
    CHECK(megabytes.value == 25);
    CHECK(megabytes.frameCaption == "Memory Usage (25%).");
    CHECK(megabytes.trayTooltip == "Memory Usage (128MB).");
    monitor.setMemory(512, 312);
    CHECK(status.memoryTick(true).trayTooltip == "Memory Usage (60.94%).");
    // Beyond the 16-bit field: the tooltip holds, the share stays true.
    monitor.setMemory(65536, 40000);
    status.InitMemorySlider();
    MemorySample large = status.memoryTick(false);
    CHECK(large.trayTooltip == "Memory Usage (32767MB).");
    CHECK(large.value == doctest::Approx(61.035).epsilon(0.001));

    monitor.setMemory(0, 0);
    status.InitMemorySlider();
    CHECK(status.memoryTick(true).trayTooltip == "Memory Usage (0%).");

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
    CHECK(status.optimize(0, [&](bool busy) { pointer.push_back(busy); }));
    CHECK(monitor.claims == std::vector<std::size_t>{0});
    CHECK(monitor.yieldsAtClaim.front() == 6 + 5);
    CHECK(monitor.yields == 6 + 5 + 5 + 6);
    CHECK(pointer == std::vector<bool>{true, false});
}
