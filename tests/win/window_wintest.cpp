#include <doctest/doctest.h>

#include "win/window_win.h"

using namespace quellar::win;

TEST_CASE("a window binds itself to its handle and lets go on destroy") {
    struct Probe : Window {
        int created = 0, destroyed = 0;
        bool onCreate() override { ++created; return true; }
        void onDestroy() override { ++destroyed; }
    } probe;
    REQUIRE(probe.create("QuellarTestProbe", "probe", WS_POPUP, 0, 0, 0, 50, 40, nullptr));
    CHECK(Window::fromHandle(probe.hwnd()) == &probe);
    CHECK(windowText(probe.hwnd()) == "probe");
    probe.destroy();
    CHECK(probe.created == 1);
    CHECK(probe.destroyed == 1);
    CHECK(probe.hwnd() == nullptr);
}
