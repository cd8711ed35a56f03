#include "features/advanced/advancedmode_win.h"

#include "backup/appliednotice.h"
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
    actions.apply = [this] {
        const ApplyReport report = applyTuningReported(reinterpret_cast<std::uintptr_t>(host_.hostHandle()));
        // A failed write has said so in its own box; only a whole apply is told here.
        if (report.outcome != ApplyOutcome::Applied) return;
        const backup::AppliedNotice notice = backup::appliedNotice("the Advanced mode's values", report.backupPath);
        host_.showNotice(notice.title, notice.text);
    };
    actions.goHome = [this] { host_.returnHome(shell::HomeReturn::FaceToFront); };
    actions.preview = [this](const TuningParams& atFinish) {
        preview::PreviewRequest request;
        request.title = "Preview: Advanced mode";
        request.heading = "What \"Finish\" writes, after a backup of the values now.";
        request.operations = plannedTuningOperations(atFinish);
        request.actionCaption = "&Finish";
        request.carryOut = [this] {
            if (advanced_ && advanced_->page() == kAdvancedPageCount - 1) advanced_->next();
        };
        host_.showPreview(std::move(request));
    };
    advanced_ = std::make_unique<AdvancedMode>(form(), currentTuning, std::move(actions));
    advanced_->load(currWizardPage_);
}

void AdvancedModeWindow::onUnload() {
    advanced_.reset();
}

}  // namespace quellar::tuning
