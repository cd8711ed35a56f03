#include <doctest/doctest.h>

#include <utility>
#include <vector>

#include "core/effects.h"
#include "monitor/systemactions.h"

using namespace quellar;
using namespace quellar::monitor;

namespace {

struct Recorder {
    EffectsOverride scope;
    std::vector<std::pair<unsigned, unsigned long>> exits;
    std::vector<ShellOpen> opens;
    int exitResult = 1;

    Recorder() {
        effects().exitWindows = [this](unsigned flags, unsigned long reserved) {
            exits.emplace_back(flags, reserved);
            return exitResult;
        };
        effects().shellOpen = [this](const ShellOpen& open) -> std::uintptr_t {
            opens.push_back(open);
            return 33;
        };
    }
};

}  // namespace

TEST_CASE("exitWindows: the shut-down words in any letter case, nothing else") {
    Recorder r;
    SystemActions actions;
    CHECK(actions.exitWindows("shutdown") == 1);
    CHECK(actions.exitWindows("REBOOT") == 1);
    CHECK(actions.exitWindows("LogOff") == 1);
    using Exit = std::pair<unsigned, unsigned long>;
    CHECK(r.exits == std::vector<Exit>{{1u, 0ul}, {2u, 0ul}, {0u, 0ul}});

    r.exits.clear();
    for (const char* word : {"", "restart", "reboot ", " shutdown", "log off"}) {
        CAPTURE(word);
        CHECK(actions.exitWindows(word) == 0);
    }
    CHECK(r.exits.empty());

    // The system's refusal comes back as it is.
    r.exitResult = 0;
    CHECK(actions.exitWindows("Reboot") == 0);
    CHECK(r.exits == std::vector<Exit>{{2u, 0ul}});
}

TEST_CASE("openWebPage and startEmail hand their targets to the shell") {
    Recorder r;
    SystemActions actions;
    actions.openWebPage("http://example.invalid/a b");
    actions.startEmail("someone@example.invalid");
    actions.startEmail("");
    REQUIRE(r.opens.size() == 3);

    CHECK(r.opens[0].owner == 0);
    CHECK(r.opens[0].verb == "open");
    CHECK(r.opens[0].file == "http://example.invalid/a b");
    CHECK(r.opens[0].parameters.empty());
    CHECK(r.opens[0].directory.empty());
    CHECK(r.opens[0].showState == 3);

    CHECK(r.opens[1].owner == 0);
    CHECK(r.opens[1].verb.empty());
    CHECK(r.opens[1].file == "mailto:someone@example.invalid");
    CHECK(r.opens[1].parameters.empty());
    CHECK(r.opens[1].directory.empty());
    CHECK(r.opens[1].showState == 9);

    // No address: a new message without recipient.
    CHECK(r.opens[2].file == "mailto:");
    CHECK(r.exits.empty());
}
