#include "features/netpinger/netpingersettings_win.h"

#include "net/echo_win.h"
#include "win/registrystore_win.h"
#include "win/worker_win.h"

namespace quellar::features {

namespace {
// Posted by a worker when its echo is done; wParam is the job's serial.
constexpr UINT kEchoDone = WM_APP + 0x51;
}  // namespace

// Shared by the window and its worker, so either may let go first: a window
// unloaded at exit does not wait for an echo.
struct NetPingerSettingsWindow::EchoJob {
    net::PingRequest request;
    // The system calls as they were when the ping started: the worker never
    // reads the process-wide table, which a test may replace meanwhile.
    net::NetSystem system;
    unsigned long serial = 0;
    net::EchoOutcome outcome;
};

NetPingerSettingsWindow::NetPingerSettingsWindow(ui::FeatureHost& host)
    : FeatureWindow(host, "frmNetPingerSettings", "Net Pinger Settings", kNetPingerClient, netPingerControls()) {}

NetPingerSettingsWindow::~NetPingerSettingsWindow() {
    unload();
}

void NetPingerSettingsWindow::onLoad() {
    store_ = std::make_unique<win::RegistryStore>();
    settings_ = std::make_unique<NetPingerSettings>(
        form(), *store_, [this](const net::PingRequest& request) { startEcho(request); },
        reinterpret_cast<std::uintptr_t>(host_.hostHandle()));
    settings_->load();
}

void NetPingerSettingsWindow::onUnload() {
    // An echo still out finishes on its own and finds no window to tell.
    job_.reset();
    settings_.reset();
    store_.reset();
}

void NetPingerSettingsWindow::startEcho(const net::PingRequest& request) {
    auto job = std::make_shared<EchoJob>();
    job->request = request;
    job->system = net::netSystem();
    job->serial = ++jobSerial_;
    job_ = job;
    const auto echo = [job] { job->outcome = net::echoHost(job->request.host, job->request.timeoutMs, job->system); };
    if (win::runOnWorker(echo, hwnd(), kEchoDone, static_cast<WPARAM>(job->serial))) return;
    // No thread to be had: the echo blocks here, and still ends through the
    // message, as every other does.
    echo();
    PostMessageA(hwnd(), kEchoDone, static_cast<WPARAM>(job->serial), 0);
}

bool NetPingerSettingsWindow::onMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (msg != kEchoDone) return FeatureWindow::onMessage(msg, wParam, lParam, result);
    result = 0;
    if (!job_ || !settings_ || job_->serial != static_cast<unsigned long>(wParam)) return true;
    // Taken off first: the messages may open a box, inside whose loop the
    // next tick can start the next echo.
    const std::shared_ptr<EchoJob> job = std::move(job_);
    settings_->pingFinished(job->request, job->outcome);
    return true;
}

}  // namespace quellar::features
