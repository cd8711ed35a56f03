#pragma once
namespace quellar {
// Fills the eight Wizard-mode presets. Start-up calls it once, after the
// Windows version is known.
void initTuningPresets();
}  // namespace quellar
