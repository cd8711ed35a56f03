#pragma once
// Declaration tables and design sizes of the feature windows whose own
// controls are not built yet: each has its outer frame, so it already
// loads, skins and hosts like the finished ones.
#include <vector>

#include "core/form.h"

namespace quellar {

struct FeatureDesign {
    const char* name;      // the window's name, e.g. "frmWizardMode"
    const char* caption;
    PixelRect client;
    const std::vector<ControlDecl>* controls;
};

const FeatureDesign& normalModeDesign();
const FeatureDesign& backUpDesign();

}  // namespace quellar
