#include "tuning/presets.h"

namespace quellar {

void initTuningPresets() {
    // The presets arrive with the tuning record; until then there is
    // nothing to fill.
}

}  // namespace quellar
