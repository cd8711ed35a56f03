#include <doctest/doctest.h>

#include <string>
#include <vector>

#include "core/effects.h"
#include "monitor/ramconfig.h"
#include "monitor/systemstatus.h"
#include "support/memorystore.h"
#include "support/monitorhooks.h"
#include "support/recordedeffects.h"

using namespace quellar;
using namespace quellar::monitor;
using quellar::testing::FakeMonitor;
using quellar::testing::FixedMeter;
using quellar::testing::kMiB;
using quellar::testing::MemoryStore;
using quellar::testing::RecordedEffects;

namespace {

const char* const kArea = "\\Settings\\RamSettings";

struct OrderedStore : MemoryStore {
    std::vector<std::string> loaded;
    std::vector<std::string> saved;
    std::string load(const std::string& area, const std::string& name, const std::string& fallback) override {
        loaded.push_back(name);
        return MemoryStore::load(area, name, fallback);
    }
    void save(const std::string& area, const std::string& name, const std::string& value) override {
        saved.push_back(name);
        MemoryStore::save(area, name, value);
    }
};

const std::vector<std::string> kTableOrder = {"chkSoundon",   "chkAutomatic", "txtAlarm",
                                              "txtFreeAlarm", "txtTimeCheck", "optPer",
                                              "optMB",        "txtRunOnly",   "txtRetryOptimization"};

// A loaded window over a store, and a machine with 1 GB of memory.
struct Alarm {
    OrderedStore store;
    FakeMonitor monitor;
    FixedMeter meter;
    RamConfiguration config{store};

    using Stored = std::vector<std::pair<std::string, std::string>>;
    explicit Alarm(const Stored& stored = {}) {
        store.values[{kArea, "chkAutomatic"}] = "1";
        store.values[{kArea, "chkSoundon"}] = "1";
        for (const auto& [name, value] : stored) store.values[{kArea, name}] = value;
        config.load();
        monitor.setMemory(1024, 249);  // below the default level of 250
    }
    size_t optimisations() const { return monitor.claims.size(); }
};

}  // namespace

TEST_CASE("RAM configuration on a fresh store shows the defaults, Save disabled") {
    OrderedStore store;
    RamConfiguration config(store);
    config.load();
    const RamConfigurationView& v = config.view();
    CHECK(store.loaded == kTableOrder);
    CHECK(v.alarmText == "250");
    CHECK(v.amountText == "10");
    CHECK(v.intervalText == "100");
    CHECK(v.processorText == "2");
    CHECK(v.retryText == "10");
    CHECK((v.megabytes && !v.percent));
    CHECK((v.soundOn == 0 && v.automatic == 0));
    CHECK_FALSE(v.saveEnabled);
    CHECK_FALSE(config.changed());
    // Both boxes clear: what they govern is disabled.
    CHECK_FALSE(v.alarmEnabled);
    CHECK_FALSE(v.amountEnabled);
    CHECK_FALSE(v.intervalEnabled);
    CHECK(v.processorRange == SpinnerRange{0, 255});
    CHECK(v.retryRange == SpinnerRange{0, 255});
    CHECK(config.alarmLevel() == 250);
    CHECK(config.cpuThreshold() == 2);
    CHECK(config.retryCount() == 10);
    CHECK(config.checkInterval() == 100);
}

TEST_CASE("Save writes the nine values in table order and loads them again") {
    OrderedStore store;
    RamConfiguration config(store);
    config.load();
    config.clickSoundOn(1);
    CHECK(config.view().alarmEnabled);
    CHECK(config.view().saveEnabled);
    config.clickAutomatic(1);
    CHECK(config.view().amountEnabled);
    config.chooseOption(true);
    CHECK(config.view().processorRange == SpinnerRange{0, 100});
    config.editAlarm("300");
    config.editInterval("500");
    config.spinRetry(3);
    config.save();
    CHECK(store.saved == kTableOrder);
    auto stored = [&](const char* name) { return store.values[{kArea, name}]; };
    CHECK(stored("chkSoundon") == "1");
    CHECK(stored("chkAutomatic") == "1");
    CHECK(stored("txtAlarm") == "300");
    CHECK(stored("txtTimeCheck") == "500");
    CHECK(stored("optPer") == "True");
    CHECK(stored("optMB") == "False");
    CHECK(stored("txtRetryOptimization") == "3");
    CHECK(config.alarmLevel() == 300);
    CHECK(config.checkInterval() == 500);
    CHECK(config.retryCount() == 3);
    CHECK(config.percentTooltip());
    CHECK_FALSE(config.view().saveEnabled);

    RamConfiguration again(store);
    again.load();
    CHECK(again.view().percent);
    CHECK(again.view().processorRange == SpinnerRange{0, 100});
    CHECK(again.alarmLevel() == 300);
}

TEST_CASE("stored values that do not fit are held or cleared") {
    OrderedStore store;
    auto put = [&](const char* name, const char* value) { store.values[{kArea, name}] = value; };
    put("chkSoundon", "1.5");
    put("chkAutomatic", "yes");
    put("txtAlarm", "99999");
    put("txtFreeAlarm", "abc");
    put("txtTimeCheck", "20");
    put("optPer", "FALSE");
    put("optMB", "TRUE");
    put("txtRunOnly", "300");
    put("txtRetryOptimization", "1000");
    RamConfiguration config(store);
    config.load();
    CHECK(config.view().soundOn == 0);
    CHECK(config.view().automatic == 0);
    CHECK(config.alarmLevel() == 32767);
    CHECK(config.view().amountText == "10");  // not a number: the default
    CHECK(config.checkInterval() == 100);      // the interval spinner's least
    CHECK(config.cpuThreshold() == 255);
    CHECK(config.retryCount() == 255);
    CHECK_FALSE(config.changed());
}

TEST_CASE("the boxes keep what is typed; Save checks the boxes in use and leaves one not in use as loaded") {
    OrderedStore store;
    RamConfiguration config(store);
    config.load();
    config.clickAutomatic(1);
    config.editAmount("1001");
    CHECK(config.view().amountText == "1001");
    CHECK(config.leave("txtFreeAlarm") == std::string("RAM to free (MB): a whole number from 0 to 1000"));
    config.editAmount("2.5");
    CHECK(config.leave("txtFreeAlarm") == std::nullopt);
    CHECK(config.view().amountText == "2");  // shown as the alarm uses it
    config.editInterval("99999999999");
    const std::optional<RefusedBox> refused = config.save();
    REQUIRE(refused);
    CHECK(std::string(refused->box) == "txtTimeCheck");
    CHECK(store.saved.empty());
    CHECK(config.changed());
    config.editInterval("0002000");
    config.clickAutomatic(0);
    config.clickSoundOn(1);
    config.editRetry("abc");  // not in use with the sound alone: back to the loaded 10
    CHECK(config.save() == std::nullopt);
    CHECK(store.values[{kArea, "txtTimeCheck"}] == "2000");
    CHECK(store.values[{kArea, "txtRetryOptimization"}] == "10");
    CHECK(config.checkInterval() == 2000);
}

TEST_CASE("the memory alarm") {
    SUBCASE("exactly at the level: neither sound nor optimisation") {
        Alarm alarm;
        alarm.monitor.setMemory(1024, 250);
        alarm.config.alarmTick(&alarm.meter);
        CHECK_FALSE(alarm.config.soundArmed());
        CHECK(alarm.optimisations() == 0);
    }
    SUBCASE("below it: armed, and the default ten tries of the stored amount") {
        Alarm alarm(Alarm::Stored{{"txtFreeAlarm", "2.5"}, {"txtRunOnly", "0"}});
        alarm.meter.reading = 100;
        alarm.config.alarmTick(&alarm.meter);
        CHECK(alarm.config.soundArmed());
        CHECK(alarm.optimisations() == 10);
        CHECK(alarm.monitor.claims.front() == 2 * kMiB);
        CHECK(alarm.meter.queries == 1);  // read even without a threshold
        CHECK(alarm.monitor.yields == 14 + 10 * (14 + 5 + 5 + 14));
    }
    SUBCASE("threshold 2: a reading of 2 holds it back, 1 lets it run") {
        Alarm alarm(Alarm::Stored{{"txtRetryOptimization", "1"}});
        alarm.meter.reading = 2;
        alarm.config.alarmTick(&alarm.meter);
        CHECK(alarm.optimisations() == 0);
        alarm.meter.reading = 1;
        alarm.config.alarmTick(&alarm.meter);
        CHECK(alarm.optimisations() == 1);
    }
    SUBCASE("retry count 0 runs once and reads 1 from then on; 255 runs 255 times") {
        Alarm once(Alarm::Stored{{"txtRetryOptimization", "0"}});
        once.config.alarmTick(&once.meter);
        CHECK(once.optimisations() == 1);
        CHECK(once.config.retryCount() == 1);
        Alarm many(Alarm::Stored{{"txtRetryOptimization", "255"}});
        many.config.alarmTick(&many.meter);
        CHECK(many.optimisations() == 255);
    }
    SUBCASE("an error after the half-size retry ends the tick's tries; the next tick tries again") {
        Alarm alarm;
        alarm.monitor.claimLimit = 0;
        alarm.config.alarmTick(&alarm.meter);
        CHECK(alarm.optimisations() == 2);  // the full and the half claim, once
        alarm.config.alarmTick(&alarm.meter);
        CHECK(alarm.optimisations() == 4);
    }
    SUBCASE("ticks and Optimize Now arriving during its yields do nothing") {
        Alarm alarm(Alarm::Stored{{"txtRetryOptimization", "1"}});
        SystemStatus status;
        int nestedOptimizes = 0;
        alarm.monitor.onYield = [&] {
            alarm.config.alarmTick(&alarm.meter);
            if (status.optimize(1, [](bool) {}).ran()) ++nestedOptimizes;
        };
        alarm.config.alarmTick(&alarm.meter);
        CHECK(alarm.optimisations() == 1);
        CHECK(nestedOptimizes == 0);
    }
    SUBCASE("sound off, or automatic off") {
        Alarm alarm(Alarm::Stored{{"chkSoundon", "0"}, {"chkAutomatic", "0"}});
        alarm.config.alarmTick(&alarm.meter);
        CHECK_FALSE(alarm.config.soundArmed());
        CHECK(alarm.optimisations() == 0);
        CHECK(alarm.meter.queries == 0);
    }
}

TEST_CASE("the low-memory sound plays at the sound tick while the last check found memory low") {
    RecordedEffects recorded;
    const std::vector<std::string>& played = recorded.sounds;
    Alarm alarm(Alarm::Stored{{"chkAutomatic", "0"}});
    alarm.config.soundTick();
    CHECK(played.empty());
    alarm.config.alarmTick(&alarm.meter);
    CHECK(played.empty());  // not at once
    alarm.config.soundTick();
    CHECK(played == std::vector<std::string>{"C:\\Quellar\\low-memory.wav"});
    alarm.monitor.setMemory(1024, 600);
    alarm.config.alarmTick(&alarm.meter);
    alarm.config.soundTick();
    CHECK(played.size() == 1);
}
