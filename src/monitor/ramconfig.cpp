#include "monitor/ramconfig.h"

#include <algorithm>
#include <iterator>

#include "core/effects.h"
#include "core/text.h"
#include "monitor/cpumeter.h"
#include "monitor/memory.h"

namespace quellar::monitor {

const char* const kRamSettingsArea = "\\Settings\\RamSettings";
const char* const kLowMemorySound = "low-memory.wav";

namespace {

const char* const kSoundOn = "chkSoundon";
const char* const kAutomatic = "chkAutomatic";
const char* const kAlarm = "txtAlarm";
const char* const kFreeAlarm = "txtFreeAlarm";
const char* const kTimeCheck = "txtTimeCheck";
const char* const kPercent = "optPer";
const char* const kMegabytes = "optMB";
const char* const kRunOnly = "txtRunOnly";
const char* const kRetry = "txtRetryOptimization";

constexpr SpinnerRange kMegabyteRange{0, 255};
constexpr SpinnerRange kPercentRange{0, 100};
constexpr long long kAmountMost = 1000;  // MB the alarm may be asked to free
constexpr long long kByteFieldMost = 255;
constexpr long long kAlarmFieldMost = 32767;
constexpr double kBytesPerMegabyte = 1048576.0;
constexpr long long kMegabyte = 1048576;
constexpr int kAlarmYields = 14;

int heldIn(long long value, const SpinnerRange& range) {
    return static_cast<int>(std::clamp<long long>(value, range.minimum, range.maximum));
}

std::uint8_t heldByte(int value) {
    return static_cast<std::uint8_t>(std::clamp<long long>(value, 0, kByteFieldMost));
}

using View = RamConfigurationView;

// The five number boxes, in the order Save checks them: the name the
// window shows, the text, whether it is in use, and for the three with a
// spinner its value and range (the other two take 0 to `most`).
struct NumberBox {
    const char* name;
    const char* subject;
    std::string View::*text;
    bool View::*enabled;
    int View::*spinner;
    SpinnerRange View::*range;
    std::int64_t most;
};

const NumberBox kNumberBoxes[] = {
    {kAlarm, "Alarm Level (MB)", &View::alarmText, &View::alarmEnabled, nullptr, nullptr, kAlarmFieldMost},
    {kFreeAlarm, "RAM to free (MB)", &View::amountText, &View::amountEnabled, nullptr, nullptr, kAmountMost},
    {kTimeCheck, "Check every (ms)", &View::intervalText, &View::intervalEnabled, &View::interval,
     &View::intervalRange, 0},
    {kRunOnly, "CPU-Usage", &View::processorText, &View::processorEnabled, &View::processorLimit,
     &View::processorRange, 0},
    {kRetry, "Times to retry", &View::retryText, &View::retryEnabled, &View::retries, &View::retryRange, 0},
};

// A name that is not a box's stands for the last one.
const NumberBox& numberBox(const std::string& name) {
    for (const NumberBox& box : kNumberBoxes)
        if (name == box.name) return box;
    return kNumberBoxes[std::size(kNumberBoxes) - 1];
}

}  // namespace

const char* const kRamNumberBoxes[5] = {kAlarm, kFreeAlarm, kTimeCheck, kRunOnly, kRetry};

RamConfiguration::RamConfiguration(SettingsStore& store) : stored_(store, kRamSettingsArea) {}

void RamConfiguration::setChanged(bool changed) {
    changed_ = changed;
    view_.saveEnabled = changed;
}

void RamConfiguration::load() {
    // In the stored order, each with what a fresh store reads as. A stored
    // number outside its box's range is held inside it, and anything else
    // loads as the default: what the box shows is what takes effect.
    auto number = [this](const char* box, std::int64_t fallback) {
        const WholeRange range = rangeOf(box);
        return std::to_string(stored_.whole(box, range.lowest, range.highest, fallback));
    };
    setSoundOn(stored_.check(kSoundOn));
    setAutomatic(stored_.check(kAutomatic));
    setAlarmText(number(kAlarm, 250));
    setAmountText(number(kFreeAlarm, 10));
    setSpinnerText(view_.intervalText, view_.interval, view_.intervalRange, number(kTimeCheck, 100));
    setOption(true, stored_.flag(kPercent, false));
    setOption(false, stored_.flag(kMegabytes, true));
    setSpinnerText(view_.processorText, view_.processorLimit, view_.processorRange, number(kRunOnly, 2));
    setSpinnerText(view_.retryText, view_.retries, view_.retryRange, number(kRetry, 10));
    loadedTexts_.clear();
    for (const char* box : kRamNumberBoxes) loadedTexts_.push_back(textOf(box));

    alarmLevel_ = static_cast<std::int16_t>(text::parseWholeHeld(view_.alarmText, 0, kAlarmFieldMost).value_or(0));
    enableForAutomatic();
    enableForSound();
    checkInterval_ = view_.interval;
    cpuThreshold_ = heldByte(view_.processorLimit);
    retryCount_ = heldByte(view_.retries);
    setChanged(false);
}

void RamConfiguration::saveSettings() {
    stored_.saveCheck(kSoundOn, view_.soundOn);
    stored_.saveCheck(kAutomatic, view_.automatic);
    stored_.saveText(kAlarm, view_.alarmText);
    stored_.saveText(kFreeAlarm, view_.amountText);
    stored_.saveText(kTimeCheck, view_.intervalText);
    stored_.saveFlag(kPercent, view_.percent);
    stored_.saveFlag(kMegabytes, view_.megabytes);
    stored_.saveText(kRunOnly, view_.processorText);
    stored_.saveText(kRetry, view_.retryText);
    setChanged(false);
}

std::optional<RefusedBox> RamConfiguration::save() {
    for (std::size_t i = 0; i < std::size(kRamNumberBoxes); ++i) {
        const char* box = kRamNumberBoxes[i];
        if (accept(box)) continue;
        if (enabledBox(box)) return RefusedBox{box, rangeRule(rangeOf(box))};
        textOf(box) = loadedTexts_.size() > i ? loadedTexts_[i] : std::string();
    }
    saveSettings();
    load();
    return std::nullopt;
}

WholeRange RamConfiguration::rangeOf(const std::string& box) const {
    const NumberBox& row = numberBox(box);
    if (!row.range) return {row.subject, 0, row.most};
    const SpinnerRange& range = view_.*row.range;
    return {row.subject, range.minimum, range.maximum};
}

std::string& RamConfiguration::textOf(const std::string& box) {
    return view_.*numberBox(box).text;
}

bool RamConfiguration::enabledBox(const std::string& box) const {
    return view_.*numberBox(box).enabled;
}

// A box whose number lies in its range shows it as it takes effect ("0002"
// becomes 2); its spinner follows.
bool RamConfiguration::accept(const std::string& box) {
    const std::optional<std::int64_t> number = wholeNumberIn(textOf(box), rangeOf(box));
    if (!number) return false;
    const std::string shown = std::to_string(*number);
    const NumberBox& row = numberBox(box);
    if (row.spinner) setSpinnerText(view_.*row.text, view_.*row.spinner, view_.*row.range, shown);
    else view_.*row.text = shown;
    return true;
}

std::optional<std::string> RamConfiguration::leave(const std::string& box) {
    if (accept(box)) return std::nullopt;
    return rangeRule(rangeOf(box));
}

void RamConfiguration::clickSoundOn(int value) {
    setSoundOn(value);
}

void RamConfiguration::clickAutomatic(int value) {
    setAutomatic(value);
}

void RamConfiguration::chooseOption(bool percent) {
    view_.percent = percent;
    view_.megabytes = !percent;
    setChanged(true);
    setSpinnerRanges(percent ? kPercentRange : kMegabyteRange);
}

void RamConfiguration::editAlarm(const std::string& text) {
    setAlarmText(text);
}

void RamConfiguration::editAmount(const std::string& text) {
    setAmountText(text);
}

void RamConfiguration::editInterval(const std::string& text) {
    setSpinnerText(view_.intervalText, view_.interval, view_.intervalRange, text);
}

void RamConfiguration::editProcessorLimit(const std::string& text) {
    setSpinnerText(view_.processorText, view_.processorLimit, view_.processorRange, text);
}

void RamConfiguration::editRetry(const std::string& text) {
    setSpinnerText(view_.retryText, view_.retries, view_.retryRange, text);
}

void RamConfiguration::spinInterval(int value) {
    editInterval(std::to_string(heldIn(value, view_.intervalRange)));
}

void RamConfiguration::spinProcessorLimit(int value) {
    editProcessorLimit(std::to_string(heldIn(value, view_.processorRange)));
}

void RamConfiguration::spinRetry(int value) {
    editRetry(std::to_string(heldIn(value, view_.retryRange)));
}

void RamConfiguration::setSoundOn(int value) {
    if (value == view_.soundOn) return;
    view_.soundOn = value;
    enableForSound();
}

void RamConfiguration::setAutomatic(int value) {
    if (value == view_.automatic) return;
    view_.automatic = value;
    enableForAutomatic();
}

// A loaded option state. Selecting one clears the other and runs its click,
// even when it was selected already, so the spinner ranges always follow
// the stored option (with the defaults "Free RAM in MB" is selected from
// the start, and its range of 0 to 255 must still replace the starting
// ones). Clearing one runs nothing.
void RamConfiguration::setOption(bool percent, bool selected) {
    const bool current = percent ? view_.percent : view_.megabytes;
    if (selected) {
        chooseOption(percent);
        return;
    }
    if (!current) return;
    if (percent) {
        view_.percent = false;
    } else {
        view_.megabytes = false;
    }
}

// What the user types stays as typed; it is checked when the box is left
// and at Save.
void RamConfiguration::setAlarmText(const std::string& text) {
    if (text == view_.alarmText) return;
    view_.alarmText = text;
    setChanged(true);
}

void RamConfiguration::setAmountText(const std::string& text) {
    if (text == view_.amountText) return;
    view_.amountText = text;
    setChanged(true);
}

// The box and its spinner move together: a whole number inside the
// spinner's range moves it; any change counts as an edit.
void RamConfiguration::setSpinnerText(std::string& text, int& value, const SpinnerRange& range,
                                      const std::string& newText) {
    if (newText == text) return;
    text = newText;
    if (const auto whole = wholeNumberIn(newText, WholeRange{"", range.minimum, range.maximum}))
        value = static_cast<int>(*whole);
    setChanged(true);
}

void RamConfiguration::setSpinnerRanges(SpinnerRange range) {
    auto apply = [&](std::string& text, int& value, SpinnerRange& current) {
        current = range;
        const int held = heldIn(value, range);
        if (held != value) {
            value = held;
            text = std::to_string(held);
        }
    };
    apply(view_.processorText, view_.processorLimit, view_.processorRange);
    apply(view_.retryText, view_.retries, view_.retryRange);
}

// The two click handlers: each counts as an edit and sets what its box
// governs.
void RamConfiguration::enableForAutomatic() {
    setChanged(true);
    enableBoxes();
}

void RamConfiguration::enableForSound() {
    setChanged(true);
    enableBoxes();
}

// The alarm checks memory at the interval against the level for the sound
// and for automatic optimisation; amount, processor condition and retries
// serve only the optimisation.
void RamConfiguration::enableBoxes() {
    const bool automatic = view_.automatic != 0;
    const bool alarm = automatic || view_.soundOn != 0;
    view_.alarmEnabled = alarm;
    view_.intervalEnabled = alarm;
    view_.amountEnabled = automatic;
    view_.processorEnabled = automatic;
    view_.retryEnabled = automatic;
}

std::optional<RamConfiguration::AlarmFreed> RamConfiguration::alarmTick(ProcessorMeter* meter) {
    // A tick that arrives during the yields of a running optimisation (this
    // alarm's or "Optimize Now") leaves everything as the running one has it.
    if (OptimisationTurn::running()) return std::nullopt;
    Memory ram;
    // One reading serves the sound and the optimisation alike.
    const std::uint64_t freeBefore = ram.freePhysical();
    const bool low = static_cast<double>(freeBefore) / kBytesPerMegabyte < alarmLevel_;
    soundArmed_ = low && view_.soundOn == 1;
    if (view_.automatic != 1 || !low) return std::nullopt;

    OptimisationTurn turn;
    yieldTimes(kAlarmYields);
    const std::int64_t megabytes = text::parseWholeHeld(view_.amountText, 0, kAmountMost).value_or(0);
    const auto amount = static_cast<std::int32_t>(megabytes * kMegabyte);
    // The meter is read even without a threshold: each reading starts the
    // span the System status window's next reading covers.
    const std::int32_t reading = meter ? meter->read() : -1;
    if (cpuThreshold_ != 0 && reading >= cpuThreshold_) return std::nullopt;
    if (retryCount_ == 0) retryCount_ = 1;
    bool claimed = false;
    for (int attempt = 0; attempt < retryCount_; ++attempt) {
        yieldTimes(kAlarmYields);
        // Memory that cannot be had even at half the amount will not be had
        // by asking again within the same tick; the next tick tries again.
        if (!ram.freeUp(amount)) break;
        claimed = true;
        yieldTimes(kAlarmYields);
    }
    if (!claimed) return std::nullopt;
    const std::uint64_t freeAfter = ram.freePhysical();
    if (freeAfter <= freeBefore) return std::nullopt;
    return AlarmFreed{freeBefore, freeAfter};
}

void RamConfiguration::soundTick() {
    if (!soundArmed_) return;
    effects().playSound(effects().programFolder() + "\\" + kLowMemorySound);
}

}  // namespace quellar::monitor
