#pragma once
// The two feature windows the host calls on beyond loading, showing and
// unloading them. The finished windows derive from these; until then the
// host uses them as they are.
#include "ui/form/featurewindow_win.h"

namespace quellar::shell {

// The Advanced mode window (frmNormalMode): the host recreates it on its
// first page when the face asks for it.
class NormalModeWindowBase : public FeatureWindow {
public:
    using FeatureWindow::FeatureWindow;

    // The page the next load opens on.
    int currWizardPage() const { return currWizardPage_; }
    virtual void setCurrWizardPage(int page) { currWizardPage_ = page; }

protected:
    int currWizardPage_ = 0;
};

// The backup manager (frmBackUp): the host has it rebuild its list of backup
// files before the face's backup command hosts it.
class BackUpWindowBase : public FeatureWindow {
public:
    using FeatureWindow::FeatureWindow;

    virtual void rebuildList() {}
};

}  // namespace quellar::shell
