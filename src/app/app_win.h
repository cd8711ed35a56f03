#pragma once
#include <windows.h>

namespace quellar::app {
// The whole life of the program: start-up, the message loop, the end.
int runQuellar(HINSTANCE instance, int showCommand);
}  // namespace quellar::app
