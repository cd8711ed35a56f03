#include <doctest/doctest.h>

#include <vector>

#include "core/effects.h"
#include "shell/addons.h"
#include "shell/osversion.h"

using namespace quellar;
using namespace quellar::shell;

namespace {

struct RecordedStarts {
    EffectsOverride scope;
    std::vector<ProgramStart> starts;
    std::int16_t savedVersion = winVersion;

    RecordedStarts() {
        effects().startProgram = [this](const ProgramStart& start) -> std::uintptr_t {
            starts.push_back(start);
            return 42;
        };
    }
    ~RecordedStarts() { winVersion = savedVersion; }
};

}  // namespace

TEST_CASE("the applets start with their exact command lines, shown") {
    RecordedStarts r;
    CHECK(OpenInternetProperties() == 42);
    CHECK(OpenSystemProperties() == 42);
    CHECK(OpenModemSettings() == 42);
    REQUIRE(r.starts.size() == 3);
    CHECK(r.starts[0].commandLine == "rundll32.exe shell32.dll,Control_RunDLL inetcpl.cpl,,0");
    CHECK(r.starts[1].commandLine == "rundll32.exe shell32.dll,Control_RunDLL sysdm.cpl,,0");
    CHECK(r.starts[2].commandLine == "rundll32.exe shell32.dll,Control_RunDLL modem.cpl");
    for (const auto& start : r.starts) CHECK(start.showState == 5);
}

TEST_CASE("the network applet follows the Windows family") {
    RecordedStarts r;
    for (int version = 1; version <= 7; ++version) {
        CAPTURE(version);
        winVersion = static_cast<std::int16_t>(version);
        r.starts.clear();
        auto id = OpenNetworkSettings();
        REQUIRE(id);
        CHECK(*id == 42);
        REQUIRE(r.starts.size() == 1);
        CHECK(r.starts[0].showState == 5);
        CHECK(r.starts[0].commandLine == (version <= 4
                                              ? "rundll32.exe shell32.dll,Control_RunDLL netcpl.cpl"
                                              : "rundll32.exe shell32.dll,Control_RunDLL ncpa.cpl"));
    }
    // Before detection, or any number outside the table: nothing starts.
    for (int version : {0, 8, -1}) {
        CAPTURE(version);
        winVersion = static_cast<std::int16_t>(version);
        r.starts.clear();
        CHECK_FALSE(OpenNetworkSettings());
        CHECK(r.starts.empty());
    }
}

TEST_CASE("a failed applet start gives task id 0") {
    RecordedStarts r;
    effects().startProgram = [](const ProgramStart&) -> std::uintptr_t { return 0; };
    CHECK(OpenModemSettings() == 0);
}
