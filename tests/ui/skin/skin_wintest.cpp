#include <doctest/doctest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "core/form.h"
#include "res/resource.h"
#include "ui/skin/skin.h"
#include "ui/skin/skin_win.h"
#include "ui/skin/skinpass.h"
#include "ui/skin/skinpass_win.h"
#include "ui/skin/skinpaint_win.h"
#include "ui/form/binder_win.h"
#include "win/window_win.h"

using namespace quellar;
using namespace quellar::ui;

namespace {

// A window that hosts a bound form, as a feature window does.
class FormWindow : public win::Window {
public:
    explicit FormWindow(Form& form) : form_(form) {}
    ~FormWindow() override {
        binder_.reset();
        destroy();
    }

    bool open(HWND parent = nullptr, DWORD style = WS_POPUP | WS_CLIPCHILDREN, int x = 0, int y = 0) {
        const PixelRect& client = form_.client();
        if (!create("QuellarSkinTestForm", form_.caption().c_str(), style, 0, x, y, client.width,
                    client.height, parent))
            return false;
        binder_ = std::make_unique<ui::FormBinder>(form_, hwnd());
        return binder_->createControls();
    }

    ui::FormBinder& binder() { return *binder_; }
    HWND handleOf(const std::string& name, int index = -1) {
        return binder_->handleOf(form_.get(name, index));
    }

protected:
    bool onMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
        return binder_ && binder_->route(msg, wParam, lParam, result);
    }

private:
    Form& form_;
    std::unique_ptr<ui::FormBinder> binder_;
};

std::vector<ControlDecl> everyKind() {
    return {
        {ControlKind::Button, "cmdOk", "OK", {10, 10, 80, 24}},
        {ControlKind::CheckBox, "chkOut", "Outside", {10, 40, 120, 18}},
        {ControlKind::OptionButton, "optOut", "First", {10, 60, 120, 18}, nullptr, 0},
        {ControlKind::OptionButton, "optOut", "Second", {10, 80, 120, 18}, nullptr, 1},
        {ControlKind::SkinLabel, "lblSkin", "Skin label", {10, 100, 120, 16}},
        {ControlKind::Label, "lblPlain", "Plain label", {10, 120, 120, 16}},
        {ControlKind::TextBox, "txtOut", "text", {10, 140, 120, 20}},
        {ControlKind::Frame, "fraBox", "Frame", {150, 10, 200, 200}},
        {ControlKind::Button, "cmdIn", "Inside", {10, 20, 80, 24}, "fraBox"},
        {ControlKind::CheckBox, "chkIn", "Inside", {10, 50, 120, 18}, "fraBox"},
        {ControlKind::OptionButton, "optIn", "Inside", {10, 70, 120, 18}, "fraBox"},
        {ControlKind::SkinLabel, "lblSkinIn", "Skin label", {10, 90, 120, 16}, "fraBox"},
        {ControlKind::Label, "lblPlainIn", "Plain label", {10, 110, 120, 16}, "fraBox"},
        {ControlKind::TextBox, "txtIn", "text", {10, 130, 120, 20}, "fraBox"},
        {ControlKind::Slider, "sldIn", "", {10, 155, 120, 24}, "fraBox"},
    };
}

// Renders a window's client area the way it paints itself, into a bitmap.
class Snapshot {
public:
    explicit Snapshot(HWND hwnd, UINT how = WM_PRINTCLIENT) {
        RECT r;
        GetClientRect(hwnd, &r);
        HDC screen = GetDC(nullptr);
        dc_ = CreateCompatibleDC(screen);
        bitmap_ = CreateCompatibleBitmap(screen, r.right, r.bottom);
        ReleaseDC(nullptr, screen);
        old_ = SelectObject(dc_, bitmap_);
        SendMessageA(hwnd, how, reinterpret_cast<WPARAM>(dc_), PRF_CLIENT | PRF_ERASEBKGND);
    }
    ~Snapshot() {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    Snapshot(const Snapshot&) = delete;
    Snapshot& operator=(const Snapshot&) = delete;

    COLORREF at(int x, int y) const { return GetPixel(dc_, x, y); }

private:
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
};

COLORREF colorOf(const SkinColor& c) {
    return toColorRef(c);
}

int clientHeight(HWND hwnd) {
    RECT r;
    GetClientRect(hwnd, &r);
    return r.bottom;
}

int clientWidth(HWND hwnd) {
    RECT r;
    GetClientRect(hwnd, &r);
    return r.right;
}

std::string tempFile(const std::string& contents) {
    char folder[MAX_PATH];
    char path[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    GetTempFileNameA(folder, "skn", 0, path);
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(file, contents.data(), static_cast<DWORD>(contents.size()), &written, nullptr);
    CloseHandle(file);
    return path;
}

HWND makeStatic(HWND parent, const char* text) {
    return CreateWindowExA(0, "STATIC", text, WS_CHILD | WS_VISIBLE | SS_LEFT, 0, 0, 100, 20, parent,
                           nullptr, win::moduleInstance(), nullptr);
}

}  // namespace

TEST_CASE("the skinning pass gives every control the element of its kind, in and out of frames") {
    Form form("frmSkinTest", "Skin test", {0, 0, 380, 240}, everyKind());
    FormWindow window(form);
    REQUIRE(window.open());
    SkinEngine skin;
    skin.applyElement(window.hwnd(), "controlForm");
    skinControls(skin, window.binder());

    CHECK(skin.elementOf(window.hwnd()) == "controlForm");
    for (const auto& control : form.controls()) {
        CAPTURE(control->name());
        CAPTURE(control->index());
        HWND hwnd = window.binder().handleOf(*control);
        REQUIRE(hwnd != nullptr);
        const char* element = skinElementFor(control->kind());
        CHECK(skin.elementOf(hwnd) == (element ? element : ""));
    }
    // A plain label has a window here, but the pass treats it as window-less.
    CHECK(skin.elementOf(window.handleOf("lblPlain")).empty());
    CHECK(skin.elementOf(window.handleOf("optOut", 1)) == "RadioBox");

    SUBCASE("a form without controls is left as it is") {
        Form empty("frmEmpty", "Empty", {0, 0, 100, 100}, {});
        FormWindow bare(empty);
        REQUIRE(bare.open());
        skinControls(skin, bare.binder());
        CHECK(skin.elementOf(bare.hwnd()).empty());
    }
}

TEST_CASE("skinned controls keep their own behaviour") {
    Form form("frmSkinTest", "Skin test", {0, 0, 380, 240}, everyKind());
    FormWindow window(form);
    REQUIRE(window.open());
    ShowWindow(window.hwnd(), SW_SHOWNOACTIVATE);
    SkinEngine skin;
    skin.applyElement(window.hwnd(), "controlForm");
    skinControls(skin, window.binder());
    UpdateWindow(window.hwnd());

    int clicks = 0;
    form["cmdOk"].onClick = [&clicks] { ++clicks; };
    SendMessageA(window.handleOf("cmdOk"), BM_CLICK, 0, 0);
    CHECK(clicks == 1);

    HWND check = window.handleOf("chkOut");
    SendMessageA(check, BM_CLICK, 0, 0);
    CHECK(form["chkOut"].value() == 1);
    CHECK(SendMessageA(check, BM_GETCHECK, 0, 0) == BST_CHECKED);
    SendMessageA(check, BM_CLICK, 0, 0);
    CHECK(form["chkOut"].value() == 0);
    CHECK(SendMessageA(check, BM_GETCHECK, 0, 0) == BST_UNCHECKED);

    // Inside a frame the notification travels through the skinned frame.
    int insideClicks = 0;
    form["cmdIn"].onClick = [&insideClicks] { ++insideClicks; };
    SendMessageA(window.handleOf("cmdIn"), BM_CLICK, 0, 0);
    CHECK(insideClicks == 1);
    SendMessageA(window.handleOf("chkIn"), BM_CLICK, 0, 0);
    CHECK(form["chkIn"].value() == 1);

    SendMessageA(window.handleOf("optOut", 1), BM_CLICK, 0, 0);
    CHECK(form.get("optOut", 1).value() == 1);
    CHECK(SendMessageA(window.handleOf("optOut", 1), BM_GETCHECK, 0, 0) == BST_CHECKED);
    form.get("optOut", 0).setValue(1);
    CHECK(SendMessageA(window.handleOf("optOut", 0), BM_GETCHECK, 0, 0) == BST_CHECKED);
    CHECK(SendMessageA(window.handleOf("optOut", 1), BM_GETCHECK, 0, 0) == BST_UNCHECKED);

    // Text and state pushed from the models still reach the controls.
    form["lblSkin"].setText("Changed");
    CHECK(win::windowText(window.handleOf("lblSkin")) == "Changed");
    form["cmdOk"].setEnabled(false);
    CHECK_FALSE(IsWindowEnabled(window.handleOf("cmdOk")));
    SendMessageA(window.handleOf("cmdOk"), BM_CLICK, 0, 0);
    CHECK(clicks == 1);

    SUBCASE("a click that destroys its own button is harmless") {
        HWND inside = window.handleOf("cmdIn");
        form["cmdIn"].onClick = [inside] { DestroyWindow(inside); };
        SendMessageA(inside, BM_CLICK, 0, 0);
        CHECK_FALSE(IsWindow(inside));
        CHECK(skin.elementOf(inside).empty());
    }
}

TEST_CASE("skinned windows paint in the skin's colours") {
    Form form("frmSkinTest", "Skin test", {0, 0, 380, 240}, everyKind());
    FormWindow window(form);
    REQUIRE(window.open());
    SkinEngine skin;
    skin.applyElement(window.hwnd(), "controlForm");
    skinControls(skin, window.binder());
    const Skin& s = skin.skin();

    CHECK(Snapshot(window.hwnd(), WM_ERASEBKGND).at(2, 2) == colorOf(s.style(SkinElement::ControlForm).background));

    HWND button = window.handleOf("cmdOk");
    int middle = clientHeight(button) / 2;
    const ElementStyle& b = s.style(SkinElement::Button);
    CHECK(Snapshot(button).at(4, middle) == colorOf(b.face));
    // Rounded corners show what the form gives its controls.
    CHECK(Snapshot(button).at(0, 0) == colorOf(s.style(SkinElement::ControlForm).background));
    SendMessageA(button, BM_SETSTATE, TRUE, 0);
    CHECK(Snapshot(button).at(4, middle) == colorOf(b.pressed));
    SendMessageA(button, BM_SETSTATE, FALSE, 0);
    SendMessageA(button, WM_MOUSEMOVE, 0, MAKELPARAM(4, middle));
    CHECK(Snapshot(button).at(4, middle) == colorOf(b.hover));
    SendMessageA(button, WM_MOUSELEAVE, 0, 0);
    CHECK(Snapshot(button).at(4, middle) == colorOf(b.face));
    EnableWindow(button, FALSE);
    CHECK(Snapshot(button).at(4, middle) == colorOf(b.disabledFace));

    // The frame fills itself; labels in it stand on the frame's colour,
    // labels outside on the form's.
    const ElementStyle& f = s.style(SkinElement::Frame);
    HWND frame = window.handleOf("fraBox");
    CHECK(Snapshot(frame).at(clientWidth(frame) / 2, clientHeight(frame) - 6) == colorOf(f.background));
    HWND inner = window.handleOf("lblSkinIn");
    CHECK(Snapshot(inner).at(clientWidth(inner) - 1, clientHeight(inner) - 1) == colorOf(f.background));
    HWND outer = window.handleOf("lblSkin");
    CHECK(Snapshot(outer).at(clientWidth(outer) - 1, clientHeight(outer) - 1) ==
          colorOf(s.style(SkinElement::ControlForm).background));

    // A checked box shows its mark; an unchecked one only its face.
    HWND check = window.handleOf("chkOut");
    const ElementStyle& c = s.style(SkinElement::CheckBox);
    auto markPixels = [&] {
        Snapshot shot(check);
        int count = 0;
        for (int y = 0; y < clientHeight(check); ++y)
            for (int x = 0; x < 20; ++x) count += shot.at(x, y) == colorOf(c.checkMark);
        return count;
    };
    CHECK(markPixels() == 0);
    SendMessageA(check, BM_SETCHECK, BST_CHECKED, 0);
    CHECK(markPixels() > 5);
}

TEST_CASE("the skin file decides the look; a missing or faulty one gives the built-in skin") {
    SkinEngine skin;
    CHECK(skin.skin() == builtInSkin());

    HRSRC found = FindResourceA(win::moduleInstance(), MAKEINTRESOURCEA(IDR_SKIN),
                                MAKEINTRESOURCEA(RT_QUELLAR_DATA));
    REQUIRE(found != nullptr);
    const char* data = static_cast<const char*>(LockResource(LoadResource(win::moduleInstance(), found)));
    CHECK(std::string(data, SizeofResource(win::moduleInstance(), found)) == kBuiltInSkinText);

    HWND parent = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr,
                                  win::moduleInstance(), nullptr);
    HWND button = CreateWindowExA(0, "BUTTON", "Go", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 0, 0, 80,
                                  24, parent, nullptr, win::moduleInstance(), nullptr);
    skin.applyElement(button, "Button");

    std::string good = tempFile("[Button]\r\nface = 10,20,30\r\nfancy = ignored\r\n");
    CHECK(skin.loadFile(good));
    CHECK(skin.loadIssues().empty());
    CHECK(skin.skin().style(SkinElement::Button).face == SkinColor{10, 20, 30});
    CHECK(skin.skin().style(SkinElement::Label) == builtInSkin().style(SkinElement::Label));
    // Windows skinned before follow the new skin.
    CHECK(Snapshot(button).at(4, 12) == RGB(10, 20, 30));

    std::string faulty = tempFile("[Button]\nface = 10,20,30\nborder = #12\n");
    CHECK_FALSE(skin.loadFile(faulty));
    CHECK(skin.skin() == builtInSkin());
    REQUIRE(skin.loadIssues().size() == 1);
    CHECK(skin.loadIssues()[0].line == 3);
    CHECK(Snapshot(button).at(4, 12) == colorOf(builtInSkin().style(SkinElement::Button).face));

    CHECK(skin.loadFile(good));
    CHECK_FALSE(skin.loadFile("C:\\no such folder\\RQLRMask.skn"));
    CHECK(skin.skin() == builtInSkin());
    CHECK(skin.loadIssues().empty());

    std::string huge = tempFile(std::string(kMaxSkinFileSize + 1, '#'));
    CHECK_FALSE(skin.loadFile(huge));
    CHECK(skin.skin() == builtInSkin());

    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    CHECK_FALSE(skin.loadFile(folder));

    DeleteFileA(good.c_str());
    DeleteFileA(faulty.c_str());
    DeleteFileA(huge.c_str());
    DestroyWindow(parent);
}

TEST_CASE("applying to nothing, to a dead window or an unknown element changes nothing") {
    SkinEngine skin;
    skin.applyElement(nullptr, "Button");
    CHECK(skin.elementOf(nullptr).empty());

    HWND parent = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr,
                                  win::moduleInstance(), nullptr);
    HWND label = makeStatic(parent, "label");
    LONG_PTR ownProc = GetWindowLongPtrA(label, GWLP_WNDPROC);
    skin.applyElement(label, "Bogus");
    skin.applyElement(label, "label");  // element names are exact
    skin.applyElement(label, "");
    CHECK(skin.elementOf(label).empty());
    CHECK(GetWindowLongPtrA(label, GWLP_WNDPROC) == ownProc);

    DestroyWindow(label);
    skin.applyElement(label, "Label");
    CHECK(skin.elementOf(label).empty());

    // Skinned, then destroyed while the engine lives on.
    HWND gone = makeStatic(parent, "gone");
    skin.applyElement(gone, "Label");
    CHECK(skin.elementOf(gone) == "Label");
    DestroyWindow(gone);
    CHECK(skin.elementOf(gone).empty());
    DestroyWindow(parent);
}

TEST_CASE("a window is subclassed once and given back when the engine goes") {
    HWND parent = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr,
                                  win::moduleInstance(), nullptr);
    HWND button = CreateWindowExA(0, "BUTTON", "Go", WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, 0, 0,
                                  80, 24, parent, nullptr, win::moduleInstance(), nullptr);
    LONG_PTR ownProc = GetWindowLongPtrA(button, GWLP_WNDPROC);
    {
        auto first = std::make_unique<SkinEngine>();
        first->applyElement(button, "Button");
        first->applyElement(button, "Button");
        first->applyElement(button, "CheckBox");
        CHECK(first->elementOf(button) == "CheckBox");
        LONG_PTR skinnedProc = GetWindowLongPtrA(button, GWLP_WNDPROC);
        CHECK(skinnedProc != ownProc);

        // A second engine takes the window over without hooking it again.
        SkinEngine second;
        second.applyElement(button, "RadioBox");
        CHECK(second.elementOf(button) == "RadioBox");
        CHECK(first->elementOf(button).empty());
        CHECK(GetWindowLongPtrA(button, GWLP_WNDPROC) == skinnedProc);
        first.reset();
        CHECK(second.elementOf(button) == "RadioBox");
        SendMessageA(button, BM_CLICK, 0, 0);
        CHECK(SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED);
    }
    CHECK(GetWindowLongPtrA(button, GWLP_WNDPROC) == ownProc);
    SendMessageA(button, BM_CLICK, 0, 0);
    CHECK(SendMessageA(button, BM_GETCHECK, 0, 0) == BST_UNCHECKED);

    // A window skinned by an engine that is gone before it still closes.
    {
        SkinEngine shortLived;
        shortLived.applyElement(button, "Button");
    }
    DestroyWindow(parent);
    CHECK_FALSE(IsWindow(button));
}

TEST_CASE("NoFrame takes the border off a container; Frame draws group boxes too") {
    HWND parent = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 300, 200, nullptr, nullptr,
                                  win::moduleInstance(), nullptr);
    HWND area = CreateWindowExA(WS_EX_CLIENTEDGE, "STATIC", "", WS_CHILD | WS_VISIBLE | WS_BORDER, 0,
                                0, 100, 80, parent, nullptr, win::moduleInstance(), nullptr);
    SkinEngine skin;
    skin.applyElement(area, "NoFrame");
    CHECK(skin.elementOf(area) == "NoFrame");
    CHECK((GetWindowLongA(area, GWL_STYLE) & WS_BORDER) == 0);
    CHECK((GetWindowLongA(area, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) == 0);
    RECT client;
    GetClientRect(area, &client);
    CHECK(client.right == 100);
    CHECK(client.bottom == 80);
    CHECK(Snapshot(area, WM_ERASEBKGND).at(50, 40) ==
          colorOf(skin.skin().style(SkinElement::NoFrame).background));

    HWND group = CreateWindowExA(0, "BUTTON", "Group", WS_CHILD | WS_VISIBLE | BS_GROUPBOX, 110, 0,
                                 180, 150, parent, nullptr, win::moduleInstance(), nullptr);
    skin.applyElement(group, "Frame");
    CHECK(skin.elementOf(group) == "Frame");
    const ElementStyle& f = skin.skin().style(SkinElement::Frame);
    Snapshot shot(group);
    int border = 0;
    for (int x = 0; x < 180; ++x) border += shot.at(x, 149) == colorOf(f.border);
    CHECK(border > 100);
    SetWindowTextA(group, "A longer caption");
    CHECK(win::windowText(group) == "A longer caption");
    DestroyWindow(parent);
}
