#include "features/backup/backupmanager.h"

#include "backup/appliednotice.h"
#include "core/effects.h"
#include "core/text.h"

namespace quellar::features {

namespace {

const char* const kList = "lstBackUpList";
const char* const kRestore = "cmdRestore";
const char* const kDelete = "cmdDelete";
const char* const kPreview = "cmdPreview";
const char* const kEmptyHint = "lblNoBackups";
const char* const kCaption = "Quellar";

enum Column { kFileColumn = 0, kDateColumn = 1, kTimeColumn = 2 };

// Message box flags, as the system defines them.
constexpr unsigned kYesNo = 0x04, kIconStop = 0x10, kIconExclamation = 0x30;
constexpr int kYes = 6;

const BackupRow& rowOf(const ListControl::Row& row) { return std::any_cast<const BackupRow&>(row.datum); }

std::vector<std::string> cellsOf(const BackupRow& row) {
    return {listedName(row.fileName), row.dateText, row.timeText};
}

// Headers read per tick while the list fills in: about 30 ms of file
// opening on a slow machine, so the window answers between two batches.
constexpr int kHeadersPerTick = 32;
constexpr std::uint32_t kFillIntervalMs = 1;

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
        with({ControlKind::ListView, kList, "", {10, 20, 408, 152}, "frameBackUp"},
             ControlOptions::listView({{"File Name", 130, Alignment::Left},
                                       {"Creating Date", 140, Alignment::Left},
                                       {"Creating Time", 130, Alignment::Left}})),
        // Shown only while the list is empty.
        {ControlKind::Label, kEmptyHint, "No backups yet. Every apply first writes a backup here.",
         {10, 177, 408, 16}, "frameBackUp"},
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

std::string describedBackup(const BackupRow& row) {
    const std::string name = listedName(row.fileName);
    if (row.dateText.empty()) return name + " (no date recorded)";
    std::string text = name + ", taken on " + row.dateText;
    if (!row.timeText.empty()) text += " at " + row.timeText;
    return text;
}

BackupManager::BackupManager(Form& form, Actions actions, std::uintptr_t owner)
    : form_(form), actions_(std::move(actions)), owner_(owner) {
    ListControl& list = form_.list(kList);
    list.onColumnClick = [this](int column) { columnClicked(column); };
    // A click on blank space takes the selection away, a key or a click
    // gives one: the buttons follow either way.
    list.onMouseUp = [this] { syncButtons(); };
    list.onSelectionChanged = [this] { syncButtons(); };
    form_[kRestore].onClick = [this] { restoreSelected(); };
    form_[kDelete].onClick = [this] { deleteSelected(); };
    form_[kPreview].onClick = [this] {
        const ListControl::Row* row = form_.list(kList).selected();
        if (row && actions_.preview) actions_.preview(row->cells[0]);
    };
}

void BackupManager::load() {
    syncButtons();
    form_[kEmptyHint].setVisible(false);
}

void BackupManager::syncButtons() {
    const bool selected = form_.list(kList).selectedRow() >= 0;
    form_[kPreview].setEnabled(selected);
    form_[kRestore].setEnabled(selected);
    form_[kDelete].setEnabled(selected);
}

void BackupManager::rebuildList() {
    fill_.stop();
    ListControl& list = form_.list(kList);
    list.clear();
    if (actions_.listBackups) {
        for (BackupRow& row : actions_.listBackups()) {
            std::vector<std::string> cells = cellsOf(row);
            list.addRow(std::move(cells), std::move(row));
        }
    }
    // The rows stand as the header says they are sorted; a sort by a date
    // or a time needs them all first.
    for (int c = 0; c < static_cast<int>(list.columns().size()); ++c) {
        const SortMark mark = list.sortMark(c);
        if (mark == SortMark::None) continue;
        if (c != kFileColumn) readAllHeaders();
        sortRows(c, mark == SortMark::Descending);
    }
    form_[kEmptyHint].setVisible(list.rows().empty());
    syncButtons();
    if (headersPending()) fill_.start(kFillIntervalMs, [this] { fillHeaders(kHeadersPerTick); });
}

bool BackupManager::headersPending() const {
    if (!actions_.readHeader) return false;
    for (const ListControl::Row& row : form_.list(kList).rows())
        if (!rowOf(row).headerRead) return true;
    return false;
}

bool BackupManager::readHeaderAt(int row) {
    ListControl& list = form_.list(kList);
    if (row < 0 || row >= static_cast<int>(list.rows().size()) || !actions_.readHeader) return false;
    const BackupRow& listed = rowOf(list.rows()[static_cast<std::size_t>(row)]);
    if (listed.headerRead) return false;
    BackupRow filled = listed;
    actions_.readHeader(filled);
    filled.headerRead = true;
    std::vector<std::string> cells = cellsOf(filled);
    list.updateRow(row, std::move(cells), std::move(filled));
    return true;
}

void BackupManager::fillHeaders(int most) {
    int read = 0;
    const int rows = static_cast<int>(form_.list(kList).rows().size());
    for (int i = 0; i < rows; ++i)
        if (readHeaderAt(i) && ++read >= most) return;
    fill_.stop();
}

void BackupManager::readAllHeaders() {
    if (!headersPending()) return;
    if (actions_.busy) actions_.busy(true);
    fillHeaders(static_cast<int>(form_.list(kList).rows().size()));
    if (actions_.busy) actions_.busy(false);
}

void BackupManager::columnClicked(int column) {
    ListControl& list = form_.list(kList);
    // The first click sorts ascending, each further one on the same column
    // turns the order round.
    const bool descending = list.sortMark(column) == SortMark::Ascending;
    if (column != kFileColumn) readAllHeaders();
    for (int c = 0; c < static_cast<int>(list.columns().size()); ++c)
        list.setSortMark(c, c == column ? (descending ? SortMark::Descending : SortMark::Ascending) : SortMark::None);
    sortRows(column, descending);
    syncButtons();
}

void BackupManager::sortRows(int column, bool descending) {
    // Rows that compare equal stand by file name, whatever the direction,
    // so a sort always gives the same order.
    form_.list(kList).sort([column, descending](const ListControl::Row& a, const ListControl::Row& b) {
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
}

int BackupManager::indexNamed(const std::string& name) const {
    const std::vector<ListControl::Row>& rows = form_.list(kList).rows();
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (rows[i].cells[0] == name) return static_cast<int>(i);
    return -1;
}

// A name no row has leaves no row selected.
void BackupManager::selectByName(const std::string& name) { form_.list(kList).select(indexNamed(name)); }

bool BackupManager::confirmRestore(const std::string& name) {
    // The question names the file's date, so its header is read now.
    const int index = indexNamed(name);
    readHeaderAt(index);
    const std::string described =
        index < 0 ? name : describedBackup(rowOf(form_.list(kList).rows()[static_cast<std::size_t>(index)]));
    const std::string question = "Do you want to restore these settings?\r\n\r\nBackup: " + described +
                                 ".\r\nThe values now are kept in a new backup first.";
    return effects().messageBox(owner_, question, kCaption, kYesNo | kIconExclamation) == kYes;
}

void BackupManager::restoreSelected() {
    const ListControl::Row* row = form_.list(kList).selected();
    if (!row) return;
    const std::string name = row->cells[0];
    if (confirmRestore(name)) restoreConfirmed(name);
}

void BackupManager::restoreConfirmed(const std::string& name) {
    const RestoreOutcome outcome = actions_.restore ? actions_.restore(name) : RestoreOutcome{};
    switch (outcome.status) {
    case RestoreOutcome::Status::OtherWindows:
        effects().messageBox(owner_, "This backup file was taken from another operating system!!", kCaption, kIconStop);
        return;
    case RestoreOutcome::Status::Failed:
        effects().messageBox(owner_, outcome.message, kCaption, kIconStop);
        break;
    case RestoreOutcome::Status::Restored:
        if (actions_.notify) {
            const backup::AppliedNotice notice = backup::restoredNotice(name, outcome.backupPath);
            actions_.notify(notice.title, notice.text);
        }
        break;
    }
    // The backup of the values replaced joins the list; the window stays,
    // the restored file still chosen.
    if (outcome.backupPath.empty()) return;
    rebuildList();
    selectByName(name);
}

void BackupManager::deleteSelected() {
    ListControl& list = form_.list(kList);
    const ListControl::Row* row = list.selected();
    if (!row) return;
    const std::string name = row->cells[0];
    readHeaderAt(list.selectedRow());
    row = list.selected();
    const std::size_t next = static_cast<std::size_t>(list.selectedRow()) + 1;
    const std::string nextName = next < list.rows().size() ? list.rows()[next].cells[0] : std::string();
    const std::string question = "Do you want to delete this file?\r\n\r\nBackup: " + describedBackup(rowOf(*row)) +
                                 ".\r\nIts settings cannot be restored once it is deleted.";
    if (effects().messageBox(owner_, question, kCaption, kYesNo | kIconExclamation) != kYes) return;
    const std::string problem = actions_.remove ? actions_.remove(name) : std::string();
    if (!problem.empty()) effects().messageBox(owner_, problem, kCaption, kIconStop);
    rebuildList();
    // The row that followed takes the deleted one's place; a file that
    // could not be deleted stays chosen.
    selectByName(problem.empty() ? nextName : name);
    if (actions_.focus) actions_.focus();
}

}  // namespace quellar::features
