#pragma once
// The Main settings window's behaviour: start with Windows, start hidden in
// the tray. Written against the control models, so it runs without windows.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/form.h"
#include "core/storedvalues.h"

namespace quellar::features {

extern const char* const kMainSettingsArea;  // "\Settings\MainSettings"
extern const char* const kRunKeyPath;        // the current user's Run key
extern const char* const kRunValueName;      // "QuellarRun"

// The window's declaration table (design client area 440 x 246).
const std::vector<ControlDecl>& mainSettingsControls();

// The text registered under the Run key: folder, backslash, the program's
// file name without its extension, ".exe", all in double quotes (so that
// "C:\Program Files\Quellar\quellar.exe" cannot start "C:\Program.exe"),
// no normalising.
std::string runEntryText(const std::string& programFolder, const std::string& programFileName);

// An entry text in double quotes; one that has them already is returned as
// it is.
std::string quotedRunEntry(const std::string& text);

class MainSettings {
public:
    // Writes (remove = false) or removes (remove = true) the Run entry with
    // the given text; returns the system's result code.
    using RunEntryWriter = std::function<long(const std::string& text, bool remove)>;
    // The Run entry's current text; nothing when there is none.
    using RunEntryReader = std::function<std::optional<std::string>()>;

    MainSettings(Form& form, SettingsStore& store, RunEntryWriter writeRunEntry,
                 std::string programPath, RunEntryReader readRunEntry = nullptr);

    // The window's load: both stored values into the boxes and the Run
    // entry refreshed; unchanged afterwards.
    void load();

    bool changed() const { return changed_; }
    void setChanged(bool changed);

    // The stored start-in-tray option as shown: the box ticked.
    bool startsInTray() const;

private:
    void loadSettings();
    void saveSettings();

    Form& form_;
    StoredValues stored_;
    RunEntryWriter writeRunEntry_;
    RunEntryReader readRunEntry_;
    std::string programPath_;
    bool changed_ = false;
};

}  // namespace quellar::features
