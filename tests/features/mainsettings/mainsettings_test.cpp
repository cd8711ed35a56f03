#include <doctest/doctest.h>

#include <optional>
#include <vector>

#include "features/mainsettings/mainsettings.h"
#include "support/memorystore.h"

using namespace quellar;
using quellar::testing::MemoryStore;

namespace {

struct RunCall {
    std::string text;
    bool remove;
};

struct Fixture {
    Form form{"frmMainSettings", "", {0, 0, 440, 246}, features::mainSettingsControls()};
    MemoryStore store;
    std::vector<RunCall> runCalls;
    features::MainSettings settings{form, store,
                          [this](const std::string& text, bool remove) {
                              runCalls.push_back({text, remove});
                              return 0L;
                          },
                          "\"C:\\Tools\\tool.exe\"", [this] { return runEntry; }};
    std::optional<std::string> runEntry;  // what the Run key holds

    void stored(const char* name, const char* value) {
        store.values[{features::kMainSettingsArea, name}] = value;
    }
    std::string saved(const char* name) { return store.values[{features::kMainSettingsArea, name}]; }
};

}  // namespace

TEST_CASE("first start on a clean system: both clear, Save disabled, Run key untouched") {
    Fixture f;
    f.settings.load();
    CHECK(f.form["chkRunMainProgram"].value() == 0);
    CHECK(f.form["chkRunProgramMini"].value() == 0);
    CHECK_FALSE(f.settings.changed());
    CHECK_FALSE(f.form["cmdSave"].enabled());
    CHECK(f.runCalls.empty());
    CHECK(f.store.saves == 0);

    // A damaged stored text loads as a clean system does.
    Fixture damaged;
    damaged.stored("chkRunMainProgram", "garbage");
    damaged.settings.load();
    CHECK(damaged.form["chkRunMainProgram"].value() == 0);
    CHECK(damaged.runCalls.empty());
}

TEST_CASE("a stored start-with-Windows option registers the program again at every load") {
    Fixture f;
    f.stored("chkRunMainProgram", "1");
    f.stored("chkRunProgramMini", "1");
    f.settings.load();
    CHECK(f.settings.startsInTray());
    REQUIRE(f.runCalls.size() == 1);
    CHECK(f.runCalls[0].text == "\"C:\\Tools\\tool.exe\"");
    CHECK_FALSE(f.runCalls[0].remove);
    // Loading fires the check boxes' clicks; the load still ends unchanged.
    CHECK_FALSE(f.settings.changed());
    CHECK_FALSE(f.form["cmdSave"].enabled());
}

TEST_CASE("clicking enables Save, even when clicked back; saving stores and clears") {
    Fixture f;
    f.settings.load();
    f.form["chkRunMainProgram"].userClick();
    CHECK(f.settings.changed());
    CHECK(f.form["cmdSave"].enabled());
    f.form["chkRunMainProgram"].userClick();
    CHECK(f.form["chkRunMainProgram"].value() == 0);
    CHECK(f.form["cmdSave"].enabled());

    f.form["chkRunProgramMini"].userClick();
    f.form["cmdSave"].userClick();
    CHECK(f.saved("chkRunMainProgram") == "0");
    CHECK(f.saved("chkRunProgramMini") == "1");
    CHECK_FALSE(f.settings.changed());
    CHECK_FALSE(f.form["cmdSave"].enabled());
    // Saving with start-with-Windows clear removes the Run entry.
    REQUIRE(f.runCalls.size() == 1);
    CHECK(f.runCalls[0].remove);

    f.form["chkRunMainProgram"].userClick();
    f.form["cmdSave"].userClick();
    CHECK(f.saved("chkRunMainProgram") == "1");
    REQUIRE(f.runCalls.size() == 2);
    CHECK_FALSE(f.runCalls[1].remove);
    CHECK(f.runCalls[1].text == "\"C:\\Tools\\tool.exe\"");
}

TEST_CASE("an unquoted entry of ours is quoted at load, even with the option clear; a quoted one is left") {
    Fixture f;
    f.runEntry = "C:\\Program Files\\Quellar\\quellar.exe";
    f.settings.load();
    REQUIRE(f.runCalls.size() == 1);
    CHECK(f.runCalls[0].text == "\"C:\\Program Files\\Quellar\\quellar.exe\"");
    CHECK_FALSE(f.runCalls[0].remove);
    Fixture quoted;
    quoted.runEntry = "\"C:\\Old\\quellar.exe\"";
    quoted.settings.load();
    CHECK(quoted.runCalls.empty());
}

TEST_CASE("the Run entry text") {
    CHECK(features::runEntryText("C:\\Tools", "tool.exe") == "\"C:\\Tools\\tool.exe\"");
    CHECK(features::runEntryText("C:\\Tools", "TOOL.EXE") == "\"C:\\Tools\\TOOL.exe\"");
    // At a drive root the folder already ends in a backslash; it is kept.
    CHECK(features::runEntryText("C:\\", "quellar.exe") == "\"C:\\\\quellar.exe\"");
    CHECK(features::runEntryText("C:\\Program Files\\Quellar", "quellar") ==
          "\"C:\\Program Files\\Quellar\\quellar.exe\"");
}
