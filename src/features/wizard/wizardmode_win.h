#pragma once
#include <functional>
#include <memory>

#include "ui/form/featurewindow_win.h"
#include "features/wizard/wizardmode.h"

namespace quellar::tuning {

// frmWizardMode: pick one of the eight presets and apply it.
class WizardModeWindow : public shell::FeatureWindow {
public:
    // `goHome` brings the face to the front and back to its home screen.
    WizardModeWindow(shell::FeatureHost& host, std::function<void()> goHome);
    ~WizardModeWindow() override;

    // Only while loaded.
    WizardMode& wizard() { return *wizard_; }

protected:
    void onLoad() override;
    void onUnload() override;

private:
    std::function<void()> goHome_;
    std::unique_ptr<WizardMode> wizard_;
};

}  // namespace quellar::tuning
