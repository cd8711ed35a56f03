#include <windows.h>

#include "app/app_win.h"
// Definitions for this program alone: how the runtime ends its faults.
#include "win/runtimeends_win.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    return quellar::app::runQuellar(instance, showCommand);
}
