#pragma once
// The System status window over its control models: the table of its
// controls, and SystemStatusPage, which binds them to the behaviour in
// monitor/systemstatus.h: the memory and processor graphs on their timers
// (which also keep the tray tooltip current), the zoom and speed sliders,
// the amount slider's texts and "Optimize Now". The page makes the
// program's one processor meter, which the memory alarm reads too.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/form.h"
#include "core/timers.h"
#include "monitor/cpumeter.h"
#include "monitor/systemstatus.h"

namespace quellar::features {

inline constexpr PixelRect kSystemStatusClient{0, 0, 443, 257};

const std::vector<ControlDecl>& systemStatusControls();

class SystemStatusPage {
public:
    // What the page needs beyond its own controls; each may be left empty.
    struct Links {
        // RAM configuration's choice: the tray tooltip shows a percentage.
        std::function<bool()> percentTooltip;
        // The tray icon's tooltip becomes this text and the icon is shown.
        std::function<void(const std::string&)> trayTooltip;
        // The amount slider's tooltip becomes this text.
        std::function<void(const std::string&)> amountTooltip;
        // The hourglass on (true) and off while "Optimize Now" frees memory.
        std::function<void(bool)> busy;
        // Has "Optimize Now" run optimize() once the click is over (a window
        // posts it to itself); empty: at once.
        std::function<void()> optimizeLater;
    };

    SystemStatusPage(Form& form, Links links);

    // The window's load: the processor meter made and started, the
    // amount slider's range and texts, both graph timers at 300 ms.
    void load();

    std::shared_ptr<monitor::ProcessorMeter> processorMeter() const { return meter_; }
    const Timer& memoryTimer() const { return memoryTimer_; }
    const Timer& processorTimer() const { return processorTimer_; }

    // The two ticks.
    void memoryTick();
    void processorTick();
    // "Optimize Now" with the amount slider's megabytes; its result line
    // says how much memory became free, or why none did.
    void optimize();

private:
    void wire();
    void amountChanged();

    Form& form_;
    Links links_;
    // Shared with a running optimisation: its yields may let the program
    // close the window before it is over.
    std::shared_ptr<monitor::SystemStatus> status_;
    std::shared_ptr<monitor::ProcessorMeter> meter_;
    Timer memoryTimer_;
    Timer processorTimer_;
    // Gone with the page, so an optimisation whose yields outlived it
    // leaves its result unshown.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace quellar::features
