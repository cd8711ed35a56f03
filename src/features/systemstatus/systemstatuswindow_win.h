#pragma once
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>

#include "features/systemstatus/systemstatuswindow.h"
#include "ui/form/featurewindow_win.h"

namespace quellar::features {

// frmSystemStatus: the memory and processor graphs, "Optimize Now", and
// the tray tooltip on every memory tick, shown or not.
class SystemStatusWindow : public ui::FeatureWindow {
public:
    // `percentTooltip` reads RAM configuration's choice of unit;
    // `trayTooltip` sets the tray icon's tooltip and shows the icon.
    SystemStatusWindow(ui::FeatureHost& host, std::function<bool()> percentTooltip,
                       std::function<void(const std::string&)> trayTooltip);
    ~SystemStatusWindow() override;

    // The program's processor meter; nothing while the window is not loaded.
    std::shared_ptr<monitor::ProcessorMeter> processorMeter() const;
    // Only while loaded.
    SystemStatusPage& page() { return *page_; }
    // The amount slider's tooltip as it stands.
    std::string amountTooltip() const;
    bool busy() const { return busy_; }

protected:
    void onLoad() override;
    void onControlsMade() override;
    void onUnload() override;
    bool onMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void setAmountTooltip(const std::string& text);
    // The slider's tool record with its current text, for the tooltip.
    TTTOOLINFOA amountTool();
    void setBusy(bool busy);

    std::function<bool()> percentTooltip_;
    std::function<void(const std::string&)> trayTooltip_;
    std::unique_ptr<SystemStatusPage> page_;
    HWND tooltip_ = nullptr;
    std::string amountTip_;
    bool busy_ = false;
};

}  // namespace quellar::features
