#include "features/advanced/advancedmode_win.h"

#include "backup/appliednotice.h"
#include "backup/apply_win.h"
#include "core/effects.h"
#include "core/osversion.h"
#include "net/echo_win.h"
#include "win/dpi_win.h"
#include "win/worker_win.h"

namespace quellar::features {

namespace {
constexpr int kAdapterListWidth = 320;
// Posted by the search's worker when it is done; wParam is the search's serial.
constexpr UINT kMsgMtuFound = WM_APP + 20;
}  // namespace

// Shared by the window and its worker, so a window unloaded during a search
// neither waits for it nor leaves its result behind.
struct AdvancedModeWindow::MtuJob {
    std::string host;
    unsigned long serial = 0;
    net::MtuOutcome outcome;
};

AdvancedModeWindow::AdvancedModeWindow(ui::FeatureHost& host)
    : AdvancedWindowBase(host, "frmNormalMode", "Advanced Mode", kAdvancedModeClient,
                         advancedModeControls()) {}

AdvancedModeWindow::~AdvancedModeWindow() {
    unload();
}

void AdvancedModeWindow::onLoad() {
    AdvancedMode::Actions actions;
    actions.apply = [this] {
        const backup::ApplyResult report =
            backup::applyTuningReporting(reinterpret_cast<std::uintptr_t>(host_.hostHandle()));
        // A failed write has said so in its own box; only a whole apply is told here.
        if (report.outcome != backup::ApplyOutcome::Applied) return;
        const std::string what = "the Advanced mode's values (MTU and MSS for " + mtuTarget() + ")";
        const backup::AppliedNotice notice = backup::appliedNotice(what, report.backupPath, report.leftAlone);
        host_.showNotice(notice.title, notice.text);
    };
    actions.goHome = [this] { host_.returnHome(); };
    actions.preview = [this](const tuning::TuningParams& atFinish) {
        PreviewRequest request;
        request.title = "Preview: Advanced mode";
        request.heading =
            "What \"Finish\" writes, after a backup of the values now. MTU and MSS for " + mtuTarget() + ".";
        if (const std::string note = backup::leftAloneAdapters(); !note.empty()) request.heading += "\r\n" + note;
        request.operations = backup::plannedTuningOperations(atFinish);
        request.actionCaption = "&Finish";
        request.exportWhat = "Advanced mode values on " + std::string(winVersionNameOf(winVersion));
        request.keyLabel = backup::currentAdapterNamer();
        request.carryOut = [this] {
            if (advanced_ && advanced_->page() == kAdvancedPageCount - 1) advanced_->next();
        };
        host_.showPreview(std::move(request));
    };
    // The search takes several echoes, each with its timeout: it runs on a
    // worker thread so the window keeps answering.
    actions.findMtu = [this](const std::string& host) {
        auto job = std::make_shared<MtuJob>();
        job->host = host;
        job->serial = ++mtuSerial_;
        mtuJob_ = job;
        if (win::runOnWorker([job] { job->outcome = net::runMtuSearch(job->host, net::kMtuEchoTimeoutMs); }, hwnd(),
                             kMsgMtuFound, static_cast<WPARAM>(job->serial)))
            return;
        mtuJob_.reset();
        net::MtuOutcome none;
        none.status = net::MtuStatus::NoSockets;
        if (advanced_) advanced_->mtuFound(none);
    };
    actions.tell = [this](const std::string& text) {
        effects().messageBox(reinterpret_cast<std::uintptr_t>(hwnd()), text, kMessageCaption, MB_OK | MB_ICONEXCLAMATION);
    };
    actions.adapters = [] { return backup::currentAdapters(); };
    advanced_ = std::make_unique<AdvancedMode>(form(), tuning::currentTuning, std::move(actions));
    advanced_->load(startPage_);
}

std::string AdvancedModeWindow::mtuTarget() const {
    return advanced_ ? advanced_->mtuTargetText() : std::string(kEveryAdapter);
}

void AdvancedModeWindow::onControlsMade() {
    // Adapter names run long: the open list is wider than the box, so they
    // show whole there.
    if (HWND adapters = binder().handleOf(form()["cmbMTUAdapter"]))
        SendMessageA(adapters, CB_SETDROPPEDWIDTH, static_cast<WPARAM>(win::scaled(kAdapterListWidth)), 0);
}

void AdvancedModeWindow::onUnload() {
    mtuJob_.reset();
    advanced_.reset();
}

bool AdvancedModeWindow::onMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (msg != kMsgMtuFound) return AdvancedWindowBase::onMessage(msg, wParam, lParam, result);
    result = 0;
    if (!mtuJob_ || mtuJob_->serial != static_cast<unsigned long>(wParam)) return true;
    const std::shared_ptr<MtuJob> job = std::move(mtuJob_);
    if (advanced_) advanced_->mtuFound(job->outcome);
    net::showNetMessages(job->outcome.messages, reinterpret_cast<std::uintptr_t>(hwnd()));
    return true;
}

}  // namespace quellar::features
