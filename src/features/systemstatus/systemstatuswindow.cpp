#include "features/systemstatus/systemstatuswindow.h"

#include "monitor/memory.h"

namespace quellar::features {

namespace {

const char* const kOuter = "frameSystemStatus";
const char* const kMemoryFrame = "fameMemoryUsage";
const char* const kProcessorFrame = "frameCPUUsage";
const char* const kControlFrame = "frameMemoryControl";
const char* const kOptimize = "cmdOptimaize";
const char* const kOptimizeResult = "lblOptimizeResult";
const char* const kTargetLabel = "lblTargetMemoryNeeded";
const char* const kAmount = "sldFreeMomoryReq";
const char* const kMemoryGraph = "histMemory";
const char* const kMemoryZoom = "sldMemoryZoom";
const char* const kMemorySpeed = "sldMemorySpeed";
const char* const kProcessorGraph = "histCPU";
const char* const kProcessorZoom = "sldCPUZoom";
const char* const kProcessorSpeed = "sldCPUSpeed";

constexpr std::uint32_t kGreen = 0x00FF00;
constexpr int kGraphLines = 30;

}  // namespace

const std::vector<ControlDecl>& systemStatusControls() {
    using K = ControlKind;
    using O = ControlOptions;
    static const std::vector<ControlDecl> decls = {
        {K::Frame, kOuter, "System Status", {6, 4, 428, 246}},
        {K::Frame, kMemoryFrame, "Free memory", {8, 14, 204, 150}, kOuter},
        with({K::Graph, kMemoryGraph, "", {8, 18, 188, 70}, kMemoryFrame}, O::graph(kGreen, kGraphLines)),
        {K::Label, "lblMemoryZoom", "Zoom", {8, 97, 40, 16}, kMemoryFrame},
        with({K::Slider, kMemoryZoom, "", {48, 92, 148, 24}, kMemoryFrame},
             O::slider(monitor::kZoomMinimum, monitor::kZoomMaximum, 2, 5, false)),
        {K::Label, "lblMemorySpeed", "Speed", {8, 123, 40, 16}, kMemoryFrame},
        with({K::Slider, kMemorySpeed, "", {48, 118, 148, 24}, kMemoryFrame},
             O::slider(monitor::kSpeedMinimum, monitor::kSpeedMaximum, 1, 5, false)),

        {K::Frame, kProcessorFrame, "Processor usage", {216, 14, 204, 150}, kOuter},
        with({K::Graph, kProcessorGraph, "", {8, 18, 188, 70}, kProcessorFrame}, O::graph(kGreen, kGraphLines)),
        {K::Label, "lblCPUZoom", "Zoom", {8, 97, 40, 16}, kProcessorFrame},
        with({K::Slider, kProcessorZoom, "", {48, 92, 148, 24}, kProcessorFrame},
             O::slider(monitor::kZoomMinimum, monitor::kZoomMaximum, 1, 5, false)),
        {K::Label, "lblCPUSpeed", "Speed", {8, 123, 40, 16}, kProcessorFrame},
        with({K::Slider, kProcessorSpeed, "", {48, 118, 148, 24}, kProcessorFrame},
             O::slider(monitor::kSpeedMinimum, monitor::kSpeedMaximum, 1, 5, false)),

        {K::Frame, kControlFrame, "Memory Control", {8, 166, 300, 62}, kOuter},
        {K::SkinLabel, kTargetLabel, "Target Level Of RAM ", {8, 16, 284, 16}, kControlFrame},
        // Its range comes from the machine's memory at load.
        with({K::Slider, kAmount, "", {8, 33, 284, 26}, kControlFrame}, O::slider(0, 0, 1, 5, false)),
        {K::Button, kOptimize, "Optimize Now", {316, 182, 104, 32}, kOuter},
        // What the last "Optimize Now" came to.
        {K::Label, kOptimizeResult, "", {12, 229, 408, 15}, kOuter},
    };
    return decls;
}

SystemStatusPage::SystemStatusPage(Form& form, Links links)
    : form_(form), links_(std::move(links)), status_(std::make_shared<monitor::SystemStatus>()) {
    wire();
}

void SystemStatusPage::wire() {
    // Speed and zoom follow the user's own click or scroll only.
    auto speed = [this](const char* slider, Timer& timer) {
        RangeControl& control = form_.range(slider);
        control.onClick = [&control, &timer] {
            timer.setInterval(static_cast<std::uint32_t>(monitor::refreshInterval(control.value())));
        };
    };
    auto zoom = [this](const char* slider, const char* graph) {
        RangeControl& control = form_.range(slider);
        GraphControl& target = form_.graph(graph);
        control.onClick = [&control, &target] { target.setZoom(control.value()); };
    };
    speed(kMemorySpeed, memoryTimer_);
    speed(kProcessorSpeed, processorTimer_);
    zoom(kMemoryZoom, kMemoryGraph);
    zoom(kProcessorZoom, kProcessorGraph);
    form_.range(kAmount).onChange = [this] { amountChanged(); };
    form_[kOptimize].onClick = [this] {
        // A click during a running optimisation's yields frees nothing more.
        if (monitor::OptimisationTurn::running()) {
            form_[kOptimizeResult].setText(monitor::optimizeResultLine(monitor::OptimizeReport{}));
            return;
        }
        if (links_.optimizeLater) links_.optimizeLater();
        else optimize();
    };
}

void SystemStatusPage::load() {
    meter_ = monitor::monitorHooks().makeProcessorMeter ? monitor::monitorHooks().makeProcessorMeter() : nullptr;
    if (meter_) meter_->start();
    status_->prepareAmountSlider();
    form_.range(kAmount).setRange(0, status_->amountSliderMaximum());
    amountChanged();
    memoryTimer_.start(monitor::kGraphInterval, [this] { memoryTick(); });
    processorTimer_.start(monitor::kGraphInterval, [this] { processorTick(); });
}

void SystemStatusPage::amountChanged() {
    const int megabytes = form_.range(kAmount).value();
    if (links_.amountTooltip) links_.amountTooltip(monitor::amountTooltip(megabytes));
    form_[kTargetLabel].setText(monitor::targetLevelLabel(megabytes));
}

void SystemStatusPage::memoryTick() {
    const bool percent = links_.percentTooltip && links_.percentTooltip();
    const monitor::MemorySample sample = status_->memoryTick(percent);
    form_.graph(kMemoryGraph).setSample(sample.value);
    form_[kMemoryFrame].setText(sample.frameCaption);
    if (links_.trayTooltip) links_.trayTooltip(sample.trayTooltip);
}

void SystemStatusPage::processorTick() {
    if (!meter_) return;
    const monitor::ProcessorSample sample = monitor::SystemStatus::processorTick(*meter_);
    form_.graph(kProcessorGraph).setSample(sample.value);
    form_[kProcessorFrame].setText(sample.frameCaption);
}

void SystemStatusPage::optimize() {
    // Copies: nothing of the page is touched once the yields have begun,
    // unless the page is still there when they are over.
    const std::shared_ptr<monitor::SystemStatus> status = status_;
    const std::function<void(bool)> busy = links_.busy;
    const std::weak_ptr<bool> alive = alive_;
    const monitor::OptimizeReport report = status->optimize(form_.range(kAmount).value(), [&busy](bool on) {
        if (busy) busy(on);
    });
    if (alive.expired()) return;
    form_[kOptimizeResult].setText(monitor::optimizeResultLine(report));
}

}  // namespace quellar::features
