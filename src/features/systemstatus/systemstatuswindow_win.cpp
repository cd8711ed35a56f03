#include "features/systemstatus/systemstatuswindow_win.h"

#include <commctrl.h>

#include <cstddef>

#include "win/window_win.h"

namespace quellar::features {

namespace {

// "Optimize Now" runs once its click has been handled, outside the
// controls' own message handling, which a close during its yields would
// otherwise return into.
constexpr UINT kOptimizeMessage = WM_APP + 1;
const char* const kAmountSlider = "sldFreeMomoryReq";

// The record as the first common controls know it (no lParam), which every
// later version accepts too.
constexpr UINT kToolInfoSize = offsetof(TTTOOLINFOA, lParam);

}  // namespace

SystemStatusWindow::SystemStatusWindow(ui::FeatureHost& host, std::function<bool()> percentTooltip,
                                       std::function<void(const std::string&)> trayTooltip)
    : FeatureWindow(host, "frmSystemStatus", "System Status", kSystemStatusClient, systemStatusControls()),
      percentTooltip_(std::move(percentTooltip)),
      trayTooltip_(std::move(trayTooltip)) {}

SystemStatusWindow::~SystemStatusWindow() {
    unload();
}

std::shared_ptr<monitor::ProcessorMeter> SystemStatusWindow::processorMeter() const {
    return page_ ? page_->processorMeter() : nullptr;
}

std::string SystemStatusWindow::amountTooltip() const {
    return amountTip_;
}

void SystemStatusWindow::onLoad() {
    SystemStatusPage::Links links;
    links.percentTooltip = percentTooltip_;
    links.trayTooltip = trayTooltip_;
    links.amountTooltip = [this](const std::string& text) { setAmountTooltip(text); };
    links.busy = [this](bool on) { setBusy(on); };
    links.optimizeLater = [this] { PostMessageA(hwnd(), kOptimizeMessage, 0, 0); };
    page_ = std::make_unique<SystemStatusPage>(form(), std::move(links));
    page_->load();
}

void SystemStatusWindow::onControlsMade() {
    tooltip_ = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd(), nullptr,
                               win::moduleInstance(), nullptr);
    if (!tooltip_) return;
    // The page may have set the text before the controls were made.
    TTTOOLINFOA tool = amountTool();
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    SendMessageA(tooltip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

TTTOOLINFOA SystemStatusWindow::amountTool() {
    TTTOOLINFOA tool{};
    tool.cbSize = kToolInfoSize;
    tool.hwnd = hwnd();
    tool.uId = reinterpret_cast<UINT_PTR>(binder().handleOf(form()[kAmountSlider]));
    tool.lpszText = const_cast<char*>(amountTip_.c_str());
    return tool;
}

void SystemStatusWindow::onUnload() {
    page_.reset();
    if (tooltip_) DestroyWindow(tooltip_);
    tooltip_ = nullptr;
}

void SystemStatusWindow::setAmountTooltip(const std::string& text) {
    amountTip_ = text;
    if (!tooltip_) return;
    TTTOOLINFOA tool = amountTool();
    SendMessageA(tooltip_, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
}

void SystemStatusWindow::setBusy(bool busy) {
    busy_ = busy;
    SetCursor(LoadCursor(nullptr, busy ? IDC_WAIT : IDC_ARROW));
}

bool SystemStatusWindow::onMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (msg == kOptimizeMessage) {
        if (page_) page_->optimize();
        result = 0;
        return true;
    }
    if (msg == WM_SETCURSOR && busy_) {
        SetCursor(LoadCursor(nullptr, IDC_WAIT));
        result = TRUE;
        return true;
    }
    return FeatureWindow::onMessage(msg, wParam, lParam, result);
}

}  // namespace quellar::features
