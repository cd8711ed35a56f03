#include <doctest/doctest.h>

#include <string>
#include <vector>

#include "core/timers.h"
#include "features/systemstatus/systemstatuswindow.h"
#include "support/monitorhooks.h"

using namespace quellar;
using namespace quellar::features;
using namespace quellar::monitor;
using quellar::testing::FakeMonitor;

namespace {

// The window's controls on a 512 MB machine, loaded, on a manual clock.
struct Page {
    ManualTimersScope clock;
    FakeMonitor monitor;
    Form form{"frmSystemStatus", "System Status", kSystemStatusClient, systemStatusControls()};
    bool percent = false;
    std::vector<std::string> trayTips;
    std::vector<std::string> amountTips;
    std::vector<bool> busy;
    std::unique_ptr<SystemStatusPage> page;

    Page() {
        monitor.setMemory(512, 128);
        SystemStatusPage::Links links;
        links.percentTooltip = [this] { return percent; };
        links.trayTooltip = [this](const std::string& text) { trayTips.push_back(text); };
        links.amountTooltip = [this](const std::string& text) { amountTips.push_back(text); };
        links.busy = [this](bool on) { busy.push_back(on); };
        page = std::make_unique<SystemStatusPage>(form, links);
        page->load();
    }
};

}  // namespace

TEST_CASE("load: the meter made once, the amount slider over the memory, its texts") {
    Page p;
    RangeControl& amount = p.form.range("sldFreeMomoryReq");
    CHECK(amount.maximum() == 512);
    CHECK(p.amountTips == std::vector<std::string>{"0 MB to free when Optimize is clicked"});
    CHECK(p.form["lblTargetMemoryNeeded"].text() == "Target Level Of RAM 0MB.");
    amount.userScroll(100);
    CHECK(p.amountTips.back() == "100 MB to free when Optimize is clicked");
    CHECK(p.form["lblTargetMemoryNeeded"].text() == "Target Level Of RAM 100MB.");
    CHECK(p.page->processorMeter().get() != nullptr);
    CHECK(p.page->memoryTimer().interval() == 300);
    CHECK(p.page->processorTimer().interval() == 300);
}

TEST_CASE("the graph ticks: samples, frame captions and the tray tooltip in the chosen unit") {
    Page p;
    p.monitor.processor->reading = 37;
    p.clock.advance(300);
    CHECK(p.form.graph("histMemory").sample() == 25);
    CHECK(p.form["fameMemoryUsage"].text() == "Free Memory (25%).");
    CHECK(p.trayTips == std::vector<std::string>{"Free Memory (128MB)."});
    CHECK(p.form.graph("histCPU").sample() == 37);
    CHECK(p.form["frameCPUUsage"].text() == "Processor usage (37%).");
    p.percent = true;
    p.clock.advance(300);
    CHECK(p.trayTips.back() == "Free Memory (25%).");
}

TEST_CASE("speed and zoom follow the sliders' clicks only") {
    Page p;
    RangeControl& speed = p.form.range("sldMemorySpeed");
    speed.setValue(900);  // not a click: the timer keeps its interval
    CHECK(p.page->memoryTimer().interval() == 300);
    speed.userScroll(700);
    CHECK(p.page->memoryTimer().interval() == 600);
    p.form.range("sldCPUSpeed").userScroll(1000);
    CHECK(p.page->processorTimer().interval() == 300);
    p.form.range("sldCPUZoom").userScroll(80);
    CHECK(p.form.graph("histCPU").zoom() == 80);
    CHECK(p.form.graph("histMemory").zoom() == 30);
}

TEST_CASE("Optimize Now frees the slider's megabytes with the hourglass") {
    Page p;
    p.form.range("sldFreeMomoryReq").userScroll(3);
    p.form["cmdOptimaize"].userClick();
    CHECK(p.monitor.claims == std::vector<std::size_t>{3 * 1048576});
    CHECK(p.busy == std::vector<bool>{true, false});
    CHECK(p.form["lblOptimizeResult"].text().find("No memory became free: ") == 0);
    // The slider at its top, more than the process can hold, and half of
    // it too: the claim fails cleanly, the hourglass still ends and the
    // line says so.
    p.monitor.claimLimit = 1048576;
    p.form.range("sldFreeMomoryReq").userScroll(1500);
    const std::size_t asked = static_cast<std::size_t>(p.form.range("sldFreeMomoryReq").value()) * 1048576;
    p.form["cmdOptimaize"].userClick();
    CHECK(p.monitor.claims == std::vector<std::size_t>{3 * 1048576, asked, asked / 2});
    CHECK(p.busy == std::vector<bool>{true, false, true, false});
    CHECK(p.form["lblOptimizeResult"].text().find("The memory could not be claimed") == 0);
    // A click while another optimisation runs says so and claims nothing.
    OptimisationTurn other;
    p.form["cmdOptimaize"].userClick();
    CHECK(p.monitor.claims.size() == 3);
    CHECK(p.form["lblOptimizeResult"].text() == "Another optimisation is running; nothing more was done.");
}
