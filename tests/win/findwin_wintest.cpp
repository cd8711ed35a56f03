#include <doctest/doctest.h>

#include "win/findwin_win.h"
#include "win/window_win.h"

using namespace quellar;

TEST_CASE("findWindowByTitle finds a top-level window by a part of its title, letter case counting") {
    win::Window window;
    REQUIRE(window.create("QuellarFindWinProbe", "Probe: Quellar FindWin 7731", WS_POPUP, 0, 0, 0, 20,
                          20, nullptr));
    CHECK(win::findWindowByTitle("FindWin 7731") == window.hwnd());
    CHECK(win::findWindowByTitle("Probe: Quellar FindWin 7731") == window.hwnd());
    CHECK(win::findWindowByTitle("findwin 7731") == nullptr);
    CHECK(win::findWindowByTitle("no window is called this 7731") == nullptr);
    HWND child = CreateWindowExA(0, "STATIC", "child title 9902", WS_CHILD, 0, 0, 5, 5, window.hwnd(),
                                 nullptr, nullptr, nullptr);
    // Only top-level windows count.
    CHECK(win::findWindowByTitle("child title 9902") == nullptr);
    DestroyWindow(child);
}
