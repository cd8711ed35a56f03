#pragma once
// The two feature windows the host calls on beyond loading, showing and
// unloading them. The finished windows derive from these; a test may host
// them as they are.
#include "ui/form/featurewindow_win.h"

namespace quellar::ui {

// The Advanced mode window (frmNormalMode): the host recreates it on its
// first page when the face asks for it.
class AdvancedWindowBase : public FeatureWindow {
public:
    using FeatureWindow::FeatureWindow;

    // The page the next load opens on.
    int startPage() const { return startPage_; }
    virtual void setStartPage(int page) { startPage_ = page; }

protected:
    int startPage_ = 0;
};

// The backup manager (frmBackUp): the host has it rebuild its list of backup
// files before the face's backup command hosts it.
class BackupWindowBase : public FeatureWindow {
public:
    using FeatureWindow::FeatureWindow;

    virtual void rebuildList() {}
};

}  // namespace quellar::ui
