#include <doctest/doctest.h>

#include <map>
#include <string>
#include <vector>

#include "app/mainwindow_win.h"
#include "backup/apply_win.h"
#include "backup/backup_win.h"
#include "core/osversion.h"
#include "core/regfile.h"
#include "features/backup/backupmanager_win.h"
#include <commctrl.h>

#include "support/faceclick_win.h"
#include "support/pump_win.h"
#include "support/regsandbox_win.h"
#include "support/screenshot_win.h"
#include "support/tuningsandbox_win.h"
#include "tuning/presets.h"

using namespace quellar;
using namespace quellar::testing;

namespace {

struct Manager {
    RegistrySandbox sandbox;
    ScratchProgramFolder folder{"backups"};
    std::vector<std::string> boxes;
    int answer = IDYES;
    shell::MainWindow main;
    backup::BackupManagerWindow* window = nullptr;

    Manager() {
        effects().messageBox = [this](std::uintptr_t, const std::string& text, const std::string&, unsigned) {
            boxes.push_back(text);
            return answer;
        };
        main.tray().notify = [](DWORD, NOTIFYICONDATAA*) { return TRUE; };
        REQUIRE(main.start());
        winVersion = 7;
        initTuningPresets();
    }
    // A backup of the values now, taken at the given day and hour.
    std::string backUp(int day, int hour) {
        effects().localTime = [day, hour] { return LocalTime{2004, 3, day, hour, 5, 9}; };
        const backup::BackupWriteResult written = backup::backupCurrentSettings();
        REQUIRE(written.ok);
        return written.path;
    }
    void open() {
        testing::clickFaceButton(main.flash(), "IDC_FS_backupManger");
        window = static_cast<backup::BackupManagerWindow*>(&main.feature(shell::kBackUp));
        pumpMessages();
    }
    HWND handle(const char* name) { return window->binder().handleOf(window->form()[name]); }
    ListControl& list() { return window->form().list("lstBackUpList"); }
    std::vector<std::string> names() {
        std::vector<std::string> out;
        for (const auto& r : list().rows()) out.push_back(r.cells[0]);
        return out;
    }
    int rowOf(const std::string& name) {
        for (int i = 0; i < static_cast<int>(list().rows().size()); ++i)
            if (list().rows()[static_cast<std::size_t>(i)].cells[0] == name) return i;
        return -1;
    }
    void clickHeader(int column) {
        HWND header = reinterpret_cast<HWND>(SendMessageA(handle("lstBackUpList"), LVM_GETHEADER, 0, 0));
        RECT r{};
        SendMessageA(header, HDM_GETITEMRECT, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&r));
        const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        SendMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageA(header, WM_LBUTTONUP, 0, at);
    }
    void select(const std::string& name) {
        SetFocus(handle("lstBackUpList"));
        LVITEMA state{};
        state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        state.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageA(handle("lstBackUpList"), LVM_SETITEMSTATE, static_cast<WPARAM>(rowOf(name)),
                     reinterpret_cast<LPARAM>(&state));
    }
};

// The values a restore writes with fixed numbers rather than what was there.
std::map<std::string, std::pair<DWORD, std::string>> withoutFixedPairs(RegSnapshot snap) {
    for (auto it = snap.values.begin(); it != snap.values.end();) {
        const std::string& name = it->first;
        const std::string value = name.substr(name.find('|') + 1);
        if (value == "sackopts" || value == "tcp1323opts" || value == "tcpmaxdupacks" || value == "defaultreceivewindow")
            it = snap.values.erase(it);
        else
            ++it;
    }
    return snap.values;
}

}  // namespace

TEST_CASE("the backup manager lists, sorts, restores byte for byte, refuses another Windows and deletes") {
    Manager m;
    const RegSnapshot original = snapshotRegistry();
    m.backUp(16, 9);                                     // 001: the values as they were
    const std::string second = m.backUp(15, 17);         // 002
    MoveFileA(second.c_str(), (m.folder.backups() + "\\005.bck").c_str());
    winVersion = 6;
    m.backUp(15, 8);                                     // 006: taken "on Windows 2000"
    winVersion = 7;
    writeFile(m.folder.backups() + "\\notes.BCK", "not a backup\r\n");
    effects().localTime = [] { return LocalTime{2004, 3, 17, 12, 0, 0}; };
    currentTuning = tuningPresets[1];
    REQUIRE(tuning::applyTuning() == tuning::ApplyOutcome::Applied);  // 007

    m.open();
    CHECK(m.names().size() == 5);
    CHECK(m.rowOf("005.BCK") >= 0);
    CHECK(m.list().rows()[static_cast<std::size_t>(m.rowOf("notes.BCK"))].cells[1].empty());
    CHECK_FALSE(IsWindowEnabled(m.handle("cmdRestore")));

    m.clickHeader(1);  // by date: the undated first, the 15th by name, then the 16th
    CHECK(m.names() == std::vector<std::string>{"notes.BCK", "005.BCK", "006.BCK", "001.BCK", "007.BCK"});
    m.clickHeader(2);  // by time of day
    CHECK(m.names().front() == "notes.BCK");
    CHECK(m.names()[1] == "006.BCK");
    m.clickHeader(0);
    m.clickHeader(0);  // by name, descending
    CHECK(m.names().front() == "notes.BCK");
    CHECK(m.names().back() == "001.BCK");

    if (!screenshotFolder().empty()) {
        pumpFor(300);
        saveScreenshot(m.main.hwnd(), screenshotFolder() + "\\backup-manager.bmp");
    }

    // Another Windows: refused with its message, nothing written.
    m.select("006.BCK");
    CHECK(IsWindowEnabled(m.handle("cmdRestore")));  // a selection by keyboard or code counts
    const RegSnapshot applied = snapshotRegistry();
    SendMessageA(m.handle("cmdRestore"), BM_CLICK, 0, 0);
    CHECK(m.boxes.back() == "This backup file was taken from another operating system!!");
    CHECK(snapshotRegistry() == applied);

    // The viewer shows the backup beside the values now, and refuses it too.
    SendMessageA(m.handle("cmdPreview"), BM_CLICK, 0, 0);
    REQUIRE(m.main.previewWindow());
    CHECK_FALSE(IsWindowEnabled(m.main.previewWindow()->binder().handleOf(m.main.previewWindow()->form()["cmdCarryOut"])));
    SendMessageA(m.main.previewWindow()->hwnd(), WM_COMMAND, IDCANCEL, 0);

    // 001 puts back every value as it was (keys the apply made stay).
    m.select("001.BCK");
    SendMessageA(m.handle("cmdPreview"), BM_CLICK, 0, 0);
    if (!screenshotFolder().empty()) {
        pumpFor(300);
        saveScreenshot(m.main.previewWindow()->hwnd(), screenshotFolder() + "\\backup-viewer.bmp");
    }
    SendMessageA(m.main.previewWindow()->hwnd(), WM_COMMAND, IDCANCEL, 0);
    m.boxes.clear();
    SendMessageA(m.handle("cmdRestore"), BM_CLICK, 0, 0);
    CHECK(m.boxes == std::vector<std::string>{"Do you want to restore this settings?"});
    CHECK(withoutFixedPairs(snapshotRegistry()) == withoutFixedPairs(original));

    // Delete, confirmed: 005.bck goes through its listed name.
    m.select("005.BCK");
    SendMessageA(m.handle("cmdDelete"), BM_CLICK, 0, 0);
    CHECK(m.boxes.back() == "Do you want to delete this file?");
    CHECK(m.rowOf("005.BCK") == -1);
    CHECK(m.names().size() == 4);
    CHECK(IsWindowEnabled(m.handle("cmdDelete")));

    // Headers are kept between listings, but a file that changed is read again.
    writeFile(m.folder.backups() + "\\notes.BCK", "#2004-03-18#\r\n#10:00:00#\r\n7\r\n");
    m.open();
    CHECK_FALSE(m.list().rows()[static_cast<std::size_t>(m.rowOf("notes.BCK"))].cells[1].empty());
}

TEST_CASE("the backup viewer's Export... saves the backup's writes as a registry file named after it") {
    Manager m;
    putSamples(backupsamples::valuesNt(), {});
    const std::string path = m.backUp(15, 17);
    m.open();
    m.select("001.BCK");
    SendMessageA(m.handle("cmdPreview"), BM_CLICK, 0, 0);
    shell::PreviewWindow* viewer = m.main.previewWindow();
    REQUIRE(viewer);
    std::string suggested;
    const std::string file = m.folder.path() + "\\old.reg";
    effects().chooseSaveFile = [&](std::uintptr_t, const std::string& name) {
        suggested = name;
        return file;
    };
    const RegSnapshot before = snapshotRegistry();
    SendMessageA(viewer->binder().handleOf(viewer->form()["cmdExport"]), BM_CLICK, 0, 0);
    CHECK(suggested == "Backup 001 of Windows XP.reg");
    const backup::BackupReadResult read = backup::readBackupFile(path);
    REQUIRE(read.ok);
    std::string saved = readFile(file);
    const std::size_t comment = saved.find("\r\n; Quellar ");
    REQUIRE(comment != std::string::npos);
    saved.erase(comment + 2, saved.find("\r\n", comment + 2) - comment);
    CHECK(saved == tuning::regFileText(read.contents.writes, ""));
    CHECK(snapshotRegistry() == before);
    SendMessageA(viewer->hwnd(), WM_COMMAND, IDCANCEL, 0);
}
