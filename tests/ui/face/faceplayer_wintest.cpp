#include <doctest/doctest.h>

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "face_testdata.h"
#include "support/faceclick_win.h"
#include "ui/face/faceplayer_win.h"

using namespace quellar;
using namespace quellar::ui;
using quellar::testing::buttonFor;

namespace {

class Host : public win::Window {
public:
    Host() {
        REQUIRE(create("QuellarFaceTestHost", "Quellar", WS_POPUP, 0, 0, 0, 724, 540, nullptr));
        ShowWindow(hwnd(), SW_SHOWNOACTIVATE);
        REQUIRE(player.create(hwnd(), 0, 0, 724, 540));
        player.onCommand = [this](const std::string& command, const std::string& args) {
            heard.push_back(command);
            lastArgs = args;
        };
    }
    FacePlayer player;
    std::vector<std::string> heard;
    std::string lastArgs;
};

std::string tempFile(const std::string& name, const std::string& content) {
    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    std::string path = std::string(dir) + name;
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    REQUIRE(f != INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(f, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(f);
    return path;
}

COLORREF pixelAt(HWND hwnd, int x, int y) {
    UpdateWindow(hwnd);
    HDC dc = GetDC(hwnd);
    COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(hwnd, dc);
    return c;
}

}  // namespace

TEST_CASE("the player falls back to the built-in face and loads a face file that is valid") {
    Host host;
    FacePlayer& player = host.player;
    CHECK(win::className(player.hwnd()) == kFacePlayerClass);
    RECT r;
    GetClientRect(player.hwnd(), &r);
    CHECK(r.right == 724);
    CHECK(r.bottom == 540);

    player.loadFace("C:\\no such folder\\speed up.swf");
    CHECK(player.usingBuiltInFace());
    CHECK_FALSE(player.loadError().empty());
    std::vector<std::string> commands = player.commands();
    std::set<std::string> offered(commands.begin(), commands.end());
    for (const char* command : kCommandTable) CHECK(offered.count(command) == 1);
    CHECK(offered.count("Drag") == 1);

    std::string custom = tempFile("quellar face test.swf",
                                  "face 724 540\nrect 0 0 w h fill=#ff0000\n"
                                  "button 10 10 100 40 send=IDC_FS_help arg=\"x\"\n");
    player.loadFace(custom);
    CHECK_FALSE(player.usingBuiltInFace());
    CHECK(player.loadError().empty());
    CHECK(player.commands() == std::vector<std::string>{"IDC_FS_help"});
    CHECK(pixelAt(player.hwnd(), 300, 300) == RGB(255, 0, 0));
    player.clickAt(50, 30);
    CHECK(host.heard == std::vector<std::string>{"IDC_FS_help"});
    CHECK(host.lastArgs == "x");

    // A damaged file is not half-used: the built-in face comes back.
    std::string broken = tempFile("quellar broken face.swf", "face 724 540\nrect 0 0 w h fill=#ff0000\nbutton 1 2\n");
    player.loadFace(broken);
    CHECK(player.usingBuiltInFace());
    CHECK(player.loadError().find("line 3") != std::string::npos);
    CHECK(pixelAt(player.hwnd(), 300, 300) != RGB(255, 0, 0));

    // An empty file and a file far too large are refused as well.
    player.loadFace(tempFile("quellar empty face.swf", ""));
    CHECK(player.usingBuiltInFace());
    player.loadFace(tempFile("quellar big face.swf", std::string(kFaceMaxBytes + 10, '#')));
    CHECK(player.usingBuiltInFace());
    DeleteFileA(custom.c_str());
    DeleteFileA(broken.c_str());
}

TEST_CASE("clicks on the built-in face raise every command of the table") {
    Host host;
    FacePlayer& player = host.player;
    player.loadFace("Z:\\nowhere\\speed up.swf");

    // Most commands sit on the side bar and the title strip, on every panel.
    for (const char* command : kCommandTable) {
        std::string c = command;
        if (c == "IDC_FS_closeAbout" || c == "IDC_FS_restart") continue;
        CAPTURE(c);
        host.heard.clear();
        POINT p = buttonFor(player, c);
        player.clickAt(p.x, p.y);
        REQUIRE(host.heard.size() == 1);
        CHECK(host.heard[0] == c);
        CHECK(host.lastArgs.empty());
    }

    // About and its close button.
    player.setVariable("_root.home", "true");
    POINT about = buttonFor(player, "IDC_FS_about");
    player.clickAt(about.x, about.y);
    CHECK(player.state().panel() == "about");
    host.heard.clear();
    POINT close = buttonFor(player, "IDC_FS_closeAbout");
    player.clickAt(close.x, close.y);
    CHECK(host.heard == std::vector<std::string>{"IDC_FS_closeAbout"});
    CHECK(player.state().panel() == "home");

    // Restarting Windows goes through a confirmation panel.
    const Face& f = player.state().face();
    for (const FaceButton& b : f.buttons) {
        if (b.show != "restart") continue;
        player.clickAt(b.x.resolve(724, 540) + 5, b.y.resolve(724, 540) + 5);
    }
    CHECK(player.state().panel() == "restart");
    host.heard.clear();
    POINT restart = buttonFor(player, "IDC_FS_restart");
    player.clickAt(restart.x, restart.y);
    CHECK(host.heard == std::vector<std::string>{"IDC_FS_restart"});

    // A press that is released elsewhere sends nothing.
    host.heard.clear();
    POINT help = buttonFor(player, "IDC_FS_help");
    SendMessageA(player.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(help.x, help.y));
    CHECK(GetCapture() == player.hwnd());
    SendMessageA(player.hwnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(400, 400));
    SendMessageA(player.hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(400, 400));
    CHECK(host.heard.empty());
    CHECK(GetCapture() != player.hwnd());
}

TEST_CASE("the caption strip sends Drag on the press, before any release") {
    Host host;
    host.player.loadFace("");
    SendMessageA(host.player.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(300, 12));
    CHECK(host.heard == std::vector<std::string>{"Drag"});
    CHECK(GetCapture() != host.player.hwnd());  // the window move owns the mouse
    SendMessageA(host.player.hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(300, 12));
    CHECK(host.heard.size() == 1);
    // Right-clicks do nothing of the player's own.
    SendMessageA(host.player.hwnd(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(300, 300));
    SendMessageA(host.player.hwnd(), WM_RBUTTONUP, 0, MAKELPARAM(300, 300));
    CHECK(host.heard.size() == 1);
}

TEST_CASE("the program's variables: version shown, home switches the panel") {
    Host host;
    FacePlayer& player = host.player;
    player.loadFace("");
    player.setVariable("_root.version", "1.2.0.7");
    auto shows = [&](const std::string& text) {
        for (const FaceOp& op : player.state().render())
            if (op.shape == FaceShape::Text && op.text == text) return true;
        return false;
    };
    CHECK(shows("1.2.0.7"));
    POINT about = buttonFor(player, "IDC_FS_about");
    player.clickAt(about.x, about.y);
    CHECK(shows("Version 1.2.0.7"));
    player.setVariable("_root.home", "true");
    CHECK(player.state().panel() == "home");

    // The version survives a face loaded later.
    std::string custom = tempFile("quellar version face.swf", "face 724 540\ntext 0 0 99 20 \"v{_root.version}\"\n");
    player.loadFace(custom);
    CHECK(shows("v1.2.0.7"));
    DeleteFileA(custom.c_str());
}

TEST_CASE("hover and press are painted; the mouse leaving clears them") {
    Host host;
    FacePlayer& player = host.player;
    player.loadFace("");
    POINT wizard = buttonFor(player, "IDC_FS_wizardMode");  // on the side bar
    HWND w = player.hwnd();
    const int x = 180;  // right of the label, inside the item's highlight
    COLORREF before = pixelAt(w, x, wizard.y);
    SendMessageA(w, WM_MOUSEMOVE, 0, MAKELPARAM(x, wizard.y));
    COLORREF hover = pixelAt(w, x, wizard.y);
    CHECK(hover == RGB(0x25, 0x37, 0x4f));
    SendMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, wizard.y));
    CHECK(pixelAt(w, x, wizard.y) == RGB(0x2f, 0x6f, 0xd0));
    SendMessageA(w, WM_CAPTURECHANGED, 0, 0);  // someone else took the mouse
    CHECK(player.state().pressed() == -1);
    SendMessageA(w, WM_MOUSELEAVE, 0, 0);
    CHECK(player.state().hovered() == -1);
    CHECK(pixelAt(w, x, wizard.y) == before);
    CHECK(host.heard.empty());
}

TEST_CASE("a command handler may destroy the player") {
    Host host;
    FacePlayer& player = host.player;
    player.loadFace("");
    player.onCommand = [&](const std::string& command, const std::string&) {
        host.heard.push_back(command);
        if (command == "IDC_FS_close") player.destroy();
    };
    POINT close = buttonFor(player, "IDC_FS_close");
    player.clickAt(close.x, close.y);
    CHECK(host.heard == std::vector<std::string>{"IDC_FS_close"});
    CHECK(player.hwnd() == nullptr);
}

// Not a test: shows the built-in face at the top-left of the screen for a
// while so that a screenshot can be taken (run with --no-skip). Settings
// from the environment: QUELLAR_FACE_CLICKS=x,y;x,y (clicks to make first),
// QUELLAR_FACE_HOVER=x,y, QUELLAR_FACE_SECONDS=n.
TEST_CASE("show the face for a screenshot" * doctest::skip()) {
    SetCursorPos(2000, 2000);  // out of the way
    Host host;
    FacePlayer& player = host.player;
    player.loadFace("");
    player.setVariable("_root.version", "1.0.0.1");
    char value[256] = {};
    if (GetEnvironmentVariableA("QUELLAR_FACE_CLICKS", value, sizeof value)) {
        const char* at = value;
        int x = 0, y = 0, used = 0;
        while (std::sscanf(at, "%d,%d;%n", &x, &y, &used) >= 2 && used > 0) {
            player.clickAt(x, y);
            at += used;
            used = 0;
        }
        int last = std::sscanf(at, "%d,%d", &x, &y);
        if (last == 2) player.clickAt(x, y);
    }
    if (GetEnvironmentVariableA("QUELLAR_FACE_HOVER", value, sizeof value)) {
        int x = 0, y = 0;
        if (std::sscanf(value, "%d,%d", &x, &y) == 2) SendMessageA(player.hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
    } else {
        SendMessageA(player.hwnd(), WM_MOUSELEAVE, 0, 0);
    }
    DWORD seconds = 5;
    if (GetEnvironmentVariableA("QUELLAR_FACE_SECONDS", value, sizeof value)) seconds = static_cast<DWORD>(std::atoi(value));
    DWORD until = GetTickCount() + seconds * 1000;
    while (static_cast<int>(until - GetTickCount()) > 0) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(20);
    }
}
