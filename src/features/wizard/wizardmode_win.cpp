#include "features/wizard/wizardmode_win.h"

#include "backup/appliednotice.h"
#include "backup/apply_win.h"
#include "core/osversion.h"
#include "tuning/presets.h"

namespace quellar::features {

WizardModeWindow::WizardModeWindow(ui::FeatureHost& host)
    : FeatureWindow(host, "frmWizardMode", "Wizard Mode", kWizardModeClient, wizardModeControls()) {}

WizardModeWindow::~WizardModeWindow() {
    unload();
}

void WizardModeWindow::onLoad() {
    WizardMode::Actions actions;
    actions.choosePreset = [](int index) {
        tuning::currentTuning = tuning::tuningPresets[static_cast<std::size_t>(index)];
    };
    actions.describe = [] { return tuning::modeDescription(tuning::currentTuning); };
    actions.apply = [this] {
        // A preset writes every adapter, whatever the Advanced mode chose last.
        tuning::currentTuning.mtuAdapters.clear();
        const backup::ApplyResult report =
            backup::applyTuningReporting(reinterpret_cast<std::uintptr_t>(host_.hostHandle()));
        // A failed write has said so in its own box; only a whole apply is told here.
        if (report.outcome != backup::ApplyOutcome::Applied) return;
        const backup::AppliedNotice notice = backup::appliedNotice(wizard_->selectedModeName(), report.backupPath,
                                                                   report.leftAlone);
        host_.showNotice(notice.title, notice.text);
    };
    actions.goHome = [this] { host_.returnHome(); };
    actions.preview = [this] {
        PreviewRequest request;
        request.title = "Preview: " + wizard_->selectedModeName();
        request.heading = "What \"Optimize Now\" writes for " + wizard_->selectedModeName() +
                          ", after a backup of the values now.";
        tuning::currentTuning.mtuAdapters.clear();
        if (const std::string note = backup::leftAloneAdapters(); !note.empty()) request.heading += "\r\n" + note;
        request.operations = backup::plannedTuningOperations();
        request.actionCaption = "Optimize &Now";
        request.exportWhat = wizard_->selectedModeName() + " on " + winVersionNameOf(winVersion);
        request.keyLabel = backup::currentAdapterNamer();
        request.carryOut = [this] {
            if (wizard_) wizard_->optimize();
        };
        host_.showPreview(std::move(request));
    };
    wizard_ = std::make_unique<WizardMode>(form(), std::move(actions));
    wizard_->load();
}

void WizardModeWindow::onUnload() {
    wizard_.reset();
}

}  // namespace quellar::features
