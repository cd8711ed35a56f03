#include <doctest/doctest.h>

#include <string>
#include <vector>

#include "core/effects.h"
#include "core/timers.h"
#include "features/netpinger/netpingersettings.h"
#include "support/memorystore.h"
#include "support/recordedeffects.h"

using namespace quellar;
using namespace quellar::features;
using namespace quellar::net;
using quellar::testing::RecordedEffects;
using quellar::testing::MemoryStore;

namespace {

// The window's behaviour on the manual clock, with its pings and sounds
// recorded; a ping ends only when the test says so.
struct Fixture : RecordedEffects {
    ManualTimersScope clock;
    MemoryStore store;
    Form form{"frmNetPingerSettings", "", kNetPingerClient, netPingerControls()};
    std::vector<PingRequest> pings;
    NetPingerSettings settings{form, store, [this](const PingRequest& r) { pings.push_back(r); }};

    void stored(const char* name, const char* value) { store.values[{kNetPingerArea, name}] = value; }
    Control& operator[](const char* name) { return form[name]; }
    void finish(bool replied, std::vector<NetMessage> messages = {}) {
        REQUIRE_FALSE(pings.empty());
        EchoOutcome outcome;
        outcome.replied = replied;
        outcome.sent = true;
        outcome.reach = HostReach::Reached;
        outcome.address = 0x0100007F;
        outcome.reply.roundTripMs = 2;
        outcome.messages = std::move(messages);
        settings.pingFinished(pings.back(), outcome);
    }
};

}  // namespace

TEST_CASE("the window shows the stored settings; Save follows unsaved changes; the frame follows Enable Pinger") {
    Fixture f;
    f.settings.load();
    ChoiceControl& interval = f.form.choice("cmbPingInterval");
    REQUIRE(interval.entries().size() == 60);
    CHECK(interval.text() == "1 min.");
    CHECK(f["optAuto"].value() == 1);
    CHECK(f["txtPingHost"].text() == "Automatic");
    CHECK_FALSE(f["frameConfigurations"].enabled());
    CHECK_FALSE(f["cmdPingNow"].enabled());
    CHECK_FALSE(f["cmdSave"].enabled());

    f["chkDoPinging"].userClick();
    CHECK(f["frameConfigurations"].enabled());
    CHECK(f["cmdSave"].enabled());
    CHECK_FALSE(f["txtPingHost"].enabled());  // automatic: host and interval are not the user's

    f["optManual"].userClick();
    CHECK(f["optAuto"].value() == 0);
    CHECK(f["txtPingHost"].text() == kManualExampleHost);
    CHECK(f["txtPingHost"].enabled());
    CHECK(f["cmbPingInterval"].enabled());
    interval.userSelect(1);
    // A host that is neither a whole address nor a name is refused on Save
    // and on Ping Now, beside the box: nothing saved, nothing sent.
    f["txtPingHost"].userText("300.1.1.1");
    f["cmdSave"].userClick();
    f["cmdPingNow"].userClick();
    CHECK(f.store.values.empty());
    CHECK(f.pings.empty());
    CHECK(f["cmdSave"].enabled());
    CHECK(f["txtPingHost"].problem() == kHostRule);
    CHECK(f["lblHostProblem"].text() == kHostRule);
    f["txtPingHost"].userText("127.0.0.1");
    CHECK_FALSE(f["lblHostProblem"].visible());
    f["cmdSave"].userClick();
    CHECK_FALSE(f["cmdSave"].enabled());
    CHECK(f.store.values[{kNetPingerArea, "txtPingHost"}] == "127.0.0.1");
    CHECK(f.store.values[{kNetPingerArea, "cmbPingInterval"}] == "1");
    CHECK(f.store.values[{kNetPingerArea, "optManual"}] == "True");

    f["chkSound"].userClick();
    CHECK(f["cmdSave"].enabled());
    f["optAuto"].userClick();
    CHECK(f["txtPingHost"].text() == "Automatic");
    CHECK(interval.selectedIndex() == 0);

    // A load shows what is stored and ends unchanged.
    f.stored("chkSound", "1");
    Fixture g;
    g.store.values = f.store.values;
    g.settings.load();
    CHECK(g["optManual"].value() == 1);
    CHECK(g["txtPingHost"].text() == "127.0.0.1");
    CHECK(g.form.choice("cmbPingInterval").text() == "2 min.");
    CHECK(g["chkSound"].value() == 1);
    CHECK_FALSE(g["cmdSave"].enabled());
}

TEST_CASE("the timer runs from load, pings the saved host every N-th tick, one ping at a time, with its sound") {
    Fixture f;
    f.stored("chkDoPinging", "1");
    f.stored("optAuto", "False");
    f.stored("optManual", "True");
    f.stored("txtPingHost", "127.0.0.1");
    f.stored("cmbPingInterval", "1");
    f.stored("chkSound", "1");
    f.settings.load();
    CHECK(f.clock.clock().running() == 1);

    f.clock.advance(kPingerTimerMs);
    CHECK(f.pings.empty());
    f.clock.advance(kPingerTimerMs);
    REQUIRE(f.pings.size() == 1);
    CHECK(f.pings[0].host == "127.0.0.1");
    CHECK(f.pings[0].timeoutMs == 10000);

    // Still out: neither Ping Now nor the next due tick starts another.
    f["cmdPingNow"].userClick();
    CHECK(f["lblPingResult"].text() == kPingStillOut);
    f.clock.advance(2 * kPingerTimerMs);
    CHECK(f.pings.size() == 1);
    f.finish(false);
    CHECK(f.sounds == std::vector<std::string>{"C:\\Quellar\\Ping.wav"});  // the timer: after every ping

    // Ping Now pings what the box holds, saved or not, says what came of
    // it, and sounds only after a reply.
    f["txtPingHost"].userText("127.0.0.9");
    f["cmdPingNow"].userClick();
    REQUIRE(f.pings.size() == 2);
    CHECK(f.pings[1].host == "127.0.0.9");
    CHECK(f["lblPingResult"].text() == "Pinging 127.0.0.9...");
    f.finish(false);
    CHECK(f["lblPingResult"].text() == "No reply from 127.0.0.1 within 10 seconds.");
    CHECK(f.sounds.size() == 1);
    f["cmdPingNow"].userClick();
    f.finish(true, {winsockCleanupMessage(10093)});
    CHECK(f["lblPingResult"].text() == "Reply from 127.0.0.1 in 2 ms.");
    CHECK(f.sounds.size() == 2);
    CHECK(f.boxes == std::vector<std::string>{"Windows Sockets error 10093 occurred in Cleanup."});

    // Switched off and saved: the timer goes on ticking, and pings nothing.
    f["chkDoPinging"].userClick();
    f["cmdSave"].userClick();
    f.clock.advance(10 * kPingerTimerMs);
    CHECK(f.pings.size() == 3);
    CHECK(f.clock.clock().running() == 1);

    // Switched on again: the count starts with the save, not with the
    // timer's old phase.
    f.clock.advance(kPingerTimerMs / 2);
    f["chkDoPinging"].userClick();
    f["cmdSave"].userClick();
    f.clock.advance(2 * kPingerTimerMs - 1);
    CHECK(f.pings.size() == 3);
    f.clock.advance(1);
    CHECK(f.pings.size() == 4);
}
