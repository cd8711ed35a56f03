#pragma once
// Which skin element the skinning pass gives each kind of control.
#include "core/form.h"

namespace quellar::ui {

// "Button", "Label", "Frame", "CheckBox" or "RadioBox"; nullptr for a kind
// that keeps its own look (text boxes, lists, plain labels and the rest).
const char* skinElementFor(ControlKind kind);

}  // namespace quellar::ui
