#include <doctest/doctest.h>

#include "core/effects.h"
#include "core/timers.h"
#include "features/backup/backupmanager.h"

using namespace quellar;

namespace {

features::BackupRow row(const char* name, int date, int time) {
    return {name, date, time, std::to_string(date), std::to_string(time)};
}

struct Manager {
    EffectsOverride restore;
    Form form{"frmBackUp", "Backup", features::kBackupManagerClient, features::backupManagerControls()};
    std::vector<features::BackupRow> folder = {row("003.BCK", 20040315, 170509), row("001.bck", 20040316, 90000),
                                     row("002.BCK", 20040315, 80000),
                                     {"junk.BCK", std::nullopt, std::nullopt, "", ""}};
    std::vector<std::string> boxes, restored, removed, notices;
    int answer = 6;  // Yes
    features::RestoreOutcome outcome;
    std::string removeProblem;
    features::BackupManager manager{form, {[this] { return folder; },
                                 [this](const std::string& n) { restored.push_back(n); return outcome; },
                                 [this](const std::string& n) {
                                     removed.push_back(n);
                                     if (removeProblem.empty()) {
                                         for (auto it = folder.begin(); it != folder.end(); ++it)
                                             if (features::listedName(it->fileName) == n) { folder.erase(it); break; }
                                     }
                                     return removeProblem;
                                 },
                                 nullptr, nullptr,
                                 [this](const std::string& title, const std::string& text) {
                                     notices.push_back(title + ": " + text);
                                 },
                                 nullptr, nullptr}};
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

TEST_CASE("backup list: names as listed, three sorts, the header's mark, ties by file name") {
    Manager m;
    CHECK(m.names() == Names{"003.BCK", "001.BCK", "002.BCK", "junk.BCK"});
    CHECK_FALSE(m.form["lblNoBackups"].visible());
    m.list().userColumnClick(1);  // date ascending: the undated first, same day by name
    CHECK(m.names() == Names{"junk.BCK", "002.BCK", "003.BCK", "001.BCK"});
    CHECK(m.list().sortMark(1) == SortMark::Ascending);
    m.list().userColumnClick(1);
    CHECK(m.names() == Names{"001.BCK", "002.BCK", "003.BCK", "junk.BCK"});
    CHECK(m.list().sortMark(1) == SortMark::Descending);
    m.list().userColumnClick(2);  // time of day only, whatever the date
    CHECK(m.names() == Names{"junk.BCK", "002.BCK", "001.BCK", "003.BCK"});
    CHECK(m.list().sortMark(1) == SortMark::None);
    m.list().userColumnClick(0);
    m.list().userColumnClick(0);
    CHECK(m.names() == Names{"junk.BCK", "003.BCK", "002.BCK", "001.BCK"});
    m.manager.rebuildList();  // still as the header says
    CHECK(m.names() == Names{"junk.BCK", "003.BCK", "002.BCK", "001.BCK"});
    m.folder.clear();
    m.manager.rebuildList();
    CHECK(m.form["lblNoBackups"].visible());
}

TEST_CASE("backup buttons are enabled exactly while a row is selected") {
    Manager m;
    CHECK_FALSE(m.buttons());
    CHECK_FALSE(m.form["cmdPreview"].enabled());
    m.list().userSelect(1);  // the keyboard
    CHECK(m.buttons());
    CHECK(m.form["cmdPreview"].enabled());
    m.list().userSelect(-1);  // a click on blank space
    m.list().userMouseUp();
    CHECK_FALSE(m.buttons());
    m.list().userSelect(0);
    m.manager.rebuildList();
    CHECK_FALSE(m.buttons());
}

TEST_CASE("restoring: asked by file and date, another Windows refused, the new backup listed and told") {
    Manager m;
    m.list().userSelect(1);
    m.answer = 7;  // No
    m.manager.restoreSelected();
    CHECK(m.restored.empty());
    CHECK(m.boxes.back() == "Do you want to restore these settings?\r\n\r\nBackup: 001.BCK, taken on 20040316 at "
                            "90000.\r\nThe values now are kept in a new backup first.");
    m.answer = 6;
    m.outcome = {features::RestoreOutcome::Status::OtherWindows, "", ""};
    m.manager.restoreSelected();
    CHECK(m.restored == Names{"001.BCK"});
    CHECK(m.boxes.back() == "This backup file was taken from another operating system!!");
    m.outcome = {features::RestoreOutcome::Status::Failed, "Line 7: expected a number", ""};
    m.manager.restoreSelected();
    CHECK(m.boxes.back() == "Line 7: expected a number");
    CHECK(m.notices.empty());
    m.boxes.clear();
    m.folder.push_back(row("004.BCK", 20040317, 100000));
    m.outcome = {features::RestoreOutcome::Status::Restored, "", "C:\\Quellar\\Backups\\004.BCK"};
    m.manager.restoreSelected();
    CHECK(m.boxes.size() == 1);  // the question; the rest is the notice
    REQUIRE(m.notices.size() == 1);
    CHECK(m.notices[0] == "TCP/IP settings restored: Restored: the backup 001.BCK.\r\nThe values from before the "
                          "restore are kept in the backup 004.BCK.\r\nRestart Windows for the TCP/IP changes to "
                          "take effect.");
    CHECK(m.names().size() == 5);  // the window stays, with the new backup
    CHECK(m.list().selected()->cells[0] == "001.BCK");
}

TEST_CASE("deleting: asked by file and date, a failure said, the next row selected") {
    Manager m;
    m.list().userSelect(1);
    m.removeProblem = "The file is in use.";
    m.manager.deleteSelected();
    CHECK(m.boxes[0].find("Backup: 001.BCK, taken on 20040316 at 90000.") != std::string::npos);
    CHECK(m.boxes.back() == "The file is in use.");
    CHECK(m.names().size() == 4);
    CHECK(m.list().selected()->cells[0] == "001.BCK");
    m.removeProblem.clear();
    m.manager.deleteSelected();
    CHECK(m.removed.back() == "001.BCK");
    CHECK(m.list().selected()->cells[0] == "002.BCK");
    CHECK(m.buttons());
    m.list().userSelect(2);  // the last row: none follows
    m.manager.deleteSelected();
    CHECK(m.list().selectedRow() == -1);
    CHECK_FALSE(m.buttons());
    m.folder.resize(1);
    m.manager.rebuildList();
    m.list().userSelect(0);
    m.manager.deleteSelected();
    CHECK(m.names().empty());
    CHECK(m.form["lblNoBackups"].visible());
}

TEST_CASE("a large folder: rows show at once, dates fill in where they stand, a sort by date reads the rest first") {
    ManualTimersScope clock;
    EffectsOverride keep;
    Form form{"frmBackUp", "Backup", features::kBackupManagerClient, features::backupManagerControls()};
    std::vector<features::BackupRow> folder;
    for (int n = 1; n <= 100; ++n) {
        features::BackupRow listed;
        listed.fileName = (n < 10 ? "00" : n < 100 ? "0" : "") + std::to_string(n) + ".BCK";
        listed.headerRead = false;
        folder.push_back(listed);
    }
    int headersRead = 0;
    std::vector<bool> busy;
    features::BackupManager::Actions actions;
    actions.listBackups = [&] { return folder; };
    actions.readHeader = [&](features::BackupRow& r) {
        ++headersRead;
        r.dateKey = 20000000 + 100 - std::stoi(r.fileName.substr(0, 3));  // the later the file, the earlier
        r.dateText = std::to_string(*r.dateKey);
    };
    actions.busy = [&](bool on) { busy.push_back(on); };
    features::BackupManager manager(form, actions);
    manager.load();
    manager.rebuildList();
    ListControl& list = form.list("lstBackUpList");
    REQUIRE(list.rows().size() == 100);
    CHECK(headersRead == 0);
    CHECK(list.rows()[0].cells[1].empty());
    list.userSelect(5);

    clock.advance(1);  // one batch, in the order the rows stand
    CHECK(headersRead == 32);
    CHECK(list.rows()[0].cells[1] == "20000099");
    CHECK(list.rows()[40].cells[1].empty());
    CHECK(list.selectedRow() == 5);
    CHECK(busy.empty());

    manager.columnClicked(1);  // by date: the rest read at once, under the hourglass
    CHECK(headersRead == 100);
    CHECK(busy == std::vector<bool>{true, false});
    CHECK(list.selected()->cells[0] == "006.BCK");
    CHECK(list.rows()[0].cells[0] == "100.BCK");
    clock.advance(100);  // nothing is read twice
    CHECK(headersRead == 100);
    CHECK_FALSE(manager.headersPending());
}
