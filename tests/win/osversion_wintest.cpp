#include <doctest/doctest.h>

#include "support/process_win.h"

using namespace quellar::testing;

TEST_CASE("the version index under each Windows version Wine can report") {
    struct Mode {
        const char* mode;
        DWORD index;
    };
    const Mode modes[] = {{"win95", 1}, {"win98", 2},  {"winme", 3},   {"nt40", 4},
                          {"win2k", 5}, {"winxp", 6},  {"win2003", 7}, {"win7", 7}};
    std::string folder = testProgramFolder();
    for (const Mode& m : modes) {
        CAPTURE(m.mode);
        setWineVersionFor("osversion_probe.exe", m.mode);
        ChildProcess probe(folder + "\\osversion_probe.exe", folder);
        REQUIRE(probe.started());
        CHECK(probe.waitExit(30000) == m.index);
    }
    setWineVersionFor("osversion_probe.exe", "");
}
