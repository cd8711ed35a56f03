#include "features/wizard/wizardmode.h"

namespace quellar::features {

namespace {
const char* const kOuterFrame = "frameWizardMode";
const char* const kModesFrame = "frameOptimizationMode";
const char* const kModeOption = "optMode";
const char* const kDescription = "lblModeDescrip";
const char* const kOptimize = "cmdOptimize";
const char* const kPreview = "cmdPreview";

constexpr int kLeftColumn = 12;
constexpr int kRightColumn = 150;
constexpr int kFirstRow = 18;
constexpr int kRowStep = 19;
constexpr int kOptionWidth = 134;
constexpr int kOptionHeight = 18;

ControlDecl mode(int index, const char* caption) {
    // Two columns read row by row: even indices left, odd right.
    int x = index % 2 == 0 ? kLeftColumn : kRightColumn;
    int y = kFirstRow + (index / 2) * kRowStep;
    return {ControlKind::OptionButton, kModeOption, caption, {x, y, kOptionWidth, kOptionHeight},
            kModesFrame, index};
}
}  // namespace

const std::vector<ControlDecl>& wizardModeControls() {
    static const std::vector<ControlDecl> decls = {
        {ControlKind::Frame, kOuterFrame, "Wizard Mode", {6, 4, 428, 240}},
        {ControlKind::Frame, kModesFrame, "Optimization Modes", {10, 18, 294, 98}, kOuterFrame},
        mode(0, "Automatic-A"),
        mode(1, "Automatic-B"),
        mode(2, "Automatic-C"),
        mode(3, "Automatic-D"),
        mode(4, "Automatic-E"),
        mode(5, "Automatic-F"),
        mode(6, "Automatic-G"),
        mode(7, "Windows default"),
        // The summary's lines are tab-aligned and wide: it takes the whole
        // width under the modes, and the button stands beside them.
        {ControlKind::Label, kDescription, "Modes Description", {14, 122, 404, 114}, kOuterFrame},
        with({ControlKind::Button, kOptimize, "Optimize &Now", {316, 40, 102, 30}, kOuterFrame},
             ControlOptions::defaultButton()),
        {ControlKind::Button, kPreview, "&Preview...", {316, 76, 102, 26}, kOuterFrame},
    };
    return decls;
}

WizardMode::WizardMode(Form& form, Actions actions) : form_(form), actions_(std::move(actions)) {
    for (int i = 0; i < kWizardModeCount; ++i) {
        form_.get(kModeOption, i).onClick = [this, i] {
            actions_.choosePreset(i);
            showModeDescription();
        };
    }
    form_[kOptimize].onClick = [this] { optimize(); };
    form_[kPreview].onClick = [this] {
        if (actions_.preview) actions_.preview();
    };
}

void WizardMode::load() {
    // Selected quietly: the load copies the preset itself, once.
    form_.get(kModeOption, 0).setValueQuietly(1);
    actions_.choosePreset(0);
    showModeDescription();
}

void WizardMode::showModeDescription() {
    form_[kDescription].setText(actions_.describe());
}

void WizardMode::optimize() {
    actions_.apply();
    actions_.goHome();
}

std::string WizardMode::selectedModeName() const {
    return form_.get(kModeOption, selectedMode()).text();
}

int WizardMode::selectedMode() const {
    for (int i = 0; i < kWizardModeCount; ++i) {
        if (form_.get(kModeOption, i).value() == 1) return i;
    }
    return 0;
}

}  // namespace quellar::features
