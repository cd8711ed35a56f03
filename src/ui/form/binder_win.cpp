#include "ui/form/binder_win.h"

#include <commctrl.h>

#include <vector>

#include "ui/graph/graph_win.h"
#include "win/dpi_win.h"
#include "win/library_win.h"
#include "win/window_win.h"

namespace quellar::ui {

namespace {

// The header's own sort arrows (common controls 6, Windows XP on); the
// names come with headers for later systems than this program builds for.
constexpr int kHeaderSortDown = 0x0200;
constexpr int kHeaderSortUp = 0x0400;

// Whether the common controls draw a header's sort arrow: version 6 and on.
bool headerDrawsArrows() {
    struct VersionInfo {
        DWORD size, major, minor, build, platform;
    };
    using GetVersionFn = HRESULT(CALLBACK*)(VersionInfo*);
    static const bool arrows = [] {
        auto get = win::functionOf<GetVersionFn>(win::commonControls(), "DllGetVersion");
        VersionInfo info{sizeof(VersionInfo), 0, 0, 0, 0};
        return get && SUCCEEDED(get(&info)) && info.major >= 6;
    }();
    return arrows;
}

struct Kind {
    const char* cls;
    DWORD style;
    DWORD exStyle;
};

Kind win32Kind(const Control& control) {
    const ControlOptions& o = control.options();
    switch (control.kind()) {
    case ControlKind::Button:
        return {"BUTTON", static_cast<DWORD>(o.isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | WS_TABSTOP, 0};
    case ControlKind::CheckBox: return {"BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP, 0};
    case ControlKind::OptionButton: return {"BUTTON", BS_RADIOBUTTON | WS_TABSTOP, 0};
    case ControlKind::Frame: return {kFrameClass, WS_CLIPSIBLINGS, WS_EX_CONTROLPARENT};
    case ControlKind::Label:
    case ControlKind::SkinLabel: return {"STATIC", SS_LEFT | SS_NOTIFY, 0};
    case ControlKind::TextBox: {
        DWORD style = WS_TABSTOP;
        style |= o.multiLine ? ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_VSCROLL : ES_AUTOHSCROLL;
        if (o.readOnly) style |= ES_READONLY;
        return {"EDIT", style, WS_EX_CLIENTEDGE};
    }
    case ControlKind::ComboBox: return {"COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 0};
    case ControlKind::ListView:
        return {WC_LISTVIEWA, LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_TABSTOP, WS_EX_CLIENTEDGE};
    case ControlKind::Slider:
        return {TRACKBAR_CLASSA, static_cast<DWORD>(TBS_HORZ | (o.ticks ? TBS_AUTOTICKS : TBS_NOTICKS)) | WS_TABSTOP, 0};
    case ControlKind::UpDown: return {UPDOWN_CLASSA, UDS_ARROWKEYS | UDS_NOTHOUSANDS, 0};
    case ControlKind::Picture: return {"STATIC", SS_BITMAP, 0};
    case ControlKind::Graph: return {kGraphClass, 0, WS_EX_STATICEDGE};
    }
    return {"STATIC", 0, 0};
}

// A drop-down's declared height is that of its closed box; the list that
// opens below it needs room for several entries.
constexpr int kDropDownListHeight = 160;

bool hasText(ControlKind kind) {
    switch (kind) {
    case ControlKind::ComboBox:
    case ControlKind::ListView:
    case ControlKind::Slider:
    case ControlKind::UpDown:
    case ControlKind::Graph:
        return false;
    default:
        return true;
    }
}

int listAlignment(Alignment a) {
    switch (a) {
    case Alignment::Right: return LVCFMT_RIGHT;
    case Alignment::Center: return LVCFMT_CENTER;
    case Alignment::Left: break;
    }
    return LVCFMT_LEFT;
}

// Posted when a control asks for the keyboard (a refused box): it takes it
// once the focus change under way (the user clicked elsewhere) is over.
// lParam is the control.
UINT focusWantedMessage() {
    static const UINT message = RegisterWindowMessageA("Quellar.FocusWanted");
    return message;
}

// The texts of a list's row from column `first` on.
void setRowTexts(HWND list, int index, const ListControl::Row& row, std::size_t first) {
    LVITEMA item{};
    for (std::size_t c = first; c < row.cells.size(); ++c) {
        item.iSubItem = static_cast<int>(c);
        item.pszText = const_cast<char*>(row.cells[c].c_str());
        SendMessageA(list, LVM_SETITEMTEXTA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    }
}

}  // namespace

FormBinder::FormBinder(Form& form, HWND window) : form_(form), window_(window) {}

FormBinder::~FormBinder() {
    for (auto& control : form_.controls()) {
        control->onFocusRequested = nullptr;
        control->onModelChanged = nullptr;
        if (control->kind() == ControlKind::Graph) {
            if (HWND hwnd = handleOf(*control)) attachGraph(hwnd, nullptr);
        }
    }
}

HWND FormBinder::createOne(Control& control, int id) {
    HWND parent = window_;
    if (!control.frame().empty()) {
        if (Control* frame = form_.find(control.frame())) {
            if (HWND frameHwnd = handleOf(*frame)) parent = frameHwnd;
        }
    }
    Kind kind = win32Kind(control);
    DWORD style = WS_CHILD | kind.style;
    if (control.visible()) style |= WS_VISIBLE;
    if (!control.enabled()) style |= WS_DISABLED;
    // Designed at 96 dpi; the display's pixels follow its dpi.
    const PixelRect& designed = control.rect();
    RECT r = win::scaledRect(designed.x, designed.y, designed.width, designed.height);
    if (control.kind() == ControlKind::ComboBox) r.bottom += win::scaled(kDropDownListHeight);
    HWND hwnd = CreateWindowExA(kind.exStyle, kind.cls, hasText(control.kind()) ? control.text().c_str() : "",
                                style, r.left, r.top, r.right - r.left, r.bottom - r.top, parent,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                win::moduleInstance(), nullptr);
    if (!hwnd) return nullptr;
    SendMessageA(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(win::dialogFont()), FALSE);
    configure(control, hwnd);
    return hwnd;
}

// What a kind's window needs once, beyond its styles.
void FormBinder::configure(Control& control, HWND hwnd) {
    const ControlOptions& o = control.options();
    switch (control.kind()) {
    case ControlKind::TextBox:
        if (o.maxLength > 0) SendMessageA(hwnd, EM_LIMITTEXT, static_cast<WPARAM>(o.maxLength), 0);
        break;
    case ControlKind::ListView: {
        SendMessageA(hwnd, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
        int i = 0;
        for (const ListColumn& c : o.columns) {
            LVCOLUMNA column{};
            column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
            column.fmt = listAlignment(c.alignment);
            column.cx = win::scaled(c.width);
            column.pszText = const_cast<char*>(c.caption.c_str());
            column.iSubItem = i;
            SendMessageA(hwnd, LVM_INSERTCOLUMNA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
            ++i;
        }
        break;
    }
    case ControlKind::Slider:
        SendMessageA(hwnd, TBM_SETLINESIZE, 0, o.smallChange);
        SendMessageA(hwnd, TBM_SETPAGESIZE, 0, o.largeChange);
        break;
    case ControlKind::Graph:
        attachGraph(hwnd, &static_cast<const GraphControl&>(control));
        break;
    case ControlKind::Button:
        if (o.isDefault) defaultId_ = GetDlgCtrlID(hwnd);
        if (o.isCancel) cancel_ = &control;
        break;
    default:
        break;
    }
}

bool FormBinder::createControls() {
    win::commonControls();
    registerFrameClass();
    registerGraphClass();
    bool all = true;
    int id = kFirstBoundControlId;
    for (auto& owned : form_.controls()) {
        Control& control = *owned;
        HWND hwnd = createOne(control, id++);
        if (!hwnd) {
            all = false;
            continue;
        }
        handles_[&control] = hwnd;
        controls_[hwnd] = &control;
        push(control);
        control.onModelChanged = [this](const Control& changed) { push(changed); };
        control.onFocusRequested = [this](const Control& wanted) {
            if (HWND box = handleOf(wanted)) PostMessageA(window_, focusWantedMessage(), 0, reinterpret_cast<LPARAM>(box));
        };
    }
    return all;
}

HWND FormBinder::handleOf(const Control& control) const {
    auto it = handles_.find(&control);
    return it == handles_.end() ? nullptr : it->second;
}

Control* FormBinder::controlOf(HWND handle) const {
    auto it = controls_.find(handle);
    return it == controls_.end() ? nullptr : it->second;
}

void FormBinder::pushList(const ListControl& list, HWND hwnd) {
    ListShown& shown = listsShown_[&list];
    if (shown.rows == list.rowsVersion() && shown.cells != list.cellsVersion()) {
        // Texts that filled in where their rows stand: only those rows.
        int r = 0;
        for (const ListControl::Row& row : list.rows()) {
            if (row.cellsVersion > shown.cells) setRowTexts(hwnd, r, row, 0);
            ++r;
        }
        shown.cells = list.cellsVersion();
    }
    if (shown.rows != list.rowsVersion() || static_cast<std::size_t>(SendMessageA(hwnd, LVM_GETITEMCOUNT, 0, 0)) != list.rows().size()) {
        shown.rows = list.rowsVersion();
        shown.cells = list.cellsVersion();
        SendMessageA(hwnd, WM_SETREDRAW, FALSE, 0);
        SendMessageA(hwnd, LVM_DELETEALLITEMS, 0, 0);
        int r = 0;
        for (const ListControl::Row& row : list.rows()) {
            LVITEMA item{};
            item.mask = LVIF_TEXT;
            item.iItem = r;
            item.pszText = const_cast<char*>(row.cells.empty() ? "" : row.cells[0].c_str());
            SendMessageA(hwnd, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
            setRowTexts(hwnd, r, row, 1);
            ++r;
        }
        SendMessageA(hwnd, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(hwnd, nullptr, TRUE);
    }
    const int current = static_cast<int>(SendMessageA(hwnd, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    if (current != list.selectedRow()) {
        LVITEMA state{};
        state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        state.state = 0;
        SendMessageA(hwnd, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
        if (list.selectedRow() >= 0) {
            state.state = LVIS_SELECTED | LVIS_FOCUSED;
            SendMessageA(hwnd, LVM_SETITEMSTATE, static_cast<WPARAM>(list.selectedRow()), reinterpret_cast<LPARAM>(&state));
            SendMessageA(hwnd, LVM_ENSUREVISIBLE, static_cast<WPARAM>(list.selectedRow()), FALSE);
        }
    }
}

void FormBinder::pushSortMarks(const ListControl& list, HWND hwnd) {
    std::uint64_t& shown = listsShown_[&list].marks;
    if (shown == list.marksVersion()) return;
    shown = list.marksVersion();
    HWND header = reinterpret_cast<HWND>(SendMessageA(hwnd, LVM_GETHEADER, 0, 0));
    if (!header) return;
    const std::vector<ListColumn>& columns = list.columns();
    for (int c = 0; c < static_cast<int>(columns.size()); ++c) {
        const SortMark mark = list.sortMark(c);
        if (headerDrawsArrows()) {
            HDITEMA item{};
            item.mask = HDI_FORMAT;
            SendMessageA(header, HDM_GETITEMA, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&item));
            item.fmt &= ~(kHeaderSortUp | kHeaderSortDown);
            if (mark == SortMark::Ascending) item.fmt |= kHeaderSortUp;
            if (mark == SortMark::Descending) item.fmt |= kHeaderSortDown;
            SendMessageA(header, HDM_SETITEMA, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&item));
            continue;
        }
        // Elsewhere the mark goes into the caption; the triangles are not in
        // the ANSI code pages, so the caption goes in as Unicode (a control's
        // own message, which the A and W senders pass alike).
        // (A vector, not std::wstring, whose class would add a library of
        // its own to the exe for this one caption.)
        std::vector<wchar_t> caption(columns[static_cast<std::size_t>(c)].caption.begin(),
                                     columns[static_cast<std::size_t>(c)].caption.end());
        if (mark != SortMark::None) {
            caption.push_back(L' ');
            caption.push_back(mark == SortMark::Ascending ? L'\x25B2' : L'\x25BC');
        }
        caption.push_back(L'\0');
        HDITEMW item{};
        item.mask = HDI_TEXT;
        item.pszText = caption.data();
        SendMessageA(header, HDM_SETITEMW, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&item));
    }
}

void FormBinder::setListHighlight(COLORREF back, COLORREF text) {
    highlightSet_ = true;
    highlightBack_ = back;
    highlightText_ = text;
    for (const auto& [control, hwnd] : handles_)
        if (control->kind() == ControlKind::ListView) InvalidateRect(hwnd, nullptr, TRUE);
}

void FormBinder::push(const Control& control) {
    HWND hwnd = handleOf(control);
    if (!hwnd) return;
    const bool wasPushing = pushing_;
    pushing_ = true;
    if (hasText(control.kind()) && win::windowText(hwnd) != control.text())
        SetWindowTextA(hwnd, control.text().c_str());
    switch (control.kind()) {
    case ControlKind::CheckBox:
    case ControlKind::OptionButton:
        SendMessageA(hwnd, BM_SETCHECK, static_cast<WPARAM>(control.value()), 0);
        break;
    case ControlKind::Slider: {
        const auto& range = static_cast<const RangeControl&>(control);
        SendMessageA(hwnd, TBM_SETRANGEMIN, FALSE, range.minimum());
        SendMessageA(hwnd, TBM_SETRANGEMAX, FALSE, range.maximum());
        SendMessageA(hwnd, TBM_SETPOS, TRUE, control.value());
        break;
    }
    case ControlKind::UpDown: {
        const auto& range = static_cast<const RangeControl&>(control);
        SendMessageA(hwnd, UDM_SETRANGE, 0, MAKELONG(static_cast<short>(range.maximum()), static_cast<short>(range.minimum())));
        SendMessageA(hwnd, UDM_SETPOS, 0, MAKELONG(static_cast<short>(control.value()), 0));
        // Ranges beyond 16 bits (an interval up to 65,535) need the 32-bit
        // messages, which the first common controls ignore.
        SendMessageA(hwnd, UDM_SETRANGE32, static_cast<WPARAM>(range.minimum()), range.maximum());
        SendMessageA(hwnd, UDM_SETPOS32, 0, control.value());
        break;
    }
    case ControlKind::ComboBox: {
        const auto& choice = static_cast<const ChoiceControl&>(control);
        auto& shown = choiceEntries_[&control];
        if (shown != choice.entries()) {
            shown = choice.entries();
            SendMessageA(hwnd, CB_RESETCONTENT, 0, 0);
            for (const std::string& entry : shown)
                SendMessageA(hwnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
        }
        if (static_cast<int>(SendMessageA(hwnd, CB_GETCURSEL, 0, 0)) != choice.selectedIndex())
            SendMessageA(hwnd, CB_SETCURSEL, static_cast<WPARAM>(choice.selectedIndex()), 0);
        break;
    }
    case ControlKind::ListView:
        pushList(static_cast<const ListControl&>(control), hwnd);
        pushSortMarks(static_cast<const ListControl&>(control), hwnd);
        break;
    case ControlKind::Graph:
        graphChanged(hwnd);
        break;
    default:
        break;
    }
    if ((IsWindowEnabled(hwnd) != FALSE) != control.enabled()) {
        // A disabled control cannot keep the keyboard, and the system would
        // leave it with no window at all ("&Save" disables itself when it
        // has saved): it goes on to the next control.
        if (!control.enabled() && GetFocus() == hwnd) {
            HWND next = GetNextDlgTabItem(window_, hwnd, FALSE);
            if (next && next != hwnd) SetFocus(next);
        }
        EnableWindow(hwnd, control.enabled());
    }
    if ((IsWindowVisible(hwnd) != FALSE) != control.visible() && IsWindowVisible(GetParent(hwnd)))
        ShowWindow(hwnd, control.visible() ? SW_SHOWNA : SW_HIDE);
    else if (!control.visible())
        ShowWindow(hwnd, SW_HIDE);
    else if (!(GetWindowLongA(hwnd, GWL_STYLE) & WS_VISIBLE))
        ShowWindow(hwnd, SW_SHOWNA);
    pushing_ = wasPushing;
}

// The box takes the keyboard with its text selected, so the next keys
// replace it, unless the user has gone to another window meanwhile: a
// refused box must not pull the keyboard out of another program.
void FormBinder::focusWanted(HWND hwnd) {
    if (!controlOf(hwnd) || !IsWindowVisible(hwnd) || !IsWindowEnabled(hwnd)) return;
    HWND focus = GetFocus();
    if (focus != hwnd && !(focus && (focus == window_ || IsChild(window_, focus)))) return;
    if (focus != hwnd) {
        // The box this takes the keyboard from is not being left by the
        // user: two refused boxes would otherwise pull it to and fro.
        const bool was = refocusing_;
        refocusing_ = true;
        SetFocus(hwnd);
        refocusing_ = was;
    }
    SendMessageA(hwnd, EM_SETSEL, 0, -1);
}

bool FormBinder::route(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (msg == focusWantedMessage()) {
        focusWanted(reinterpret_cast<HWND>(lParam));
        result = 0;
        return true;
    }
    bool handled = false;
    switch (msg) {
    case WM_COMMAND:
        handled = handleCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
        break;
    case WM_NOTIFY:
        if (lParam) {
            LRESULT answer = 0;
            if (handleNotify(*reinterpret_cast<NMHDR*>(lParam), answer)) {
                result = answer;
                return true;
            }
        }
        break;
    case WM_HSCROLL:
    case WM_VSCROLL:
        handled = handleScroll(LOWORD(wParam), static_cast<short>(HIWORD(wParam)), reinterpret_cast<HWND>(lParam));
        break;
    default:
        break;
    }
    if (handled) result = 0;
    return handled;
}

bool FormBinder::handleCommand(int id, int code, HWND hwnd) {
    // The Escape key of a dialog-style window comes as IDCANCEL.
    if (!hwnd && id == IDCANCEL && cancel_) {
        cancel_->userClick();
        return true;
    }
    Control* control = controlOf(hwnd);
    if (!control || pushing_) return control != nullptr;
    switch (control->kind()) {
    case ControlKind::Button:
    case ControlKind::CheckBox:
    case ControlKind::OptionButton:
        if (code == BN_CLICKED) {
            // The check box toggled itself already; the model decides.
            control->userClick();
            push(*control);
        }
        return true;
    case ControlKind::TextBox:
        if (code == EN_CHANGE) control->userText(win::windowText(hwnd));
        else if (code == EN_KILLFOCUS && !refocusing_) control->userLeave();
        return true;
    case ControlKind::ComboBox:
        if (code == CBN_SELCHANGE)
            static_cast<ChoiceControl*>(control)->userSelect(static_cast<int>(SendMessageA(hwnd, CB_GETCURSEL, 0, 0)));
        return true;
    default:
        return true;
    }
}

bool FormBinder::handleNotify(NMHDR& header, LRESULT& result) {
    Control* control = controlOf(header.hwndFrom);
    if (!control) return false;
    if (control->kind() == ControlKind::ListView && header.code == static_cast<UINT>(NM_CUSTOMDRAW)) {
        // The selected row in the skin's highlight, also while the list does
        // not have the keyboard (the system's grey is all but invisible on a
        // white list).
        auto& draw = reinterpret_cast<NMLVCUSTOMDRAW&>(header);
        result = CDRF_DODEFAULT;
        if (!highlightSet_) return true;
        if (draw.nmcd.dwDrawStage == CDDS_PREPAINT) {
            result = CDRF_NOTIFYITEMDRAW;
        } else if (draw.nmcd.dwDrawStage == CDDS_ITEMPREPAINT &&
                   (SendMessageA(header.hwndFrom, LVM_GETITEMSTATE, draw.nmcd.dwItemSpec, LVIS_SELECTED) &
                    LVIS_SELECTED)) {
            draw.nmcd.uItemState &= ~static_cast<UINT>(CDIS_SELECTED);
            draw.clrTextBk = highlightBack_;
            draw.clrText = highlightText_;
        }
        return true;
    }
    if (pushing_ || control->kind() != ControlKind::ListView) return true;
    auto& list = *static_cast<ListControl*>(control);
    switch (header.code) {
    case LVN_COLUMNCLICK:
        list.userColumnClick(reinterpret_cast<const NMLISTVIEW&>(header).iSubItem);
        break;
    case LVN_ITEMCHANGED: {
        // The mouse and the keyboard alike: a row that becomes selected.
        // Losing the selection is read back at the mouse-up instead, since a
        // move from one row to another deselects first.
        const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
        if ((change.uChanged & LVIF_STATE) && (change.uNewState & LVIS_SELECTED) &&
            !(change.uOldState & LVIS_SELECTED))
            list.userSelect(change.iItem);
        break;
    }
    case NM_CLICK:
    case NM_RCLICK:
        list.userSelect(static_cast<int>(SendMessageA(header.hwndFrom, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED)));
        list.userMouseUp();
        break;
    default:
        break;
    }
    return true;
}

bool FormBinder::handleScroll(int code, int position, HWND hwnd) {
    Control* control = controlOf(hwnd);
    if (!control) return false;
    if (pushing_) return true;
    auto* range = static_cast<RangeControl*>(control);
    if (control->kind() == ControlKind::Slider) {
        const int thumb = static_cast<int>(SendMessageA(hwnd, TBM_GETPOS, 0, 0));
        // Moving it changes the value; letting go (mouse or key) is its click.
        if (code == TB_ENDTRACK) range->userScroll(thumb);
        else range->setValue(thumb);
    } else if (control->kind() == ControlKind::UpDown && code == SB_THUMBPOSITION) {
        // The new position comes with the message, in 16 bits; UDM_GETPOS
        // reports an error for an up-down without a buddy window on some
        // systems. The 32-bit position, where the system has it, is the
        // same number in its low word.
        BOOL failed = FALSE;
        const auto wide = static_cast<int>(SendMessageA(hwnd, UDM_GETPOS32, 0, reinterpret_cast<LPARAM>(&failed)));
        range->userScroll(static_cast<short>(wide) == position ? wide : position);
    }
    return true;
}

}  // namespace quellar::ui
