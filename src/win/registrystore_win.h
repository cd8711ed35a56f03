#pragma once
#include "core/store.h"

namespace quellar::win {

// Settings as REG_SZ values under HKEY_LOCAL_MACHINE, the settings root
// followed by the area text; one value per control, named like it.
class RegistryStore : public SettingsStore {
public:
    std::string load(const std::string& area, const std::string& name,
                     const std::string& fallback) override;
    void save(const std::string& area, const std::string& name, const std::string& value) override;
};

}  // namespace quellar::win
