#pragma once
// A settings store in memory, for tests of settings windows.
#include <map>
#include <string>
#include <utility>

#include "core/store.h"

namespace quellar::testing {

class MemoryStore : public SettingsStore {
public:
    std::map<std::pair<std::string, std::string>, std::string> values;
    int saves = 0;

    std::string load(const std::string& area, const std::string& name,
                     const std::string& fallback) override {
        auto it = values.find({area, name});
        return it == values.end() ? fallback : it->second;
    }
    void save(const std::string& area, const std::string& name, const std::string& value) override {
        values[{area, name}] = value;
        ++saves;
    }
};

}  // namespace quellar::testing
