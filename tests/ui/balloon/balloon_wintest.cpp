#include <doctest/doctest.h>

#include <windows.h>

#include <cstdlib>
#include <functional>
#include <string>

#include "ui/balloon/balloon_win.h"

using namespace quellar::msgbox;
namespace win = quellar::win;

namespace {

// A modal box is answered from a thread timer, which its own message loop
// dispatches. A watchdog closes any box left open, so a failing test ends
// instead of waiting for a click that never comes.
std::function<void()> g_action;
constexpr UINT kAnswerAfterMs = 30;
constexpr UINT kWatchdogMs = 5000;
UINT_PTR g_watchdog = 0;

void CALLBACK runAction(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    auto action = std::move(g_action);
    g_action = nullptr;
    if (action) action();
}

void CALLBACK watchdog(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    if (HWND frm = FindWindowA(kMsgFrmClass, nullptr)) PostMessageA(frm, WM_CLOSE, 0, 0);
}

struct Answer {
    explicit Answer(std::function<void()> action, UINT afterMs = kAnswerAfterMs) {
        g_action = std::move(action);
        SetTimer(nullptr, 0, afterMs, runAction);
        g_watchdog = SetTimer(nullptr, 0, kWatchdogMs, watchdog);
    }
    ~Answer() {
        KillTimer(nullptr, g_watchdog);
        g_action = nullptr;
    }
};

// Runs the thread's messages until `done` says so or `ms` have passed.
bool pumpUntil(const std::function<bool()>& done, DWORD ms) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > ms) return false;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(10);
    }
    return true;
}

void pumpFor(DWORD ms) {
    pumpUntil([] { return false; }, ms);
}

bool regionHas(HWND hwnd, int x, int y) {
    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    GetWindowRgn(hwnd, rgn);
    const bool inside = PtInRegion(rgn, x, y) != FALSE;
    DeleteObject(rgn);
    return inside;
}

SIZE windowSize(HWND hwnd) {
    RECT r;
    GetWindowRect(hwnd, &r);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

void click(HWND button) {
    SendMessageA(button, BM_CLICK, 0, 0);
}

const COLORREF kNoticeColor = RGB(242, 248, 200);

std::string showNotice(short seconds) {
    const float x = static_cast<float>(GetSystemMetrics(SM_CXSCREEN) - 40);
    const float y = static_cast<float>(GetSystemMetrics(SM_CYSCREEN));
    return msgFrm().MsgAuto_box("The Program Still Running Here", 64, "Program notification", seconds, true,
                                kNoticeColor, x, y, 0);
}

}  // namespace

TEST_CASE("the program's notice: bottom right, topmost, no pointer, closed by its timer") {
    MsgFrm& frm = msgFrm();
    CHECK(showNotice(5).empty());
    HWND hwnd = frm.hwnd();
    REQUIRE(hwnd != nullptr);
    CHECK(FindWindowA(kMsgFrmClass, nullptr) == hwnd);
    CHECK(IsWindowVisible(hwnd));
    CHECK((GetWindowLongPtrA(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0);
    CHECK(frm.panel() == Panel::AutoBox);
    CHECK(frm.iconCell() == 3);
    CHECK(frm.pointerStyle() == PointerStyle::BottomRight);
    CHECK_FALSE(frm.pointerShown());

    RECT r;
    GetWindowRect(hwnd, &r);
    const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    CHECK(r.right == sw - 40 + 42);
    CHECK(r.bottom == sh);

    // The shape: body and shadow, but no pointer.
    const SIZE s = windowSize(hwnd);
    CHECK(regionHas(hwnd, 30, 40));
    CHECK(regionHas(hwnd, s.cx - 8, s.cy / 2));         // shadow strip at the right
    CHECK_FALSE(regionHas(hwnd, s.cx - 37, s.cy - 12));  // where the pointer would be
    CHECK_FALSE(regionHas(hwnd, 2, 2));

    CHECK(win::windowText(frm.control(kIdTitle)) == "Program notification");
    CHECK(win::windowText(frm.control(kIdMessage)) == "The Program Still Running Here");
    CHECK(frm.control(kIdClose) != nullptr);
    CHECK(frm.control(kIdButton1) == nullptr);

    // A second notice while open reuses the window.
    showNotice(5);
    CHECK(frm.hwnd() == hwnd);
    CHECK(IsWindowVisible(hwnd));

    // Timer1 firing closes it.
    PostMessageA(hwnd, WM_TIMER, kTimer1, 0);
    CHECK(pumpUntil([&] { return !IsWindow(hwnd); }, 1000));
    CHECK_FALSE(frm.isOpen());
}

TEST_CASE("the shadow is the screen beneath, darkened ring by ring, and only once") {
    struct White : win::Window {
    } white;
    const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    REQUIRE(white.create("QuellarTestWhite", "", WS_POPUP | WS_VISIBLE, 0, 0, 0, sw, sh, nullptr, nullptr,
                         CS_HREDRAW | CS_VREDRAW, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH))));
    UpdateWindow(white.hwnd());
    pumpFor(100);

    auto screenPixel = [](int x, int y) {
        HDC dc = GetDC(nullptr);
        const COLORREF c = GetPixel(dc, x, y);
        ReleaseDC(nullptr, dc);
        return c;
    };
    MsgFrm& frm = msgFrm();
    showNotice(30);
    pumpFor(100);
    RECT r;
    GetWindowRect(frm.hwnd(), &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    // Ring n = 2 at the right: 255 * 160 / 256.
    CHECK(screenPixel(r.left + w - 7, r.top + h / 2) == RGB(159, 159, 159));
    // Ring n = 9, the first one beside the body: 255 * 100 / 256.
    CHECK(screenPixel(r.left + w - 14, r.top + h / 2) == RGB(99, 99, 99));
    CHECK(screenPixel(r.left + 3, r.top + 50) == kNoticeColor);

    // Shown again in the same place, it does not take its own shadow for
    // the screen.
    showNotice(30);
    pumpFor(100);
    CHECK(screenPixel(r.left + w - 7, r.top + h / 2) == RGB(159, 159, 159));
    frm.unload();
    white.destroy();
}

TEST_CASE("the notice's countdown runs out, and a second notice restarts it") {
    MsgFrm& frm = msgFrm();
    const DWORD start = GetTickCount();
    showNotice(1);
    HWND hwnd = frm.hwnd();
    REQUIRE(hwnd);
    pumpFor(600);
    CHECK(IsWindow(hwnd));
    showNotice(1);  // restarts the second
    CHECK(frm.hwnd() == hwnd);
    pumpFor(600);
    CHECK(IsWindow(hwnd));  // 1.2 s after the first call, 0.6 s after the second
    CHECK(pumpUntil([&] { return !IsWindow(hwnd); }, 3000));
    CHECK(GetTickCount() - start >= 1500);
}

TEST_CASE("the close image: hover, pressed, and a click closes the notice") {
    MsgFrm& frm = msgFrm();
    showNotice(30);
    HWND hwnd = frm.hwnd();
    HWND closer = frm.control(kIdClose);
    REQUIRE(closer);
    CHECK(frm.closeCell() == kCloseCellNormal);
    SendMessageA(closer, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    CHECK(frm.closeCell() == kCloseCellHover);
    SendMessageA(frm.panelWindow(), WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
    CHECK(frm.closeCell() == kCloseCellNormal);

    // Pressed, dragged off and released outside: no close.
    SendMessageA(closer, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    CHECK(frm.closeCell() == kCloseCellPressed);
    SendMessageA(closer, WM_LBUTTONUP, 0, MAKELPARAM(40, 40));
    pumpFor(50);
    CHECK(IsWindow(hwnd));
    CHECK(frm.closeCell() == kCloseCellNormal);

    SendMessageA(closer, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageA(closer, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    CHECK(pumpUntil([&] { return !IsWindow(hwnd); }, 1000));
}

TEST_CASE("msg_Box: Yes/No with the question icon, No focused; No with the box ticked gives 107") {
    MsgFrm& frm = msgFrm();
    bool answered = false;
    Answer answer([&] {
        answered = true;
        HWND hwnd = FindWindowA(kMsgFrmClass, nullptr);
        CHECK(hwnd == frm.hwnd());
        CHECK(frm.modalRunning());
        CHECK(frm.iconCell() == 4);
        HWND yes = frm.control(kIdButton1), no = frm.control(kIdButton2);
        if (!yes || !no) {
            FAIL_CHECK("the buttons are missing");
            return;
        }
        CHECK(win::windowText(yes) == "Yes");
        CHECK(win::windowText(no) == "No");
        CHECK(frm.control(kIdButton3) == nullptr);
        CHECK(GetFocus() == no);
        CHECK(win::windowText(frm.control(kIdCheck)) == "Do not ask again");
        // Pointing at the upper left: the pointer leaves the top near the left.
        CHECK(frm.pointerStyle() == PointerStyle::TopLeft);
        CHECK(regionHas(hwnd, 41, 3));

        // While the box is up, further calls do not take the window over.
        CHECK(frm.msg_Box("again", 0, "nested", false, "", "", "", "", 0, 10, 10, 0) == 0);
        CHECK(frm.MsgAuto_box("notice", 64, "nested", 5, true, 0, 10, 10, 0).empty());
        CHECK(frm.panel() == Panel::MsgBox);

        SendMessageA(frm.control(kIdCheck), BM_SETCHECK, BST_CHECKED, 0);
        PostMessageA(no, BM_CLICK, 0, 0);
    });
    const short code = frm.msg_Box("Delete the backup?", 4 + 32 + 256, "Backups", false, "Do not ask again", "", "",
                                   "", 0, 200, 150, 0);
    CHECK(answered);
    CHECK(code == 107);
    CHECK_FALSE(frm.isOpen());
    CHECK(frm.hwnd() == nullptr);
}

TEST_CASE("msg_Box: three caller-given buttons, Escape, and a box closed without an answer") {
    MsgFrm& frm = msgFrm();
    SUBCASE("the third of three custom buttons, check box not ticked") {
        Answer answer([&] {
            CHECK(win::windowText(frm.control(kIdButton1)) == "Save");
            CHECK(win::windowText(frm.control(kIdButton3)) == "Later");
            CHECK(GetFocus() == frm.control(kIdButton3));  // 512
            click(frm.control(kIdButton3));
        });
        CHECK(frm.msg_Box("Save the changes?", 6 + 512, "Settings", true, "Remember", "Save", "Discard", "Later", 0,
                          900, 700, 0) == 3);
    }
    SUBCASE("Escape answers Cancel") {
        Answer answer([&] { PostMessageA(frm.hwnd(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0); });
        CHECK(frm.msg_Box("Retry?", 5, "Network", false, "", "", "", "", 0, 900, 100, 0) == 2);
    }
    SUBCASE("Enter presses the focused button") {
        Answer answer([&] {
            HWND cancel = frm.control(kIdButton3);
            SetFocus(cancel);
            PostMessageA(cancel, WM_KEYDOWN, VK_RETURN, 0);
            PostMessageA(cancel, WM_KEYUP, VK_RETURN, 0);
        });
        CHECK(frm.msg_Box("Go on?", 3, "Question", false, "", "", "", "", 0, 100, 100, 0) == 2);
    }
    SUBCASE("closed from outside") {
        Answer answer([&] { PostMessageA(frm.hwnd(), WM_CLOSE, 0, 0); });
        CHECK(frm.msg_Box("Really?", 4, "Question", false, "Tick", "", "", "", 0, 100, 700, 0) == 0);
    }
}

TEST_CASE("input_box: the ticked text gets the mark, Cancel gives nothing, OK waits for text") {
    MsgFrm& frm = msgFrm();
    SUBCASE("abc, ticked") {
        Answer answer([&] {
            HWND text = frm.control(kIdText);
            if (!text) {
                FAIL_CHECK("the text box is missing");
                return;
            }
            CHECK(GetFocus() == text);
            CHECK(win::windowText(text) == "start");
            SetWindowTextA(text, "");
            click(frm.control(kIdInputOk));
            CHECK(IsWindowVisible(frm.hwnd()));  // nothing to return yet
            SetWindowTextA(text, "abc");
            SendMessageA(frm.control(kIdCheck), BM_SETCHECK, BST_CHECKED, 0);
            click(frm.control(kIdInputOk));
        });
        CHECK(frm.input_box("Host to ping:", 32, "Net Pinger", "start", false, "Remember it", 0, 100, 100, 0) ==
              "abc\xAC");
    }
    SUBCASE("Cancel") {
        Answer answer([&] {
            SendMessageA(frm.control(kIdCheck), BM_SETCHECK, BST_CHECKED, 0);
            click(frm.control(kIdInputCancel));
        });
        CHECK(frm.input_box("Host to ping:", 0, "Net Pinger", "abc", true, "Remember it", 0, 100, 100, 0).empty());
    }
    SUBCASE("no check box: the plain text") {
        Answer answer([&] {
            CHECK(frm.control(kIdCheck) == nullptr);
            PostMessageA(frm.hwnd(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        });
        CHECK(frm.input_box("Name:", 64, "Name", "xyz", false, "", RGB(200, 220, 255), 700, 600, 30) == "xyz");
    }
    SUBCASE("Enter in the text box is OK") {
        Answer answer([&] {
            HWND text = frm.control(kIdText);
            PostMessageA(text, WM_KEYDOWN, VK_RETURN, 0);
            PostMessageA(text, WM_KEYUP, VK_RETURN, 0);
        });
        CHECK(frm.input_box("Name:", 0, "Name", "typed", false, "", 0, 700, 600, 0) == "typed");
    }
}

TEST_CASE("dragging: the shape shrinks to the body, then takes a shadow again without the pointer") {
    MsgFrm& frm = msgFrm();
    Answer answer([&] {
        HWND hwnd = frm.hwnd();
        const SIZE s = windowSize(hwnd);
        CHECK(regionHas(hwnd, 41, 3));
        CHECK(regionHas(hwnd, s.cx - 8, s.cy / 2));
        frm.reduceToBody();
        CHECK_FALSE(regionHas(hwnd, 41, 3));
        CHECK_FALSE(regionHas(hwnd, s.cx - 8, s.cy / 2));
        CHECK(regionHas(hwnd, 30, 40));
        frm.refreshShadow();
        CHECK_FALSE(regionHas(hwnd, 41, 3));
        CHECK(regionHas(hwnd, s.cx - 8, s.cy / 2));
        CHECK_FALSE(frm.pointerShown());
        click(frm.control(kIdButton1));
    });
    CHECK(frm.msg_Box("Drag me", 0, "Drag", false, "", "", "", "", 0, 50, 50, 0) == 1);
}

// Not part of the normal run: poses one box on a painted desktop for a
// screenshot, when QUELLAR_BALLOON_POSE names it (auto, msgbox or input).
TEST_CASE("pose a balloon for a screenshot") {
    const char* pose = std::getenv("QUELLAR_BALLOON_POSE");
    if (!pose) return;
    const std::string which = pose;
    const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);

    struct Desktop : win::Window {
        bool onMessage(UINT msg, WPARAM, LPARAM, LRESULT& result) override {
            if (msg != WM_PAINT) return false;
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd(), &ps);
            RECT r;
            GetClientRect(hwnd(), &r);
            for (int y = 0; y < r.bottom; y += 4) {
                const int t = y * 60 / (r.bottom ? r.bottom : 1);
                HBRUSH b = CreateSolidBrush(RGB(40 + t, 100 + t, 150 + t / 2));
                RECT band{0, y, r.right, y + 4};
                FillRect(dc, &band, b);
                DeleteObject(b);
            }
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, RGB(230, 240, 255));
            for (int y = 20; y < r.bottom; y += 60)
                for (int x = 20; x < r.right; x += 220) TextOutA(dc, x, y, "Quellar desktop", 15);
            EndPaint(hwnd(), &ps);
            result = 0;
            return true;
        }
    } desktop;
    desktop.create("QuellarPoseDesktop", "", WS_POPUP | WS_VISIBLE, 0, 0, 0, sw, sh, nullptr);
    UpdateWindow(desktop.hwnd());
    pumpFor(300);

    const char* msEnv = std::getenv("QUELLAR_BALLOON_POSE_MS");
    const UINT holdMs = static_cast<UINT>(msEnv ? std::atoi(msEnv) : 4000);
    MsgFrm& frm = msgFrm();
    if (which == "auto") {
        showNotice(static_cast<short>(holdMs / 1000 + 1));
        pumpFor(holdMs);
        frm.unload();
    } else if (which == "msgbox") {
        Answer answer([&] { click(frm.control(kIdButton1)); }, holdMs);
        frm.msg_Box("The current settings will be replaced by the chosen backup. Keep a copy of the current "
                    "settings first?",
                    3 + 32, "Restore backup", false, "Do not ask again", "", "", "", 0,
                    static_cast<float>(sw / 3), static_cast<float>(sh / 4), 0);
    } else if (which == "input") {
        Answer answer([&] { click(frm.control(kIdInputOk)); }, holdMs);
        frm.input_box("Enter the host name or address to keep the connection alive:", 64, "Net Pinger",
                      "127.0.0.1", false, "Ping at start-up", 0, static_cast<float>(sw * 2 / 3),
                      static_cast<float>(sh * 2 / 3), 0);
    }
    desktop.destroy();
}
