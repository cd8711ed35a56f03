#pragma once
// The RAM configuration window's behaviour: its nine stored settings, the
// validation of its boxes, the enabled states and spinner ranges, and its
// two background jobs, the memory alarm and the low-memory sound.
//
// It holds the state of the window's controls itself (RamConfigurationView)
// and has one method per thing the user can do; a window shows view() after
// each call. Values loaded from the store go through the same handlers as
// the user's edits, so loaded values are validated like typed ones.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/numberbox.h"
#include "core/storedvalues.h"

namespace quellar::monitor {

class ProcessorMeter;

extern const char* const kRamSettingsArea;  // "\Settings\RamSettings"
extern const char* const kLowMemorySound;   // "low-memory.wav"

struct SpinnerRange {
    int minimum = 0;
    int maximum = 0;
    bool operator==(const SpinnerRange& other) const {
        return minimum == other.minimum && maximum == other.maximum;
    }
};

// What the window's controls show; each field names its control beside it.
struct RamConfigurationView {
    int soundOn = 0;                      // chkSoundon: 0 clear, 1 ticked, 2 grey
    int automatic = 0;                    // chkAutomatic
    std::string alarmText = "250";        // txtAlarm
    std::string amountText = "128";       // txtFreeAlarm
    std::string intervalText = "100";     // txtTimeCheck
    bool percent = false;                 // optPer
    bool megabytes = true;                // optMB
    std::string processorText = "0";      // txtRunOnly
    std::string retryText = "0";          // txtRetryOptimization

    // Each spinner is bound to the box of the same purpose.
    int interval = 100;
    SpinnerRange intervalRange{100, 65535};
    int processorLimit = 0;
    SpinnerRange processorRange{0, 1000};
    int retries = 0;
    SpinnerRange retryRange{0, 20};

    // A box is enabled while an option that uses its value is on: the
    // check interval and the alarm level serve the sound and automatic
    // optimisation alike; the rest only the optimisation.
    bool alarmEnabled = true;
    bool amountEnabled = true;     // and its label
    bool intervalEnabled = true;   // and its spinner
    bool processorEnabled = true;  // and its spinner
    bool retryEnabled = true;      // and its spinner
    bool saveEnabled = false;
};

// The number boxes, in the order Save checks them.
extern const char* const kRamNumberBoxes[5];

// A box Save refused, and the line that says what it takes.
struct RefusedBox {
    const char* box;
    std::string rule;
};

class RamConfiguration {
public:
    explicit RamConfiguration(SettingsStore& store);

    const RamConfigurationView& view() const { return view_; }

    // The window's load: the nine stored values through the same handlers
    // as the user's edits, then the working fields; unchanged afterwards.
    void load();
    // Save: every box in use checked, then the nine values written and
    // loaded again. A box refused is returned and nothing is written; Save
    // stays as it was.
    std::optional<RefusedBox> save();

    // What a number box accepts now (the option buttons set two of them).
    WholeRange rangeOf(const std::string& box) const;
    // The user left a box: nothing when its number is accepted (the box
    // then shows it as it takes effect), else the rule it breaks.
    std::optional<std::string> leave(const std::string& box);

    // The user's edits, one per control.
    void clickSoundOn(int value);
    void clickAutomatic(int value);
    void chooseOption(bool percent);  // optPer when true, optMB otherwise
    void editAlarm(const std::string& text);
    void editAmount(const std::string& text);
    void editInterval(const std::string& text);
    void editProcessorLimit(const std::string& text);
    void editRetry(const std::string& text);
    void spinInterval(int value);
    void spinProcessorLimit(int value);
    void spinRetry(int value);

    bool changed() const { return changed_; }
    void setChanged(bool changed);

    // Whether the tray tooltip shows free memory as a percentage.
    bool percentTooltip() const { return view_.percent; }

    // Working fields, refreshed by every load.
    std::int16_t alarmLevel() const { return alarmLevel_; }
    std::uint8_t cpuThreshold() const { return cpuThreshold_; }
    std::uint8_t retryCount() const { return retryCount_; }
    // The alarm timer's interval, milliseconds.
    int checkInterval() const { return checkInterval_; }

    // What an alarm's optimisation came to: free physical memory, bytes.
    struct AlarmFreed {
        std::uint64_t freeBefore = 0;
        std::uint64_t freeAfter = 0;
    };
    // One check of the memory alarm, at the check interval. `meter` is the
    // program's processor meter (none yet: the processor condition cannot
    // hold the optimisation back). Says what became free when memory was
    // freed, so the user can be told.
    std::optional<AlarmFreed> alarmTick(ProcessorMeter* meter);
    bool soundArmed() const { return soundArmed_; }
    // Every 65,535 ms: plays the low-memory sound while the last check found
    // memory low.
    void soundTick();

private:
    void saveSettings();
    void setSoundOn(int value);
    void setAutomatic(int value);
    void setOption(bool percent, bool selected);
    void setAlarmText(const std::string& text);
    void setAmountText(const std::string& text);
    void setSpinnerText(std::string& text, int& value, const SpinnerRange& range,
                        const std::string& newText);
    void setSpinnerRanges(SpinnerRange range);
    std::string& textOf(const std::string& box);
    bool enabledBox(const std::string& box) const;
    bool accept(const std::string& box);
    void enableForAutomatic();
    void enableForSound();
    void enableBoxes();

    StoredValues stored_;
    RamConfigurationView view_;
    bool changed_ = false;
    std::int16_t alarmLevel_ = 0;
    std::uint8_t cpuThreshold_ = 0;
    std::uint8_t retryCount_ = 0;
    int checkInterval_ = 100;
    // The boxes' texts at the last load: a box that is not in use goes
    // back to it rather than stop Save with a message about it.
    std::vector<std::string> loadedTexts_;
    bool soundArmed_ = false;
};

}  // namespace quellar::monitor
