#pragma once
// The eight Wizard-mode presets and the summary text the Wizard shows for
// the set it is about to apply.
#include <array>
#include <cstddef>
#include <string>

#include "tuning/tuning.h"

namespace quellar::tuning {

inline constexpr std::size_t kTuningPresetCount = 8;
// "Windows default": removes every mapped value instead of writing numbers.
inline constexpr std::size_t kWindowsDefaultPreset = 7;

// Index 0 to 7, the index of the Wizard's mode option, built from the
// presets' table before the program starts.
extern const std::array<TuningParams, kTuningPresetCount> tuningPresets;

// The mode names, in preset order: "Automatic-A" ... "Automatic-G",
// "Windows default".
extern const std::array<const char*, kTuningPresetCount> kTuningPresetNames;

// The Wizard's summary of a set: five groups of "NAME = value" separated by
// tabs, lines ended by CR LF, numbers in plain decimal (-1 as "-1"),
// switches as True or False. pmtuDiscovery is not shown. A set that puts
// back the system's defaults says so instead of listing numbers.
std::string modeDescription(const TuningParams& params);

}  // namespace quellar::tuning
