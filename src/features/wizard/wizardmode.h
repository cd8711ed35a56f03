#pragma once
// The Wizard mode window's behaviour: eight option buttons choose a preset,
// a label shows the chosen values, "Optimize &Now" applies them.
#include <functional>
#include <string>
#include <vector>

#include "core/form.h"

namespace quellar::features {

constexpr int kWizardModeCount = 8;

// The window's client area as designed, and its declaration table.
inline constexpr PixelRect kWizardModeClient{0, 0, 443, 257};
const std::vector<ControlDecl>& wizardModeControls();

class WizardMode {
public:
    struct Actions {
        std::function<void(int)> choosePreset;   // copy preset i over the current set
        std::function<std::string()> describe;   // the summary of the current set
        std::function<void()> apply;              // apply the current set
        std::function<void()> goHome;             // face in front, back to its home screen
        std::function<void()> preview;            // show what an apply would write
    };

    WizardMode(Form& form, Actions actions);

    // The window's load, after skinning: "Automatic-A" and its summary.
    void load();
    void showModeDescription();
    // What "Optimize &Now" does: apply the current set, then go home.
    void optimize();
    // The caption of the selected mode ("Automatic-A" ...).
    std::string selectedModeName() const;
    // The option button that is selected, 0 to 7.
    int selectedMode() const;

private:
    Form& form_;
    Actions actions_;
};

}  // namespace quellar::features
