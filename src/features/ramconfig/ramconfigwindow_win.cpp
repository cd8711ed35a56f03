#include "features/ramconfig/ramconfigwindow_win.h"

#include "win/registrystore_win.h"

namespace quellar::features {

RamConfigurationWindow::RamConfigurationWindow(ui::FeatureHost& host, RamConfigurationPage::MeterSource meter)
    : FeatureWindow(host, "frmRamConfiguration", "Ram Configuration", kRamConfigurationClient,
                    ramConfigurationControls()),
      meter_(std::move(meter)) {}

RamConfigurationWindow::~RamConfigurationWindow() {
    unload();
}

void RamConfigurationWindow::onLoad() {
    store_ = std::make_unique<win::RegistryStore>();
    page_ = std::make_unique<RamConfigurationPage>(form(), *store_, meter_);
    page_->setAlarmNotice(alarmNotice_);
    page_->load();
}

void RamConfigurationWindow::onUnload() {
    page_.reset();
    store_.reset();
}

}  // namespace quellar::features
