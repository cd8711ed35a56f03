#pragma once
#include <memory>

#include "core/store.h"
#include "ui/form/featurewindow_win.h"
#include "features/mainsettings/mainsettings.h"

namespace quellar::features {

class MainSettingsWindow : public ui::FeatureWindow {
public:
    explicit MainSettingsWindow(ui::FeatureHost& host);
    ~MainSettingsWindow() override;

    // Only while loaded.
    MainSettings& settings() { return *settings_; }

protected:
    void onLoad() override;
    void onUnload() override;

private:
    std::unique_ptr<SettingsStore> store_;
    std::unique_ptr<MainSettings> settings_;
};

}  // namespace quellar::features
