#include <doctest/doctest.h>

#include <windows.h>

#include "monitor/cpumeter_win.h"
#include "monitor/memory_win.h"
#include "support/process_win.h"
#include "support/resources_win.h"

using namespace quellar::monitor;
using namespace quellar::testing;

TEST_CASE("the meters under a 9x and an NT version mode") {
    struct Mode {
        const char* mode;
        DWORD expected;
    };
    // 1 NT, 2 the program's meter is the 9x one, 4 the 9x meter's readings,
    // 8 the NT meter's reading, 16 no StartStat reads 0 (monitor_probe_win).
    const Mode modes[] = {{"win98", 2 | 4 | 8 | 16}, {"winme", 2 | 4 | 8 | 16}, {"win2k", 1 | 4 | 8 | 16}};
    const std::string folder = testProgramFolder();
    for (const Mode& m : modes) {
        CAPTURE(m.mode);
        setWineVersionFor("monitor_probe.exe", m.mode);
        ChildProcess probe(folder + "\\monitor_probe.exe", folder);
        REQUIRE(probe.started());
        CHECK(probe.waitExit(30000) == m.expected);
    }
    setWineVersionFor("monitor_probe.exe", "");
}

TEST_CASE("real memory figures, and freeUp dispatching what is queued") {
    MonitorHooksOverride scope;
    installWin32MonitorHooks();
    Memory ram;
    CHECK(ram.totalPhysical() > 0);
    CHECK(ram.freePhysical() <= ram.totalPhysical());
    CHECK(ram.memoryLoad() <= 100);

    PostThreadMessageA(GetCurrentThreadId(), WM_USER, 0, 0);
    CHECK(ram.freeUp(1048576) == 1048576);
    MSG msg;
    CHECK_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    // More than any process can address is a plain "no", not an exception.
    bool held = false;
    CHECK_FALSE(claimSpaces(static_cast<std::size_t>(-1), [&held] { held = true; }));
    CHECK_FALSE(held);
}

TEST_CASE("thousands of readings leave the handle count where it was") {
    auto perfStats = makePerfStatsMeter();
    auto nt = makeNtMeter();
    perfStats->start();
    nt->start();
    const DWORD before = handleCount();
    REQUIRE(before > 0);
    for (int i = 0; i < 5000; ++i) {
        perfStats->read();
        nt->read();
    }
    CHECK(handleCount() == before);
}
