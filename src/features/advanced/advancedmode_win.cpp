#include "features/advanced/advancedmode_win.h"

#include "backup/apply_win.h"

namespace quellar::tuning {

AdvancedModeWindow::AdvancedModeWindow(shell::FeatureHost& host)
    : NormalModeWindowBase(host, "frmNormalMode", "Advanced Mode", kAdvancedModeClient,
                           advancedModeControls()) {}

AdvancedModeWindow::~AdvancedModeWindow() {
    unload();
}

void AdvancedModeWindow::onLoad() {
    AdvancedMode::Actions actions;
    actions.apply = [this] { applyTuning(reinterpret_cast<std::uintptr_t>(host_.hostHandle())); };
    actions.goHome = [this] { host_.returnHome(shell::HomeReturn::FaceToFront); };
    advanced_ = std::make_unique<AdvancedMode>(form(), currentTuning, std::move(actions));
    advanced_->load(currWizardPage_);
}

void AdvancedModeWindow::onUnload() {
    advanced_.reset();
}

}  // namespace quellar::tuning
