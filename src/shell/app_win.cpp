#include "shell/app_win.h"

#include <commctrl.h>

#include "win/effects_win.h"
#include "win/window_win.h"

namespace quellar::shell {

namespace {
class MainWindow : public win::Window {
protected:
    void onDestroy() override { PostQuitMessage(0); }
};
}  // namespace

int runQuellar(HINSTANCE, int showCommand) {
    InitCommonControls();
    win::installWin32Effects();
    MainWindow main;
    if (!main.create("QuellarMain", "Quellar", WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX, 0,
                     CW_USEDEFAULT, CW_USEDEFAULT, 724, 540, nullptr))
        return 1;
    ShowWindow(main.hwnd(), showCommand);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}

}  // namespace quellar::shell
