#pragma once
// The skinning pass: gives every control of a bound form the skin element of
// its kind.
#include "ui/skin/skin_win.h"
#include "ui/form/binder_win.h"

namespace quellar::ui {

// Walks the form's controls in declaration order and applies the element of
// each one's kind (skinElementFor) to its window. A control without an
// element or without a window is left alone, and whatever goes wrong with
// one control affects only that control.
void skinControls(SkinEngine& skin, FormBinder& form);

}  // namespace quellar::ui
