#pragma once
// What a settings window needs of the place its settings live. The Windows
// build stores them as text values under the program's settings key; tests
// use a map.
#include <string>

namespace quellar {

class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // `area` is one of the area texts ("\Settings\MainSettings" ...); `name`
    // is the control's name. Returns `fallback` unchanged when nothing is
    // stored.
    virtual std::string load(const std::string& area, const std::string& name,
                             const std::string& fallback) = 0;
    virtual void save(const std::string& area, const std::string& name,
                      const std::string& value) = 0;
};

}  // namespace quellar
