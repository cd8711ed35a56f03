#include "features/backup/backupmanager.h"

#include "core/effects.h"
#include "core/text.h"

namespace quellar {

namespace {

const char* const kList = "lstBackUpList";
const char* const kRestore = "cmdRestore";
const char* const kDelete = "cmdDelete";
const char* const kPreview = "cmdPreview";
const char* const kCaption = "Quellar";
const char* const kAscending = "ASC";
const char* const kDescending = "DESC";

enum Column { kFileColumn = 0, kDateColumn = 1, kTimeColumn = 2 };

// Message box flags, as the system defines them.
constexpr unsigned kYesNo = 0x04, kIconStop = 0x10, kIconExclamation = 0x30;
constexpr int kYes = 6;

const BackupRow& rowOf(const ListControl::Row& row) { return std::any_cast<const BackupRow&>(row.datum); }

// -1, 0 or 1; a side without a value counts as the smallest, as an empty
// date compares as 0.
int compareKeys(const std::optional<std::int32_t>& a, const std::optional<std::int32_t>& b) {
    const std::int64_t x = a ? *a : -1, y = b ? *b : -1;
    return x < y ? -1 : (x > y ? 1 : 0);
}

int compareNames(const std::string& a, const std::string& b) {
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        const char x = text::lowerAscii(a[i]), y = text::lowerAscii(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

}  // namespace

const std::vector<ControlDecl>& backupManagerControls() {
    static const std::vector<ControlDecl> decls = {
        {ControlKind::Frame, "frameBackUp", "Backup", {6, 4, 428, 238}},
        with({ControlKind::ListView, kList, "", {10, 20, 408, 170}, "frameBackUp"},
             ControlOptions::listView({{"File Name", 130, Alignment::Left},
                                       {"Creating Date", 140, Alignment::Left},
                                       {"Creating Time", 130, Alignment::Left}})),
        {ControlKind::Button, kPreview, "&View...", {130, 200, 90, 25}, "frameBackUp"},
        {ControlKind::Button, kRestore, "Restore", {226, 200, 90, 25}, "frameBackUp"},
        {ControlKind::Button, kDelete, "Delete", {322, 200, 90, 25}, "frameBackUp"},
    };
    return decls;
}

std::string listedName(const std::string& fileName) {
    const std::size_t dot = fileName.rfind('.');
    return (dot == std::string::npos ? fileName : fileName.substr(0, dot)) + ".BCK";
}

BackupManager::BackupManager(Form& form, Actions actions, std::uintptr_t owner)
    : form_(form), actions_(std::move(actions)), owner_(owner) {
    ListControl& list = form_.list(kList);
    list.onColumnClick = [this](int column) { columnClicked(column); };
    list.onMouseUp = [this] { enableWhenSelected(); };
    // A row chosen with the keyboard counts as much as one chosen with the mouse.
    list.onSelectionChanged = [this] { enableWhenSelected(); };
    form_[kRestore].onClick = [this] { restoreSelected(); };
    form_[kDelete].onClick = [this] { deleteSelected(); };
    form_[kPreview].onClick = [this] {
        const ListControl::Row* row = form_.list(kList).selected();
        if (row && actions_.preview) actions_.preview(row->cells[0]);
    };
}

void BackupManager::load() { setButtons(false); }

void BackupManager::setButtons(bool enabled) {
    form_[kPreview].setEnabled(enabled);
    form_[kRestore].setEnabled(enabled);
    form_[kDelete].setEnabled(enabled);
}

void BackupManager::enableWhenSelected() {
    if (form_.list(kList).selectedRow() >= 0) setButtons(true);
}

void BackupManager::rebuildList() {
    setButtons(false);
    ListControl& list = form_.list(kList);
    list.clear();
    if (!actions_.listBackups) return;
    for (BackupRow& row : actions_.listBackups()) {
        std::vector<std::string> cells{listedName(row.fileName), row.dateText, row.timeText};
        list.addRow(std::move(cells), std::move(row));
    }
    // Rebuilding is no choice of the user's: the buttons wait for one.
    setButtons(false);
}

void BackupManager::columnClicked(int column) {
    ListControl& list = form_.list(kList);
    const bool descending = list.columnTag(column) == kAscending;
    for (int c = 0; c < static_cast<int>(list.columns().size()); ++c)
        list.setColumnTag(c, c == column ? (descending ? kDescending : kAscending) : "");
    // Rows that compare equal stand by file name, whatever the direction,
    // so a sort always gives the same order.
    list.sort([column, descending](const ListControl::Row& a, const ListControl::Row& b) {
        const BackupRow& x = rowOf(a);
        const BackupRow& y = rowOf(b);
        int order = 0;
        switch (column) {
        case kFileColumn: order = compareNames(a.cells[0], b.cells[0]); break;
        case kDateColumn: order = compareKeys(x.dateKey, y.dateKey); break;
        case kTimeColumn: order = compareKeys(x.timeKey, y.timeKey); break;
        default: break;
        }
        if (descending) order = -order;
        if (order == 0) order = compareNames(a.cells[0], b.cells[0]);
        return order < 0;
    });
    enableWhenSelected();
}

void BackupManager::restoreSelected() {
    const ListControl::Row* row = form_.list(kList).selected();
    if (!row) return;
    if (effects().messageBox(owner_, "Do you want to restore this settings?", kCaption, kYesNo | kIconExclamation) != kYes)
        return;
    const RestoreOutcome outcome = actions_.restore ? actions_.restore(row->cells[0]) : RestoreOutcome{};
    switch (outcome.status) {
    case RestoreOutcome::Status::OtherWindows:
        // Nothing was written, and the face stays where it is.
        effects().messageBox(owner_, "This backup file was taken from another operating system!!", kCaption, kIconStop);
        return;
    case RestoreOutcome::Status::Failed:
        effects().messageBox(owner_, outcome.message, kCaption, 0);
        break;
    case RestoreOutcome::Status::Restored:
        break;
    }
    if (actions_.goHome) actions_.goHome();
}

void BackupManager::deleteSelected() {
    const ListControl::Row* row = form_.list(kList).selected();
    if (!row) return;
    if (effects().messageBox(owner_, "Do you want to delete this file?", kCaption, kYesNo | kIconExclamation) != kYes)
        return;
    const std::string problem = actions_.remove ? actions_.remove(row->cells[0]) : std::string();
    if (!problem.empty()) effects().messageBox(owner_, problem, kCaption, kIconStop);
    rebuildList();
    if (actions_.focus) actions_.focus();
    setButtons(!form_.list(kList).rows().empty());
}

}  // namespace quellar
