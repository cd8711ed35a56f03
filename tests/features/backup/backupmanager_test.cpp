#include <doctest/doctest.h>

#include "core/effects.h"
#include "features/backup/backupmanager.h"

using namespace quellar;

namespace {

BackupRow row(const char* name, int date, int time) {
    return {name, date, time, std::to_string(date), std::to_string(time)};
}

struct Manager {
    EffectsOverride restore;
    Form form{"frmBackUp", "Backup", kBackupManagerClient, backupManagerControls()};
    std::vector<BackupRow> folder = {row("003.BCK", 20040315, 170509), row("001.bck", 20040316, 90000),
                                     row("002.BCK", 20040315, 80000),
                                     {"junk.BCK", std::nullopt, std::nullopt, "", ""}};
    std::vector<std::string> boxes, restored, removed;
    int answer = 6;  // Yes
    int home = 0;
    RestoreOutcome outcome;
    std::string removeProblem;
    BackupManager manager{form, {[this] { return folder; },
                                 [this](const std::string& n) { restored.push_back(n); return outcome; },
                                 [this](const std::string& n) {
                                     removed.push_back(n);
                                     if (removeProblem.empty()) {
                                         for (auto it = folder.begin(); it != folder.end(); ++it)
                                             if (listedName(it->fileName) == n) { folder.erase(it); break; }
                                     }
                                     return removeProblem;
                                 },
                                 [this] { ++home; }, nullptr, nullptr}};
    Manager() {
        effects().messageBox = [this](std::uintptr_t, const std::string& text, const std::string&, unsigned) {
            boxes.push_back(text);
            return answer;
        };
        manager.load();
        manager.rebuildList();
    }
    ListControl& list() { return form.list("lstBackUpList"); }
    std::vector<std::string> names() {
        std::vector<std::string> out;
        for (const auto& r : list().rows()) out.push_back(r.cells[0]);
        return out;
    }
    bool buttons() { return form["cmdRestore"].enabled() && form["cmdDelete"].enabled(); }
};

using Names = std::vector<std::string>;

}  // namespace

TEST_CASE("backup list: names as listed, three sorts, tags cycling, ties by file name") {
    Manager m;
    CHECK(m.names() == Names{"003.BCK", "001.BCK", "002.BCK", "junk.BCK"});
    m.list().userColumnClick(1);  // date ascending: the undated first, same day by name
    CHECK(m.names() == Names{"junk.BCK", "002.BCK", "003.BCK", "001.BCK"});
    CHECK(m.list().columnTag(1) == "ASC");
    m.list().userColumnClick(1);
    CHECK(m.names() == Names{"001.BCK", "002.BCK", "003.BCK", "junk.BCK"});
    CHECK(m.list().columnTag(1) == "DESC");
    m.list().userColumnClick(2);  // time of day only, whatever the date
    CHECK(m.names() == Names{"junk.BCK", "002.BCK", "001.BCK", "003.BCK"});
    CHECK(m.list().columnTag(1).empty());
    m.list().userColumnClick(0);
    CHECK(m.names() == Names{"001.BCK", "002.BCK", "003.BCK", "junk.BCK"});
    m.manager.rebuildList();  // listing order again; the tags stay
    CHECK(m.names().front() == "003.BCK");
    CHECK(m.list().columnTag(0) == "ASC");
}

TEST_CASE("backup buttons follow a selection by mouse or keyboard, and wait after every rebuild") {
    Manager m;
    CHECK_FALSE(m.buttons());
    m.list().userSelect(1);  // the keyboard
    CHECK(m.buttons());
    m.manager.rebuildList();
    CHECK_FALSE(m.buttons());
    m.list().userSelect(0);
    m.list().userMouseUp();
    CHECK(m.buttons());
}

TEST_CASE("restoring: asked first, another Windows refused without going home, failures said") {
    Manager m;
    m.list().userSelect(1);
    m.answer = 7;  // No
    m.manager.restoreSelected();
    CHECK(m.restored.empty());
    m.answer = 6;
    m.outcome = {RestoreOutcome::Status::OtherWindows, ""};
    m.manager.restoreSelected();
    CHECK(m.restored == Names{"001.BCK"});
    CHECK(m.boxes.back() == "This backup file was taken from another operating system!!");
    CHECK(m.home == 0);
    m.outcome = {RestoreOutcome::Status::Failed, "Line 7: expected a number"};
    m.manager.restoreSelected();
    CHECK(m.boxes.back() == "Line 7: expected a number");
    CHECK(m.home == 1);
    m.boxes.clear();
    m.outcome = {RestoreOutcome::Status::Restored, ""};
    m.manager.restoreSelected();
    CHECK(m.boxes == Names{"Do you want to restore this settings?"});  // no success message
    CHECK(m.home == 2);
}

TEST_CASE("deleting: asked first, a failure said, the list rebuilt, buttons by what is left") {
    Manager m;
    m.list().userSelect(2);
    m.removeProblem = "The file is in use.";
    m.manager.deleteSelected();
    CHECK(m.boxes.back() == "The file is in use.");
    CHECK(m.names().size() == 4);
    m.removeProblem.clear();
    m.folder.resize(1);
    m.manager.rebuildList();
    m.list().userSelect(0);
    m.manager.deleteSelected();
    CHECK(m.removed.back() == "003.BCK");
    CHECK(m.names().empty());
    CHECK_FALSE(m.buttons());
}
