#pragma once
// The window of a frame on a form: a container that draws a group box with
// its caption and passes its children's notifications on to its own parent.
#include <windows.h>

namespace quellar::ui {

extern const char* const kFrameClass;

// Registers the class once per process; later calls do nothing.
void registerFrameClass();

}  // namespace quellar::ui
