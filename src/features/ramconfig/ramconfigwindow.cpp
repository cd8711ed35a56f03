#include "features/ramconfig/ramconfigwindow.h"

#include <iterator>
#include <optional>
#include <string>

#include "monitor/systemstatus.h"

namespace quellar::features {

namespace {

const char* const kOuter = "frameRamConfiguration";
const char* const kAutomaticFrame = "frameAutomaticOptimization";
const char* const kToolTipFrame = "frameToolTipText";
const char* const kOnOffFrame = "frameOnOff";

const char* const kSave = "cmdSave";
const char* const kTimeCheck = "txtTimeCheck";
const char* const kTimeCheckSpinner = "updnTimeCheck";
const char* const kTimeCheckLabel = "lblTimeCheck";
const char* const kAlarm = "txtAlarm";
const char* const kFreeAlarm = "txtFreeAlarm";
const char* const kFreeAlarmLabel = "lblFreeAlarm";
const char* const kPercent = "optPer";
const char* const kMegabytes = "optMB";
const char* const kRunOnly = "txtRunOnly";
const char* const kRunOnlySpinner = "UpDownRunOnly";
const char* const kRetry = "txtRetryOptimization";
const char* const kRetrySpinner = "UpDownRetryOptimization";
const char* const kSoundOn = "chkSoundon";
const char* const kAutomatic = "chkAutomatic";

}  // namespace

const std::vector<ControlDecl>& ramConfigurationControls() {
    using K = ControlKind;
    static const std::vector<ControlDecl> decls = {
        {K::Frame, kOuter, "Ram Configuration", {4, 2, 432, 236}},
        {K::Frame, kAutomaticFrame, "Automatic Optimization", {6, 14, 420, 80}, kOuter},
        {K::Label, kTimeCheckLabel, "Do check every (in Milliseconds)", {8, 18, 326, 16}, kAutomaticFrame},
        {K::TextBox, kTimeCheck, "100", {338, 15, 56, 20}, kAutomaticFrame},
        with({K::UpDown, kTimeCheckSpinner, "", {394, 15, 16, 20}, kAutomaticFrame},
             ControlOptions::upDown(100, 65535, 1, kTimeCheck)),
        {K::Label, "lblAlarm", "Alarm Level (in MB):", {8, 39, 326, 16}, kAutomaticFrame},
        {K::TextBox, kAlarm, "250", {338, 36, 56, 20}, kAutomaticFrame},
        {K::Label, kFreeAlarmLabel, "RAM to try and free when alarm level is reached:", {8, 60, 326, 16},
         kAutomaticFrame},
        {K::TextBox, kFreeAlarm, "128", {338, 57, 56, 20}, kAutomaticFrame},

        {K::Frame, kToolTipFrame, "System Tray Icon Tool Tip Text", {6, 96, 420, 86}, kOuter},
        {K::OptionButton, kPercent, "Percentage of Free RAM", {8, 15, 200, 18}, kToolTipFrame},
        {K::OptionButton, kMegabytes, "Free RAM in MB", {214, 15, 196, 18}, kToolTipFrame},
        // Two lines: the text is wider than the frame leaves beside the box.
        {K::Label, "lblRunOnly", "Run ONLY if CPU-Usage is below this (0=detection not in use)",
         {8, 35, 300, 28}, kToolTipFrame},
        {K::TextBox, kRunOnly, "0", {338, 38, 56, 20}, kToolTipFrame},
        with({K::UpDown, kRunOnlySpinner, "", {394, 38, 16, 20}, kToolTipFrame},
             ControlOptions::upDown(0, 1000, 1, kRunOnly)),
        {K::Label, "lblRetryOptimization", "Times to retry optimization", {8, 65, 326, 16}, kToolTipFrame},
        {K::TextBox, kRetry, "0", {338, 62, 56, 20}, kToolTipFrame},
        with({K::UpDown, kRetrySpinner, "", {394, 62, 16, 20}, kToolTipFrame},
             ControlOptions::upDown(0, 20, 1, kRetry)),

        {K::Frame, kOnOffFrame, "On/Off settings", {6, 184, 346, 50}, kOuter},
        {K::CheckBox, kSoundOn, "Sound on", {8, 14, 330, 17}, kOnOffFrame},
        {K::CheckBox, kAutomatic, "Optimize automatically when Alarm level is reached", {8, 31, 330, 17},
         kOnOffFrame},
        {K::Button, kSave, "Save", {358, 194, 68, 32}, kOuter},
    };
    return decls;
}

RamConfigurationPage::RamConfigurationPage(Form& form, SettingsStore& store, MeterSource meter)
    : form_(form), meter_(std::move(meter)), config_(std::make_shared<monitor::RamConfiguration>(store)) {
    wire();
}

void RamConfigurationPage::wire() {
    auto onClick = [this](const char* name, std::function<void(monitor::RamConfiguration&, int)> change) {
        Control& control = form_[name];
        control.onClick = [this, &control, change] {
            edit([&](monitor::RamConfiguration& config) { change(config, control.value()); });
        };
    };
    auto onText = [this](const char* name, void (monitor::RamConfiguration::*change)(const std::string&)) {
        Control& control = form_[name];
        control.onChange = [this, &control, change] {
            edit([&](monitor::RamConfiguration& config) { (config.*change)(control.text()); });
        };
    };
    onClick(kSoundOn, [](monitor::RamConfiguration& c, int value) { c.clickSoundOn(value); });
    onClick(kAutomatic, [](monitor::RamConfiguration& c, int value) { c.clickAutomatic(value); });
    onClick(kPercent, [](monitor::RamConfiguration& c, int) { c.chooseOption(true); });
    onClick(kMegabytes, [](monitor::RamConfiguration& c, int) { c.chooseOption(false); });
    // A spinner's arrows change its box's text, which arrives here.
    onText(kAlarm, &monitor::RamConfiguration::editAlarm);
    onText(kFreeAlarm, &monitor::RamConfiguration::editAmount);
    onText(kTimeCheck, &monitor::RamConfiguration::editInterval);
    onText(kRunOnly, &monitor::RamConfiguration::editProcessorLimit);
    onText(kRetry, &monitor::RamConfiguration::editRetry);
    // A box is read when the user leaves it and at Save, never while typing.
    for (const char* box : monitor::kRamNumberBoxes) {
        form_[box].onLeave = [this, box] {
            std::optional<std::string> rule;
            edit([&](monitor::RamConfiguration& config) { rule = config.leave(box); });
            if (rule) form_[box].refuse(*rule);
            else form_[box].clearProblem();
        };
    }
    form_[kSave].onClick = [this] {
        std::optional<monitor::RefusedBox> refused;
        edit([&](monitor::RamConfiguration& config) { refused = config.save(); });
        if (refused) {
            form_[refused->box].refuse(refused->rule);
            return;
        }
        for (const char* box : monitor::kRamNumberBoxes) form_[box].clearProblem();
        alarm_.setInterval(static_cast<std::uint32_t>(config_->checkInterval()));
    };
    // Each box's refusal shows in place of the caption beside it.
    const char* const labels[] = {"lblAlarm", kFreeAlarmLabel, kTimeCheckLabel, "lblRunOnly", "lblRetryOptimization"};
    for (std::size_t i = 0; i < std::size(labels); ++i) form_.showProblemBeside(monitor::kRamNumberBoxes[i], labels[i]);
}

void RamConfigurationPage::edit(const std::function<void(monitor::RamConfiguration&)>& change) {
    // The behaviour's own corrections come back through show(), quietly.
    if (showing_) return;
    change(*config_);
    show();
}

void RamConfigurationPage::show() {
    showing_ = true;
    const monitor::RamConfigurationView& v = config_->view();
    form_[kSoundOn].setValueQuietly(v.soundOn);
    form_[kAutomatic].setValueQuietly(v.automatic);
    form_[kPercent].setValueQuietly(v.percent ? 1 : 0);
    form_[kMegabytes].setValueQuietly(v.megabytes ? 1 : 0);
    form_[kAlarm].setTextQuietly(v.alarmText);
    form_[kFreeAlarm].setTextQuietly(v.amountText);
    // The spinner first, the box after it: the box keeps the text as typed
    // even where the spinner holds a value inside its range.
    auto spinner = [this](const char* name, const char* box, const monitor::SpinnerRange& range, int value,
                          const std::string& text) {
        RangeControl& updown = form_.range(name);
        updown.setRange(range.minimum, range.maximum);
        updown.setValueQuietly(value);
        form_[box].setTextQuietly(text);
    };
    spinner(kTimeCheckSpinner, kTimeCheck, v.intervalRange, v.interval, v.intervalText);
    spinner(kRunOnlySpinner, kRunOnly, v.processorRange, v.processorLimit, v.processorText);
    spinner(kRetrySpinner, kRetry, v.retryRange, v.retries, v.retryText);
    form_[kAlarm].setEnabled(v.alarmEnabled);
    form_[kFreeAlarm].setEnabled(v.amountEnabled);
    form_[kFreeAlarmLabel].setEnabled(v.amountEnabled);
    form_[kTimeCheck].setEnabled(v.intervalEnabled);
    form_[kTimeCheckSpinner].setEnabled(v.intervalEnabled);
    form_[kTimeCheckLabel].setEnabled(v.intervalEnabled);
    form_["lblAlarm"].setEnabled(v.alarmEnabled);
    form_[kRunOnly].setEnabled(v.processorEnabled);
    form_[kRunOnlySpinner].setEnabled(v.processorEnabled);
    form_["lblRunOnly"].setEnabled(v.processorEnabled);
    form_[kRetry].setEnabled(v.retryEnabled);
    form_[kRetrySpinner].setEnabled(v.retryEnabled);
    form_["lblRetryOptimization"].setEnabled(v.retryEnabled);
    form_[kSave].setEnabled(v.saveEnabled);
    showing_ = false;
}

void RamConfigurationPage::load() {
    config_->load();
    show();
    alarm_.start(static_cast<std::uint32_t>(config_->checkInterval()), [this] { alarmTick(); });
    sound_.start(kSoundInterval, [config = config_] { config->soundTick(); });
}

void RamConfigurationPage::alarmTick() {
    // Both kept for the whole tick, which yields to the message loop.
    const std::shared_ptr<monitor::RamConfiguration> config = config_;
    const std::shared_ptr<monitor::ProcessorMeter> meter = meter_ ? meter_() : nullptr;
    const std::weak_ptr<bool> alive = alive_;
    const std::optional<monitor::RamConfiguration::AlarmFreed> freed = config->alarmTick(meter.get());
    if (!freed || alive.expired() || noticeRest_.running() || !alarmNotice_) return;
    noticeRest_.startOnce(kAlarmNoticeRest, [] {});
    alarmNotice_(monitor::alarmFreedText(freed->freeBefore, freed->freeAfter));
}

}  // namespace quellar::features
