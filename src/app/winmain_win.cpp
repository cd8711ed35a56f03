#include <windows.h>

#include "app/app_win.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    return quellar::shell::runQuellar(instance, showCommand);
}
