#include "features/mainsettings/mainsettings_win.h"

#include "core/effects.h"
#include "win/registry_win.h"
#include "win/registrystore_win.h"

namespace quellar::features {

MainSettingsWindow::MainSettingsWindow(ui::FeatureHost& host)
    : ui::FeatureWindow(host, "frmMainSettings", "Main Settings", {0, 0, 440, 246},
                    mainSettingsControls()) {}

MainSettingsWindow::~MainSettingsWindow() {
    unload();
}

void MainSettingsWindow::onLoad() {
    store_ = std::make_unique<win::RegistryStore>();
    auto writeRunEntry = [](const std::string& text, bool remove) -> long {
        return win::writeRegValue(HKEY_CURRENT_USER, kRunKeyPath, kRunValueName, REG_SZ,
                                       RegScalar(text), remove);
    };
    auto readRunEntry = []() -> std::optional<std::string> {
        const std::string none = "\x01";  // cannot be a path
        const std::string text = win::readRegString(HKEY_CURRENT_USER, kRunKeyPath, kRunValueName, none);
        if (text == none) return std::nullopt;
        return text;
    };
    std::string path = runEntryText(effects().programFolder(), effects().programFileName());
    settings_ = std::make_unique<MainSettings>(form(), *store_, writeRunEntry, path, readRunEntry);
    settings_->load();
}

void MainSettingsWindow::onUnload() {
    settings_.reset();
    store_.reset();
}

}  // namespace quellar::features
