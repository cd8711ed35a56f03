#include "features/advanced/advancedmode_win.h"

#include "backup/appliednotice.h"
#include "backup/apply_win.h"
#include "core/effects.h"
#include "net/echo_win.h"

namespace quellar::tuning {

namespace {

// A search's outcome, posted back to the window that started it.
constexpr UINT kMsgMtuFound = WM_APP + 20;

struct MtuJob {
    HWND window;
    std::string host;
    net::MtuOutcome outcome;
};

DWORD WINAPI runMtuJob(LPVOID parameter) {
    auto* job = static_cast<MtuJob*>(parameter);
    job->outcome = net::runMtuSearch(job->host, net::kMtuEchoTimeoutMs);
    // A window unloaded meanwhile takes no message; the job ends here then.
    if (!PostMessageA(job->window, kMsgMtuFound, 0, reinterpret_cast<LPARAM>(job))) delete job;
    return 0;
}

}  // namespace

AdvancedModeWindow::AdvancedModeWindow(shell::FeatureHost& host)
    : NormalModeWindowBase(host, "frmNormalMode", "Advanced Mode", kAdvancedModeClient,
                           advancedModeControls()) {}

AdvancedModeWindow::~AdvancedModeWindow() {
    unload();
}

void AdvancedModeWindow::onLoad() {
    AdvancedMode::Actions actions;
    actions.apply = [this] {
        const ApplyResult report = applyTuningReporting(reinterpret_cast<std::uintptr_t>(host_.hostHandle()));
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
    // The search takes several echoes, each with its timeout: it runs on a
    // worker thread (CreateThread: the exe's thread model has no
    // std::thread) so the window keeps answering.
    actions.findMtu = [this](const std::string& host) {
        auto* job = new MtuJob{hwnd(), host, {}};
        HANDLE thread = CreateThread(nullptr, 0, runMtuJob, job, 0, nullptr);
        if (thread) {
            CloseHandle(thread);
            return;
        }
        delete job;
        net::MtuOutcome none;
        none.status = net::MtuStatus::NoSockets;
        if (advanced_) advanced_->mtuFound(none);
    };
    actions.tell = [this](const std::string& text) {
        effects().messageBox(reinterpret_cast<std::uintptr_t>(hwnd()), text, kMessageCaption, MB_OK | MB_ICONEXCLAMATION);
    };
    advanced_ = std::make_unique<AdvancedMode>(form(), currentTuning, std::move(actions));
    advanced_->load(currWizardPage_);
}

void AdvancedModeWindow::onUnload() {
    advanced_.reset();
}

bool AdvancedModeWindow::onMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (msg != kMsgMtuFound) return NormalModeWindowBase::onMessage(msg, wParam, lParam, result);
    std::unique_ptr<MtuJob> job(reinterpret_cast<MtuJob*>(lParam));
    if (advanced_) advanced_->mtuFound(job->outcome);
    net::showNetMessages(job->outcome.messages, reinterpret_cast<std::uintptr_t>(hwnd()));
    result = 0;
    return true;
}

}  // namespace quellar::tuning
