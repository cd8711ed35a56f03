#include <doctest/doctest.h>

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>

#include "support/pump_win.h"
#include "support/screenshot_win.h"
#include "support/showcase.h"
#include "ui/form/binder_win.h"
#include "ui/graph/graph_win.h"
#include "ui/skin/skin_win.h"
#include "ui/skin/skinpass_win.h"
#include "win/window_win.h"

using namespace quellar;

namespace {

// A top-level window showing the showcase form, routing its messages the
// way every feature window does.
class ShowcaseWindow : public win::Window {
public:
    ShowcaseWindow() : form_("frmShowcase", "Toolkit", {0, 0, 440, 332}, testing::showcaseControls()) {
        REQUIRE(create("QuellarToolkitShowcase", "Toolkit", WS_POPUP | WS_CLIPCHILDREN | WS_VISIBLE, 0,
                       40, 40, 440, 332, nullptr));
        binder_ = std::make_unique<ui::FormBinder>(form_, hwnd());
        REQUIRE(binder_->createControls());
        skin_.loadFile("RQLRMask.skn");  // copied beside the programs by the build
        skin_.applyElement(hwnd(), "controlForm");
        ui::skinControls(skin_, *binder_);
        testing::fillShowcase(form_);
        UpdateWindow(hwnd());
    }
    ~ShowcaseWindow() override {
        binder_.reset();
        destroy();
    }
    Form& form() { return form_; }
    HWND handle(const char* name, int index = -1) { return binder_->handleOf(form_.get(name, index)); }

protected:
    bool onMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
        return binder_ && binder_->route(msg, wParam, lParam, result);
    }

private:
    Form form_;
    ui::SkinEngine skin_;
    std::unique_ptr<ui::FormBinder> binder_;
};

void key(HWND hwnd, UINT vk) {
    SendMessageA(hwnd, WM_KEYDOWN, vk, 1);
    SendMessageA(hwnd, WM_KEYUP, vk, static_cast<LPARAM>(0xC0000001u));
}

void click(HWND hwnd, int x, int y) {
    SendMessageA(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
    SendMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    SendMessageA(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

// The graph drawn into a bitmap through WM_PRINTCLIENT, so the check reads
// pixels without depending on what else is on screen.
struct GraphPicture {
    explicit GraphPicture(HWND graph) {
        GetClientRect(graph, &rect);
        HDC screen = GetDC(nullptr);
        dc = CreateCompatibleDC(screen);
        bitmap = CreateCompatibleBitmap(screen, rect.right, rect.bottom);
        ReleaseDC(nullptr, screen);
        old = SelectObject(dc, bitmap);
        SendMessageA(graph, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    }
    ~GraphPicture() {
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    // The rows of column x that carry `colour`.
    std::vector<int> rowsOf(int x, COLORREF colour) const {
        std::vector<int> rows;
        for (int y = 0; y < rect.bottom; ++y)
            if (GetPixel(dc, x, y) == colour) rows.push_back(y);
        return rows;
    }
    RECT rect{};
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ old = nullptr;
};

}  // namespace

TEST_CASE("the binder drives every kind through real messages and the models see the user") {
    ShowcaseWindow window;
    Form& form = window.form();

    // List: a header click, then keyboard selection.
    ListControl& list = form.list("lstReplies");
    int column = -1, selections = 0;
    list.onColumnClick = [&](int c) { column = c; };
    list.onSelectionChanged = [&] { ++selections; };
    HWND listView = window.handle("lstReplies");
    CHECK(SendMessageA(listView, LVM_GETITEMCOUNT, 0, 0) == 2);
    HWND header = reinterpret_cast<HWND>(SendMessageA(listView, LVM_GETHEADER, 0, 0));
    RECT third{};
    SendMessageA(header, HDM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&third));
    click(header, (third.left + third.right) / 2, (third.top + third.bottom) / 2);
    CHECK(column == 2);
    SetFocus(listView);
    key(listView, VK_DOWN);
    CHECK(list.selectedRow() >= 0);
    CHECK(selections >= 1);
    // A sort in the model reaches the control; the selection follows its row.
    const std::string chosen = list.selected()->cells[2];
    list.sort([](const ListControl::Row& a, const ListControl::Row& b) { return a.cells[2] < b.cells[2]; });
    char cell[32] = {};
    LVITEMA item{};
    item.iSubItem = 2;
    item.pszText = cell;
    item.cchTextMax = sizeof cell;
    const int shownRow = static_cast<int>(SendMessageA(listView, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    SendMessageA(listView, LVM_GETITEMTEXTA, static_cast<WPARAM>(shownRow), reinterpret_cast<LPARAM>(&item));
    CHECK(std::string(cell) == chosen);

    // Drop-down: the keyboard picks the next entry.
    ChoiceControl& sound = form.choice("cmbSound");
    int picks = 0;
    sound.onChange = [&] { ++picks; };
    HWND combo = window.handle("cmbSound");
    CHECK(SendMessageA(combo, CB_GETCOUNT, 0, 0) == 3);
    key(combo, VK_DOWN);
    CHECK(sound.text() == "Chimes");
    CHECK(picks == 1);

    // Slider: an arrow key changes the value, letting go of it is the click.
    RangeControl& slider = form.range("sldInterval");
    int changes = 0, clicks = 0;
    slider.onChange = [&] { ++changes; };
    slider.onClick = [&] { ++clicks; };
    HWND track = window.handle("sldInterval");
    key(track, VK_RIGHT);
    CHECK(slider.value() == 6);
    CHECK(changes == 1);
    CHECK(clicks == 1);
    slider.setRange(10, 20);
    CHECK(SendMessageA(track, TBM_GETPOS, 0, 0) == 10);

    // Up-down: a click on its upper half; its read-only box follows.
    RangeControl& spin = form.range("updInterval");
    RECT r;
    GetClientRect(window.handle("updInterval"), &r);
    click(window.handle("updInterval"), r.right / 2, r.bottom / 4);
    CHECK(spin.value() == 6);
    CHECK(win::windowText(window.handle("txtInterval")) == "6");

    // The default and cancel buttons.
    int closed = 0;
    form["cmdClose"].onClick = [&] { ++closed; };
    SendMessageA(window.hwnd(), WM_COMMAND, IDCANCEL, 0);
    CHECK(closed == 1);
    CHECK((GetWindowLongA(window.handle("cmdPingNow"), GWL_STYLE) & 0x0F) == BS_DEFPUSHBUTTON);
    CHECK(SendMessageA(window.handle("txtHost"), EM_GETLIMITTEXT, 0, 0) == 64);
    CHECK((GetWindowLongA(window.handle("txtInterval"), GWL_STYLE) & ES_READONLY) != 0);

    if (!testing::screenshotFolder().empty()) {
        testing::waitForStillScreen(window.hwnd());
        testing::saveScreenshot(window.hwnd(), testing::screenshotFolder() + "\\toolkit-showcase.bmp");
    }
}

TEST_CASE("the graph draws its samples in the line colour at the zoom's heights, and nothing while hidden") {
    ShowcaseWindow window;
    GraphControl& graph = window.form().graph("grpReplies");
    HWND hwnd = window.handle("grpReplies");
    for (int i = 0; i < 30; ++i) graph.setSample(i < 29 ? 0 : 50);

    const COLORREF green = RGB(0, 255, 0);
    {
        GraphPicture picture(hwnd);
        const int right = picture.rect.right - 1;
        const int height = picture.rect.bottom;
        // The newest sample (50) at the right edge, half-way up at zoom 30.
        CHECK(picture.rowsOf(right, green).front() == height - 1 - graphRow(50, 30, height));
        // The older ones (0) along the bottom row.
        CHECK(picture.rowsOf(2, green) == std::vector<int>{height - 1});
    }
    graph.setZoom(60);  // twice the scale: 50 now lies above the top
    graph.setSample(10);
    {
        GraphPicture picture(hwnd);
        const int height = picture.rect.bottom;
        CHECK(picture.rowsOf(picture.rect.right - 1, green).back() == height - 1 - graphRow(10, 60, height));
    }

    // The whole window hidden, as a feature window that is not hosted.
    testing::settle();
    ShowWindow(window.hwnd(), SW_HIDE);
    testing::settle();
    const int paints = ui::graphPaintCount(hwnd);
    for (int i = 0; i < 200; ++i) graph.setSample(i % 100);
    testing::settle();
    CHECK(ui::graphPaintCount(hwnd) == paints);
}
