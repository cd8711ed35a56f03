#include <doctest/doctest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/effects.h"
#include "core/timers.h"
#include "features/ramconfig/ramconfigwindow.h"
#include "support/memorystore.h"
#include "support/monitorhooks.h"
#include "support/recordedeffects.h"

using namespace quellar;
using namespace quellar::features;
using namespace quellar::monitor;
using quellar::testing::FakeMonitor;
using quellar::testing::FixedMeter;
using quellar::testing::MemoryStore;
using quellar::testing::RecordedEffects;

namespace {

// The window's controls over a store, loaded, on a manual clock.
struct Page {
    ManualTimersScope clock;
    FakeMonitor monitor;
    MemoryStore store;
    std::shared_ptr<FixedMeter> meter = std::make_shared<FixedMeter>();
    Form form{"frmRamConfiguration", "Ram Configuration", kRamConfigurationClient, ramConfigurationControls()};
    std::unique_ptr<RamConfigurationPage> page;

    explicit Page(std::vector<std::pair<const char*, const char*>> stored = {}) {
        for (const auto& [name, value] : stored) store.values[{kRamSettingsArea, name}] = value;
        page = std::make_unique<RamConfigurationPage>(form, store, [this] { return meter; });
        page->load();
    }
};

}  // namespace

TEST_CASE("the controls show the loaded settings, and edits through them come back corrected") {
    Page p;
    Form& f = p.form;
    CHECK(f["txtAlarm"].text() == "250");
    CHECK(f["txtFreeAlarm"].text() == "10");
    CHECK(f["txtTimeCheck"].text() == "100");
    CHECK(f["txtRunOnly"].text() == "2");
    CHECK(f.range("UpDownRunOnly").value() == 2);
    CHECK(f["txtRetryOptimization"].text() == "10");
    CHECK(f["optMB"].value() == 1);
    CHECK(f["optPer"].value() == 0);
    CHECK(f.range("UpDownRetryOptimization").maximum() == 255);
    CHECK_FALSE(f["txtAlarm"].enabled());
    CHECK_FALSE(f["txtFreeAlarm"].enabled());
    CHECK_FALSE(f["cmdSave"].enabled());

    // The sound alone uses the level and the check interval, not the
    // amount to free, the processor condition or the retries.
    f["chkSoundon"].userClick();
    CHECK(f["txtAlarm"].enabled());
    CHECK(f["txtTimeCheck"].enabled());
    CHECK_FALSE(f["txtFreeAlarm"].enabled());
    CHECK_FALSE(f["txtRunOnly"].enabled());
    CHECK(f["cmdSave"].enabled());
    f["optPer"].userClick();
    CHECK(f["optMB"].value() == 0);
    CHECK(f.range("UpDownRunOnly").maximum() == 100);
    CHECK(p.page->percentTooltip());
    f.range("updnTimeCheck").userScroll(250);
    CHECK(f["txtTimeCheck"].text() == "250");
    // Automatic optimisation alone uses the level too.
    f["chkSoundon"].userClick();
    f["chkAutomatic"].userClick();
    CHECK(f["txtAlarm"].enabled());
    CHECK(f["txtRetryOptimization"].enabled());

    // Typed text stays as typed; leaving or Save refuses it beside the box
    // and writes nothing.
    f["txtFreeAlarm"].userText("abc");
    CHECK(f["txtFreeAlarm"].text() == "abc");
    f["txtFreeAlarm"].userLeave();
    CHECK(f["lblFreeAlarm"].text() == "RAM to free (MB): a whole number from 0 to 1000");
    f["txtTimeCheck"].userText("0");
    f["cmdSave"].userClick();
    CHECK(p.store.values.empty());
    CHECK(f["cmdSave"].enabled());
    CHECK(f["txtFreeAlarm"].problem() == "RAM to free (MB): a whole number from 0 to 1000");
    f["txtFreeAlarm"].userText("0010");
    CHECK(f["lblFreeAlarm"].text() == "RAM to try and free when alarm level is reached:");
    f["cmdSave"].userClick();
    CHECK(f["txtTimeCheck"].problem() == "Check every (ms): a whole number from 100 to 65535");
    CHECK(f["lblTimeCheck"].text() == f["txtTimeCheck"].problem());
    CHECK(p.store.values.empty());
    f["txtTimeCheck"].userText("250");

    f["cmdSave"].userClick();
    // What the box shows after Save is what takes effect.
    CHECK(f["txtFreeAlarm"].text() == "10");
    CHECK(p.store.values[{kRamSettingsArea, "txtFreeAlarm"}] == "10");
    CHECK(p.store.values[{kRamSettingsArea, "optPer"}] == "True");
    CHECK(p.store.values[{kRamSettingsArea, "txtTimeCheck"}] == "250");
    CHECK(p.page->alarmTimer().interval() == 250);
    CHECK_FALSE(f["cmdSave"].enabled());
}

TEST_CASE("the alarm and the sound run on their timers with the shared processor meter") {
    RecordedEffects recorded;
    const std::vector<std::string>& played = recorded.sounds;
    Page p({{"chkSoundon", "1"}, {"chkAutomatic", "1"}, {"txtRetryOptimization", "1"}});
    p.monitor.setMemory(1024, 100);
    p.meter->reading = 1;  // below the stored threshold of 2
    p.clock.advance(100);
    CHECK(p.monitor.claims == std::vector<std::size_t>{10 * 1048576});
    CHECK(p.meter->queries == 1);
    p.clock.advance(300);
    CHECK(p.monitor.claims.size() == 4);
    CHECK(played.empty());
    p.clock.advance(kSoundInterval - 400);
    CHECK(played == std::vector<std::string>{"C:\\Quellar\\low-memory.wav"});

    // Unloaded: nothing runs any more.
    p.page.reset();
    p.clock.advance(2 * kSoundInterval);
    CHECK(played.size() == 1);
    CHECK(p.clock.clock().running() == 0);
}
