#include "features/backup/backupmanager_win.h"

#include <windows.h>

#include <map>

#include "backup/apply_win.h"
#include "backup/backup_win.h"
#include "core/osversion.h"
#include "win/files_win.h"
#include "win/regops_win.h"

namespace quellar::features {

namespace {

std::string backupPath(const std::string& name) { return backup::backupsFolder() + "\\" + name; }

SYSTEMTIME systemTime(int year, int month, int day, int hour, int minute, int second) {
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(year);
    st.wMonth = static_cast<WORD>(month);
    st.wDay = static_cast<WORD>(day);
    st.wHour = static_cast<WORD>(hour);
    st.wMinute = static_cast<WORD>(minute);
    st.wSecond = static_cast<WORD>(second);
    return st;
}

std::string dateText(const backup::CalendarDate& d) {
    const SYSTEMTIME st = systemTime(d.year, d.month, d.day, 0, 0, 0);
    char text[80] = {};
    if (!GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, text, sizeof text)) return {};
    return text;
}

std::string timeText(const backup::TimeOfDay& t) {
    const SYSTEMTIME st = systemTime(2000, 1, 1, t.hour, t.minute, t.second);
    char text[80] = {};
    if (!GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &st, nullptr, text, sizeof text)) return {};
    return text;
}

// The list is rebuilt every time the window opens, and opening every file
// again is what costs (under Wine about 0.3 ms a file): a header is read
// again only when its file's size or last-write time has changed, and one
// not read yet is read when the list asks for it, after the rows show.
struct CachedHeader {
    DWORD sizeLow = 0;
    DWORD sizeHigh = 0;
    FILETIME written{};
    bool read = false;
    backup::BackupHeaderFields fields;
};
std::map<std::string, CachedHeader> g_headers;

bool sameFile(const CachedHeader& cached, const WIN32_FIND_DATAA& found) {
    return cached.sizeLow == found.nFileSizeLow && cached.sizeHigh == found.nFileSizeHigh &&
           CompareFileTime(&cached.written, &found.ftLastWriteTime) == 0;
}

// A file whose header is not a date and a time is listed all the same,
// with empty columns: it is the user's file, and a restore says what is
// wrong with it.
void fillFields(BackupRow& row, const backup::BackupHeaderFields& fields) {
    if (fields.date) {
        const backup::CalendarDate& d = *fields.date;
        row.dateKey = d.year * 10000 + d.month * 100 + d.day;
        row.dateText = dateText(d);
    }
    if (fields.time) {
        const backup::TimeOfDay& t = *fields.time;
        row.timeKey = t.hour * 10000 + t.minute * 100 + t.second;
        row.timeText = timeText(t);
    }
}

}  // namespace

std::vector<BackupRow> listBackupRows() {
    std::vector<BackupRow> rows;
    const std::string folder = backup::backupsFolder();
    const DWORD attributes = GetFileAttributesA(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        CreateDirectoryA(folder.c_str(), nullptr);
        return rows;
    }
    std::map<std::string, CachedHeader> listed;
    for (const WIN32_FIND_DATAA& found : win::filesIn(folder, "*.BCK")) {
        // The pattern also matches long names whose short alias ends in .BCK.
        if (!backup::isNumberedBackupName(found.cFileName)) continue;
        BackupRow row;
        row.fileName = found.cFileName;
        auto known = g_headers.find(row.fileName);
        CachedHeader header =
            known != g_headers.end() && sameFile(known->second, found)
                ? known->second
                : CachedHeader{found.nFileSizeLow, found.nFileSizeHigh, found.ftLastWriteTime, false, {}};
        row.headerRead = header.read;
        if (header.read) fillFields(row, header.fields);
        listed[row.fileName] = header;
        rows.push_back(std::move(row));
    }
    // Files that are gone leave the cache with the listing that missed them.
    g_headers.swap(listed);
    return rows;
}

void readBackupRowHeader(BackupRow& row) {
    const backup::BackupHeaderRead header = backup::readBackupHeader(backup::backupsFolder() + "\\" + row.fileName);
    fillFields(row, header.fields);
    // A file that could not be opened is asked again next time.
    auto cached = g_headers.find(row.fileName);
    if (header.opened && cached != g_headers.end()) {
        cached->second.read = true;
        cached->second.fields = header.fields;
    }
}

BackupManagerWindow::BackupManagerWindow(ui::FeatureHost& host)
    : BackupWindowBase(host, "frmBackUp", "Backup", kBackupManagerClient, backupManagerControls()) {}

BackupManagerWindow::~BackupManagerWindow() {
    unload();
}

void BackupManagerWindow::onLoad() {
    BackupManager::Actions actions;
    actions.listBackups = listBackupRows;
    actions.restore = [](const std::string& name) {
        const backup::RestoreResult result = backup::restoreBackupFile(backupPath(name), winVersion);
        RestoreOutcome outcome{RestoreOutcome::Status::Failed, result.message, result.backupPath};
        if (result.status == backup::RestoreResult::Status::Restored) outcome.status = RestoreOutcome::Status::Restored;
        if (result.status == backup::RestoreResult::Status::OtherWindows)
            outcome.status = RestoreOutcome::Status::OtherWindows;
        return outcome;
    };
    actions.remove = [](const std::string& name) -> std::string {
        const std::string path = backupPath(name);
        if (DeleteFileA(path.c_str())) return {};
        return "The file " + path + " could not be deleted: " + win::systemErrorText(static_cast<long>(GetLastError()));
    };
    actions.focus = [this] { SetFocus(hwnd()); };
    actions.preview = [this](const std::string& name) { previewBackup(name); };
    actions.notify = [this](const std::string& title, const std::string& text) { host_.showNotice(title, text); };
    actions.readHeader = readBackupRowHeader;
    actions.busy = [](bool busy) { SetCursor(LoadCursor(nullptr, busy ? IDC_WAIT : IDC_ARROW)); };
    manager_ = std::make_unique<BackupManager>(form(), std::move(actions),
                                               reinterpret_cast<std::uintptr_t>(host_.hostHandle()));
    manager_->load();
}

void BackupManagerWindow::onUnload() {
    manager_.reset();
}

void BackupManagerWindow::rebuildList() {
    if (!isLoaded()) load();
    if (manager_) manager_->rebuildList();
}

void BackupManagerWindow::previewBackup(const std::string& name) {
    const std::string path = backupPath(name);
    PreviewRequest request;
    request.title = "Backup " + name;
    request.actionCaption = "&Restore";
    const backup::BackupReadResult read = backup::readBackupFile(path);
    if (!read.ok) {
        request.refusal = "This file cannot be restored: " + read.describe();
    } else {
        const backup::BackupHeader& header = read.contents.header;
        const LocalTime& when = header.created;
        request.heading = "Taken on " + dateText({when.year, when.month, when.day}) + " at " +
                          timeText({when.hour, when.minute, when.second}) + " on " +
                          winVersionNameOf(header.winVersion) + ".";
        request.operations = read.contents.writes;
        request.exportWhat =
            "Backup " + std::string(backup::baseNameOf(name)) + " of " + winVersionNameOf(header.winVersion);
        request.keyLabel = backup::currentAdapterNamer();
        if (header.winVersion != winVersion)
            request.refusal = std::string(backup::kOtherWindowsMessage) + " It can be restored only there.";
    }
    // The Restore button's question and restore, for this file; a No keeps
    // the viewer open.
    request.confirm = [this, name] { return manager_ && manager_->confirmRestore(name); };
    request.carryOut = [this, name] {
        if (manager_) manager_->restoreConfirmed(name);
    };
    host_.showPreview(std::move(request));
}

}  // namespace quellar::features
