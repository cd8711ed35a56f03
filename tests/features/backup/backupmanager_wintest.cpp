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

#include "support/backupsamples.h"
#include "support/faceclick_win.h"
#include "support/pump_win.h"
#include "support/regsandbox_win.h"
#include "support/screenshot_win.h"
#include "support/tuningsandbox_win.h"
#include "tuning/presets.h"
#include "ui/balloon/balloon_win.h"
#include "win/window_win.h"

using namespace quellar;
using namespace quellar::testing;

namespace {

struct Manager {
    RegistrySandbox sandbox;
    ScratchProgramFolder folder{"backups"};
    std::vector<std::string> boxes;
    int answer = IDYES;
    app::MainWindow main;
    features::BackupManagerWindow* window = nullptr;

    Manager() {
        effects().messageBox = [this](std::uintptr_t, const std::string& text, const std::string&, unsigned) {
            boxes.push_back(text);
            return answer;
        };
        main.tray().notify = [](DWORD, NOTIFYICONDATAA*) { return TRUE; };
        REQUIRE(main.start());
        winVersion = 7;
    }
    // A backup of the values now, taken at the given day and hour.
    std::string backUp(int day, int hour) {
        effects().localTime = [day, hour] { return LocalTime{2004, 3, day, hour, 5, 9}; };
        const backup::BackupWriteResult written = backup::backupCurrentSettings();
        REQUIRE(written.ok);
        return written.path;
    }
    void open() {
        testing::clickFaceButton(main.facePlayer(), "IDC_FS_backupManger");
        window = static_cast<features::BackupManagerWindow*>(&main.feature(app::kBackupManager));
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
    // The face's "Backup" item in the side bar, clicked.
    void openFromFace() {
        quellar::testing::clickFaceButton(main.facePlayer(), "IDC_FS_backupManger");
        window = static_cast<features::BackupManagerWindow*>(&main.feature(app::kBackupManager));
        pumpMessages();
    }
    bool backupItemLit() {
        const auto& buttons = main.facePlayer().state().face().buttons;
        for (std::size_t i = 0; i < buttons.size(); ++i)
            if (buttons[i].command == "IDC_FS_backupManger") return main.facePlayer().state().isSelected(static_cast<int>(i));
        return false;
    }
    // "up" or "down" as the header shows a column's sort, else empty.
    std::string headerMark(int column) {
        HWND header = reinterpret_cast<HWND>(SendMessageA(handle("lstBackUpList"), LVM_GETHEADER, 0, 0));
        wchar_t caption[64] = {};
        HDITEMW item{};
        item.mask = HDI_FORMAT | HDI_TEXT;
        item.pszText = caption;
        item.cchTextMax = 64;
        SendMessageW(header, HDM_GETITEMW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&item));
        const std::wstring text(caption);
        if ((item.fmt & 0x0400) || text.find(L'\x25B2') != std::wstring::npos) return "up";
        if ((item.fmt & 0x0200) || text.find(L'\x25BC') != std::wstring::npos) return "down";
        return "";
    }
    // A click of the mouse on the list, as the user makes it.
    void clickList(int x, int y) {
        HWND listView = handle("lstBackUpList");
        const LPARAM at = MAKELPARAM(x, y);
        PostMessageA(listView, WM_LBUTTONUP, 0, at);  // ends the drag check a press starts
        SendMessageA(listView, WM_LBUTTONDOWN, MK_LBUTTON, at);
        pumpMessages();
    }
    void clickBelowRows() {
        RECT client{};
        GetClientRect(handle("lstBackUpList"), &client);
        clickList(client.right / 2, client.bottom - 4);
    }
    bool buttons(bool enabled) {
        for (const char* name : {"cmdPreview", "cmdRestore", "cmdDelete"})
            if ((IsWindowEnabled(handle(name)) != FALSE) != enabled) return false;
        return true;
    }
    void click(const char* name) {
        SendMessageA(handle(name), BM_CLICK, 0, 0);
        pumpMessages();
    }
    std::string notice() { return win::windowText(ui::balloon().control(ui::kIdMessage)); }
};

}  // namespace

TEST_CASE("screenshot: restore from the Backup manager: the values from before the apply, and a backup of the applied ones") {
    Manager m;
    namespace samples = quellar::testing::backupsamples;
    putSamples(samples::valuesNt(), {std::string(samples::kInterfaces) + "\\{1A2B}"});
    const RegSnapshot original = snapshotRegistry();
    tuning::currentTuning = tuning::tuningPresets[1];
    effects().localTime = [] { return LocalTime{2004, 3, 15, 17, 5, 9}; };
    REQUIRE(backup::applyTuning() == backup::ApplyOutcome::Applied);  // 001
    const RegSnapshot applied = snapshotRegistry();
    effects().localTime = [] { return LocalTime{2004, 3, 16, 9, 30, 0}; };

    m.openFromFace();
    CHECK(m.names() == std::vector<std::string>{"001.BCK"});
    CHECK(m.buttons(false));
    m.select("001.BCK");
    CHECK(m.buttons(true));
    m.click("cmdRestore");
    REQUIRE(m.boxes.size() == 1);
    CHECK(m.boxes[0].find("Backup: 001.BCK, taken on ") != std::string::npos);
    // Every value as it was before the apply, the four constants included,
    // those that were missing missing again.
    CHECK(snapshotRegistry().values == original.values);
    CHECK(m.notice() == "Restored: the backup 001.BCK.\r\nThe values from before the restore are kept in the backup "
                        "002.BCK.\r\nRestart Windows for the TCP/IP changes to take effect.");
    // The window stays, its item lit, with the new backup listed.
    CHECK(IsWindowVisible(m.window->hwnd()));
    CHECK(m.backupItemLit());
    CHECK(m.names().size() == 2);
    CHECK(m.list().selected()->cells[0] == "001.BCK");
    if (!screenshotFolder().empty()) {
        RECT shot, notice;
        GetWindowRect(m.main.hwnd(), &shot);
        GetWindowRect(ui::balloon().hwnd(), &notice);
        UnionRect(&shot, &shot, &notice);
        waitForStillScreen(shot);
        saveScreenRect(shot, screenshotFolder() + "\\restored-notice.bmp");
    }

    // 002 holds what the apply wrote: restoring it is the undo.
    m.select("002.BCK");
    m.click("cmdRestore");
    CHECK(snapshotRegistry().values == applied.values);
    CHECK(m.notice().find("kept in the backup 003.BCK") != std::string::npos);
    ui::balloon().unload();
}

TEST_CASE("screenshot: the Backup manager lists only numbered backups, sorts with a mark, refuses another Windows and deletes") {
    Manager m;
    m.backUp(16, 9);                              // 001
    const std::string second = m.backUp(15, 17);  // 002
    MoveFileA(second.c_str(), (m.folder.backups() + "\\005.bck").c_str());
    winVersion = 6;
    m.backUp(15, 8);                              // 006: taken "on Windows 2000"
    winVersion = 7;
    m.backUp(17, 12);                             // 007
    // Not backups, though the pattern *.BCK matches them (the last by its
    // short name).
    writeFile(m.folder.backups() + "\\notes.BCK", "not a backup\r\n");
    writeFile(m.folder.backups() + "\\my backup.bck", "#2004-03-18#\r\n#10:00:00#\r\n7\r\n");
    CopyFileA((m.folder.backups() + "\\007.BCK").c_str(), (m.folder.backups() + "\\007.bckold").c_str(), FALSE);

    m.openFromFace();
    CHECK(m.names().size() == 4);
    CHECK(m.rowOf("005.BCK") >= 0);
    CHECK(m.buttons(false));

    m.clickHeader(1);  // by date: the 15th by name, then the 16th, the 17th
    CHECK(m.names() == std::vector<std::string>{"005.BCK", "006.BCK", "001.BCK", "007.BCK"});
    m.clickHeader(0);
    m.clickHeader(0);  // by name, descending
    CHECK(m.names() == std::vector<std::string>{"007.BCK", "006.BCK", "005.BCK", "001.BCK"});
    // The header shows it: the common controls' arrow (HDF_SORTDOWN), or
    // where they draw none a mark in the caption.
    CHECK(m.headerMark(0) == "down");
    CHECK(m.headerMark(1).empty());

    // A click on a row selects it; one below the rows takes it away.
    RECT row{LVIR_BOUNDS, 0, 0, 0};
    SendMessageA(m.handle("lstBackUpList"), LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&row));
    m.clickList(row.left + 40, (row.top + row.bottom) / 2);
    CHECK(m.list().selected()->cells[0] == "006.BCK");
    CHECK(m.buttons(true));
    if (!screenshotFolder().empty()) {
        SetFocus(m.handle("cmdRestore"));  // the selection shows without the keyboard too
        waitForStillScreen(m.main.hwnd());
        saveScreenshot(m.main.hwnd(), screenshotFolder() + "\\backup-manager.bmp");
    }
    m.clickBelowRows();
    CHECK(m.list().selectedRow() == -1);
    CHECK(m.buttons(false));

    // Another Windows: refused with its message, nothing written, and the
    // viewer refuses it too.
    m.select("006.BCK");
    const RegSnapshot now = snapshotRegistry();
    m.click("cmdRestore");
    CHECK(m.boxes.back() == "This backup file was taken from another operating system!!");
    CHECK(snapshotRegistry() == now);
    m.click("cmdPreview");
    REQUIRE(m.main.previewWindow());
    CHECK_FALSE(IsWindowEnabled(m.main.previewWindow()->binder().handleOf(m.main.previewWindow()->form()["cmdCarryOut"])));
    SendMessageA(m.main.previewWindow()->hwnd(), WM_COMMAND, IDCANCEL, 0);

    // The viewer's Restore asks the same question; No keeps the viewer open.
    m.select("001.BCK");
    m.click("cmdPreview");
    features::PreviewWindow& viewer = *m.main.previewWindow();
    if (!screenshotFolder().empty()) {
        waitForStillScreen(viewer.hwnd());
        saveScreenshot(viewer.hwnd(), screenshotFolder() + "\\backup-viewer.bmp");
    }
    m.answer = IDNO;
    SendMessageA(viewer.binder().handleOf(viewer.form()["cmdCarryOut"]), BM_CLICK, 0, 0);
    CHECK(m.boxes.back().find("Do you want to restore these settings?") == 0);
    CHECK(IsWindowVisible(viewer.hwnd()));
    CHECK(snapshotRegistry() == now);
    SendMessageA(viewer.hwnd(), WM_COMMAND, IDCANCEL, 0);
    m.answer = IDYES;

    // Delete, confirmed by file and date: 005.bck goes through its listed
    // name, and the row after it is selected.
    m.select("005.BCK");
    m.click("cmdDelete");
    CHECK(m.boxes.back().find("Do you want to delete this file?\r\n\r\nBackup: 005.BCK, taken on ") == 0);
    CHECK(m.rowOf("005.BCK") == -1);
    CHECK(m.list().selected()->cells[0] == "001.BCK");
    CHECK(m.buttons(true));
    CHECK(GetFileAttributesA((m.folder.backups() + "\\007.bckold").c_str()) != INVALID_FILE_ATTRIBUTES);

    // Headers are kept between listings, but a file that changed is read again.
    const std::string before = m.list().rows()[static_cast<std::size_t>(m.rowOf("001.BCK"))].cells[1];
    writeFile(m.folder.backups() + "\\001.BCK", "#2004-03-28#\r\n#10:00:00#\r\n7\r\n");
    m.open();
    CHECK(m.list().rows()[static_cast<std::size_t>(m.rowOf("001.BCK"))].cells[1] != before);
}

TEST_CASE("screenshot: an empty Backup manager says where backups come from") {
    Manager m;
    m.openFromFace();
    CHECK(m.names().empty());
    CHECK(m.buttons(false));
    CHECK(IsWindowVisible(m.handle("lblNoBackups")));
    CHECK(win::windowText(m.handle("lblNoBackups")) == "No backups yet. Every apply first writes a backup here.");
    if (!screenshotFolder().empty()) {
        waitForStillScreen(m.main.hwnd());
        saveScreenshot(m.main.hwnd(), screenshotFolder() + "\\backup-manager-empty.bmp");
    }
}

TEST_CASE("the backup viewer's Export... saves the backup's writes as a registry file named after it") {
    Manager m;
    putSamples(backupsamples::valuesNt(), {});
    const std::string path = m.backUp(15, 17);
    m.open();
    m.select("001.BCK");
    SendMessageA(m.handle("cmdPreview"), BM_CLICK, 0, 0);
    features::PreviewWindow* viewer = m.main.previewWindow();
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
    CHECK(saved == regFileText(read.contents.writes, ""));
    CHECK(snapshotRegistry() == before);
    SendMessageA(viewer->hwnd(), WM_COMMAND, IDCANCEL, 0);
}
