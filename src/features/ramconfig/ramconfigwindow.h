#pragma once
// The RAM configuration window over its control models: the table of its
// controls, and RamConfigurationPage, which binds them to the behaviour in
// monitor/ramconfig.h and runs the window's two background jobs, the memory
// alarm and the low-memory sound, on the timer seam from load to unload.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/form.h"
#include "core/store.h"
#include "core/timers.h"
#include "monitor/cpumeter.h"
#include "monitor/ramconfig.h"

namespace quellar::features {

inline constexpr PixelRect kRamConfigurationClient{0, 0, 443, 242};
inline constexpr int kSoundInterval = 65535;  // ms
inline constexpr int kAlarmNoticeRest = 60000;  // ms between two notices of the alarm

const std::vector<ControlDecl>& ramConfigurationControls();

class RamConfigurationPage {
public:
    // The program's processor meter, which the System status window owns;
    // nothing while it has none.
    using MeterSource = std::function<std::shared_ptr<monitor::ProcessorMeter>()>;

    RamConfigurationPage(Form& form, SettingsStore& store, MeterSource meter);

    // The window's load: the stored settings into the controls, then the
    // alarm at the check interval and the sound player every 65,535 ms.
    void load();

    // Told (with the text for the user) when the memory alarm has freed
    // memory, at most once a minute.
    void setAlarmNotice(std::function<void(const std::string&)> notice) { alarmNotice_ = std::move(notice); }

    // What the option buttons choose for the tray tooltip.
    bool percentTooltip() const { return config_->percentTooltip(); }
    const monitor::RamConfiguration& config() const { return *config_; }
    const Timer& alarmTimer() const { return alarm_; }

private:
    void wire();
    // Runs an edit of the behaviour, then shows its state in the controls.
    void edit(const std::function<void(monitor::RamConfiguration&)>& change);
    void show();
    void alarmTick();

    Form& form_;
    MeterSource meter_;
    // Shared with a running alarm tick: its yields may let the program close
    // the window before the tick is over.
    std::shared_ptr<monitor::RamConfiguration> config_;
    bool showing_ = false;
    Timer alarm_;
    Timer sound_;
    std::function<void(const std::string&)> alarmNotice_;
    // Runs for a minute after a notice, so a stubborn shortage does not
    // bring one every check.
    Timer noticeRest_;
    // Gone with the page: an alarm tick whose yields outlived it tells nobody.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace quellar::features
