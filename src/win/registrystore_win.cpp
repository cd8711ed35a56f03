#include "win/registrystore_win.h"

#include "win/registry_win.h"

namespace quellar::win {

std::string RegistryStore::load(const std::string& area, const std::string& name,
                                const std::string& fallback) {
    return loadProgramSetting(std::string(kSettingsRoot) + area, name, fallback);
}

void RegistryStore::save(const std::string& area, const std::string& name, const std::string& value) {
    saveProgramSetting(std::string(kSettingsRoot) + area, name, value);
}

}  // namespace quellar::win
