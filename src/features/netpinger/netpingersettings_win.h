#pragma once
#include <memory>

#include "core/store.h"
#include "features/netpinger/netpingersettings.h"
#include "ui/form/featurewindow_win.h"

namespace quellar::features {

// frmNetPingerSettings: the pinger's settings and its timer. It loads
// hidden at start-up and pings from then until the program ends, shown or
// not. Each echo runs on a worker thread of its own, so the window keeps
// painting and answering while it waits (up to 10 s) for a reply; the
// outcome comes back to this window's thread as a message.
class NetPingerSettingsWindow : public ui::FeatureWindow {
public:
    explicit NetPingerSettingsWindow(ui::FeatureHost& host);
    ~NetPingerSettingsWindow() override;

    // Only while loaded.
    NetPingerSettings& settings() { return *settings_; }

protected:
    void onLoad() override;
    void onUnload() override;
    bool onMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    struct EchoJob;
    void startEcho(const net::PingRequest& request);

    std::unique_ptr<SettingsStore> store_;
    std::unique_ptr<NetPingerSettings> settings_;
    std::shared_ptr<EchoJob> job_;  // the echo under way, if any
    unsigned long jobSerial_ = 0;
};

}  // namespace quellar::features
