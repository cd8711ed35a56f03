#pragma once
#include <memory>

#include "core/store.h"
#include "features/ramconfig/ramconfigwindow.h"
#include "ui/form/featurewindow_win.h"

namespace quellar::features {

// frmRamConfiguration: the memory booster's settings, its memory alarm and
// the low-memory sound, running from load to unload, shown or not.
class RamConfigurationWindow : public ui::FeatureWindow {
public:
    RamConfigurationWindow(ui::FeatureHost& host, RamConfigurationPage::MeterSource meter);
    ~RamConfigurationWindow() override;

    // RAM configuration's unit for the tray tooltip: a percentage when true;
    // false while the window is not loaded.
    bool percentTooltip() const { return page_ && page_->percentTooltip(); }
    // Only while loaded.
    RamConfigurationPage& page() { return *page_; }
    // The memory alarm's notice (see RamConfigurationPage::setAlarmNotice).
    void setAlarmNotice(std::function<void(const std::string&)> notice) { alarmNotice_ = std::move(notice); }

protected:
    void onLoad() override;
    void onUnload() override;

private:
    RamConfigurationPage::MeterSource meter_;
    std::function<void(const std::string&)> alarmNotice_;
    std::unique_ptr<SettingsStore> store_;
    std::unique_ptr<RamConfigurationPage> page_;
};

}  // namespace quellar::features
