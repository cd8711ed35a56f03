#include <doctest/doctest.h>

#include "core/timers.h"
#include "support/pump_win.h"
#include "win/timers_win.h"

using namespace quellar;
using quellar::testing::pumpFor;
using quellar::testing::pumpUntil;

TEST_CASE("the program's real timers tick through the message loop until stopped") {
    int fast = 0, once = 0, stopped = 0;
    {
        win::SystemTimers timers;
        TimerService::Id onceId = 0;
        timers.start(10, [&] { ++fast; });
        onceId = timers.start(10, [&] {
            ++once;
            timers.stop(onceId);  // a tick may stop its own timer
        });
        const TimerService::Id stoppedId = timers.start(10, [&] { ++stopped; });
        timers.stop(stoppedId);
        REQUIRE(pumpUntil([&] { return fast >= 3; }, 5000));
        pumpFor(50);
        CHECK(once == 1);
        CHECK(stopped == 0);
    }
    // Gone with the service: nothing ticks into it afterwards.
    const int before = fast;
    pumpFor(50);
    CHECK(fast == before);
}
