#include <doctest/doctest.h>

#include "net/pinger.h"
#include "support/memorystore.h"

using namespace quellar::net;
using quellar::testing::MemoryStore;

namespace {

struct Fixture {
    MemoryStore store;
    Pinger pinger{store};

    void stored(const char* name, const char* value) { store.values[{kNetPingerArea, name}] = value; }
    std::string saved(const char* name) { return store.values[{kNetPingerArea, name}]; }

    // Saves manual mode pinging `host` at list entry `index`.
    void saveManual(const std::string& host, int index) {
        pinger.load();
        pinger.setDoPinging(true);
        pinger.chooseManual();
        pinger.setHost(host);
        pinger.setIntervalIndex(index);
        pinger.save();
    }
    // The ticks (1-based) among the next `count` that ask for a ping; each
    // ping ends at once.
    std::vector<int> pingingTicks(int count) {
        std::vector<int> ticks;
        for (int i = 1; i <= count; ++i)
            if (auto request = pinger.tick()) {
                ticks.push_back(i);
                pinger.finished(*request, true);
            }
        return ticks;
    }
};

}  // namespace

TEST_CASE("the interval list: 60 entries, 1 min. to 60 min.") {
    const std::vector<std::string> entries = intervalEntries();
    REQUIRE(entries.size() == 60);
    CHECK(entries.front() == "1 min.");
    CHECK(entries[5] == "6 min.");
    CHECK(entries.back() == "60 min.");
    CHECK(pingSoundPath("C:\\Quellar") == "C:\\Quellar\\Ping.wav");
}

TEST_CASE("no stored settings: off, automatic, and once enabled the default host every 6 ticks") {
    Fixture f;
    f.pinger.load();
    const PingerFields& fields = f.pinger.fields();
    CHECK(fields.doPinging == 0);
    CHECK(fields.automatic);
    CHECK(fields.host == "Automatic");
    CHECK(fields.intervalIndex == 0);
    CHECK(fields.sound == 0);
    CHECK_FALSE(f.pinger.changed());
    CHECK_FALSE(f.pinger.timerEnabled());
    CHECK_FALSE(f.pinger.configurationEnabled());
    CHECK_FALSE(f.pinger.hostFieldsEnabled());
    CHECK_FALSE(f.pinger.tick());

    f.pinger.setDoPinging(true);
    CHECK(f.pinger.configurationEnabled());
    f.pinger.save();
    CHECK(f.pinger.timerEnabled());
    CHECK(f.pinger.ticksPerPing() == 6);
    for (int i = 0; i < 5; ++i) CHECK_FALSE(f.pinger.tick());
    const auto request = f.pinger.tick();
    REQUIRE(request);
    CHECK(request->host == kDefaultPingHost);
    CHECK(request->timeoutMs == 10000);
    CHECK(f.pinger.tickCount() == 0);
}

TEST_CASE("tick counting: first entry every tick, last every 60th, a shorter interval at the next tick") {
    Fixture f;
    f.saveManual("127.0.0.1", 0);
    CHECK(f.pingingTicks(3) == std::vector<int>{1, 2, 3});

    f.saveManual("127.0.0.1", 59);
    CHECK(f.pingingTicks(120) == std::vector<int>{60, 120});

    f.pingingTicks(20);
    CHECK(f.pinger.tickCount() == 20);
    f.pinger.setIntervalIndex(4);  // 5 min.: the count is already past 4
    f.pinger.save();
    CHECK(f.pinger.tickCount() == 20);
    CHECK(f.pingingTicks(6) == std::vector<int>{1, 6});
}

TEST_CASE("load and save: the six values as written, True/False in any case, bad values as defaults") {
    Fixture f;
    f.stored("chkDoPinging", "1");
    f.stored("optAuto", "FALSE");
    f.stored("optManual", "true");
    f.stored("txtPingHost", "127.0.0.2");
    f.stored("cmbPingInterval", "59");
    f.stored("chkSound", "1");
    f.pinger.load();
    PingerFields fields = f.pinger.fields();
    CHECK(fields.doPinging == 1);
    CHECK_FALSE(fields.automatic);
    CHECK(fields.host == "127.0.0.2");
    CHECK(fields.intervalIndex == 59);
    CHECK(fields.sound == 1);
    CHECK(f.pinger.pingHost() == "127.0.0.2");
    CHECK(f.pinger.ticksPerPing() == 60);
    CHECK(f.pinger.timerEnabled());
    CHECK(f.pinger.hostFieldsEnabled());

    f.pinger.save();
    CHECK(f.saved("chkDoPinging") == "1");
    CHECK(f.saved("optAuto") == "False");
    CHECK(f.saved("optManual") == "True");
    CHECK(f.saved("txtPingHost") == "127.0.0.2");
    CHECK(f.saved("cmbPingInterval") == "59");
    CHECK(f.saved("chkSound") == "1");

    // Damaged values load as the defaults: off, automatic, list entry 5.
    f.stored("chkDoPinging", "yes");
    f.stored("optAuto", "maybe");
    f.stored("optManual", "");
    f.stored("cmbPingInterval", "60");
    f.stored("chkSound", "2");
    f.pinger.load();
    fields = f.pinger.fields();
    CHECK(fields.doPinging == 0);
    CHECK(fields.automatic);
    CHECK(fields.host == "Automatic");
    CHECK(fields.sound == 0);
    CHECK(f.pinger.ticksPerPing() == 6);
    CHECK_FALSE(f.pinger.timerEnabled());

    f.stored("optAuto", "False");
    f.stored("optManual", "False");
    f.stored("cmbPingInterval", "-1");
    f.pinger.load();
    CHECK_FALSE(f.pinger.fields().automatic);  // neither selected: the manual branch
    CHECK(f.pinger.fields().intervalIndex == 5);
    CHECK(f.pinger.ticksPerPing() == 6);
}

TEST_CASE("edits mark unsaved changes; the working host and interval follow only at save") {
    Fixture f;
    f.saveManual("127.0.0.1", 2);
    CHECK_FALSE(f.pinger.changed());

    f.pinger.setHost("127.0.0.3");
    CHECK(f.pinger.changed());
    CHECK(f.pinger.pingHost() == "127.0.0.1");
    // Ping Now pings what the box holds; the timer the saved host.
    CHECK(f.pinger.hostInBox() == "127.0.0.3");
    auto request = f.pinger.pingNow(f.pinger.hostInBox());
    REQUIRE(request);
    CHECK(request->host == "127.0.0.3");
    CHECK(request->source == PingSource::PingNow);
    f.pinger.finished(*request, true);

    f.pinger.chooseAutomatic();
    CHECK(f.pinger.fields().host == "Automatic");
    CHECK(f.pinger.hostInBox() == kDefaultPingHost);
    CHECK(f.pinger.fields().intervalIndex == 0);
    CHECK_FALSE(f.pinger.hostFieldsEnabled());
    f.pinger.setIntervalIndex(7);
    f.pinger.chooseManual();
    CHECK(f.pinger.fields().host == kManualExampleHost);
    CHECK(f.pinger.fields().intervalIndex == 7);
    CHECK(f.pinger.ticksPerPing() == 3);

    // Unchecking Enable Pinger changes only the window until Save.
    f.pinger.setDoPinging(false);
    CHECK_FALSE(f.pinger.configurationEnabled());
    CHECK(f.pinger.timerEnabled());
    f.pinger.save();
    CHECK_FALSE(f.pinger.changed());
    CHECK_FALSE(f.pinger.timerEnabled());
    CHECK(f.pinger.pingHost() == kManualExampleHost);

    // A load ends unchanged, whatever it set.
    f.pinger.setSound(true);
    f.pinger.load();
    CHECK_FALSE(f.pinger.changed());
}

TEST_CASE("sound and one ping at a time") {
    Fixture f;
    f.saveManual("127.0.0.1", 0);
    f.pinger.setSound(true);  // unsaved: still counts

    auto timer = f.pinger.tick();
    REQUIRE(timer);
    CHECK(f.pinger.pingRunning());
    CHECK_FALSE(f.pinger.pingNow("127.0.0.1"));
    CHECK_FALSE(f.pinger.tick());  // due, but the ping is still out
    CHECK(f.pinger.finished(*timer, false));  // the timer plays even after a failure

    auto now = f.pinger.pingNow("127.0.0.1");
    REQUIRE(now);
    CHECK_FALSE(f.pinger.tick());
    CHECK_FALSE(f.pinger.finished(*now, false));  // Ping Now only after a reply
    now = f.pinger.pingNow("127.0.0.1");
    REQUIRE(now);
    CHECK(f.pinger.finished(*now, true));

    f.pinger.setSound(false);
    timer = f.pinger.tick();
    REQUIRE(timer);
    CHECK_FALSE(f.pinger.finished(*timer, true));
}

TEST_CASE("Ping Now's result line: a reply, no reply, a name not found, an address refused") {
    const PingRequest request{"  localhost ", kPingTimeoutMs, PingSource::PingNow};
    EchoOutcome outcome;
    outcome.name = true;
    outcome.reach = HostReach::Reached;
    outcome.sent = true;
    outcome.address = 0x0100007F;
    outcome.replied = true;
    outcome.reply = {1, 0, 3, 0x0100007F};
    CHECK(pingingLine(request.host) == "Pinging localhost...");
    CHECK(pingResultLine(request, outcome) == "Reply from localhost (127.0.0.1) in 3 ms.");
    outcome.replied = false;
    CHECK(pingResultLine(request, outcome) == "No reply from localhost (127.0.0.1) within 10 seconds.");
    outcome.sent = false;
    outcome.reach = HostReach::NoAddress;
    CHECK(pingResultLine(request, outcome) == "The name \"localhost\" was not found; nothing was sent.");
    outcome.name = false;
    CHECK(pingResultLine({"300.1.1.1", kPingTimeoutMs, PingSource::PingNow}, outcome) ==
          "\"300.1.1.1\" is not an IPv4 address (four numbers 0 to 255); nothing was sent.");
}
