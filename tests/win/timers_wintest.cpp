#include <doctest/doctest.h>

#include "core/timers.h"
#include "support/pump_win.h"
#include "win/timers_win.h"

using namespace quellar;
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
        // Three more ticks of a timer as fast: the others had their turns.
        REQUIRE(pumpUntil([&, seen = fast] { return fast >= seen + 3; }, 5000));
        CHECK(once == 1);
        CHECK(stopped == 0);
    }
    // Gone with the service: nothing ticks into it afterwards.
    const int before = fast;
    win::SystemTimers later;
    int laterTicks = 0;
    later.start(10, [&] { ++laterTicks; });
    REQUIRE(pumpUntil([&] { return laterTicks >= 3; }, 5000));
    CHECK(fast == before);
}
