#include "features/wizard/wizardmode_win.h"

#include "backup/apply_win.h"
#include "tuning/presets.h"

namespace quellar::tuning {

WizardModeWindow::WizardModeWindow(shell::FeatureHost& host)
    : FeatureWindow(host, "frmWizardMode", "Wizard Mode", kWizardModeClient, wizardModeControls()) {}

WizardModeWindow::~WizardModeWindow() {
    unload();
}

void WizardModeWindow::onLoad() {
    WizardMode::Actions actions;
    actions.choosePreset = [](int index) {
        currentTuning = tuningPresets[static_cast<std::size_t>(index)];
    };
    actions.describe = [] { return modeDescription(currentTuning); };
    actions.apply = [this] { applyTuning(reinterpret_cast<std::uintptr_t>(host_.hostHandle())); };
    actions.goHome = [this] { host_.returnHome(shell::HomeReturn::FaceToFront); };
    wizard_ = std::make_unique<WizardMode>(form(), std::move(actions));
    wizard_->load();
}

void WizardModeWindow::onUnload() {
    wizard_.reset();
}

}  // namespace quellar::tuning
