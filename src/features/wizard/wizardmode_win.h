#pragma once
#include <functional>
#include <memory>

#include "ui/form/featurewindow_win.h"
#include "features/wizard/wizardmode.h"

namespace quellar::features {

// frmWizardMode: pick one of the eight presets and apply it.
class WizardModeWindow : public ui::FeatureWindow {
public:
    explicit WizardModeWindow(ui::FeatureHost& host);
    ~WizardModeWindow() override;

    // Only while loaded.
    WizardMode& wizard() { return *wizard_; }

protected:
    void onLoad() override;
    void onUnload() override;

private:
    std::unique_ptr<WizardMode> wizard_;
};

}  // namespace quellar::features
