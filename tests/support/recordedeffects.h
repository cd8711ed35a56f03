#pragma once
// The outside effects most window tests watch: the program folder fixed at
// C:\Quellar, every sound played and every message box shown recorded (a box
// answers OK). The whole table comes back when the recorder goes.
#include <string>
#include <vector>

#include "core/effects.h"

namespace quellar::testing {

struct RecordedEffects {
    EffectsOverride scope;
    std::vector<std::string> sounds, boxes;

    RecordedEffects() {
        effects().programFolder = [] { return std::string("C:\\Quellar"); };
        effects().playSound = [this](const std::string& file) {
            sounds.push_back(file);
            return true;
        };
        effects().messageBox = [this](std::uintptr_t, const std::string& text, const std::string&, unsigned) {
            boxes.push_back(text);
            return 1;  // IDOK
        };
    }
    RecordedEffects(const RecordedEffects&) = delete;
    RecordedEffects& operator=(const RecordedEffects&) = delete;
};

}  // namespace quellar::testing
