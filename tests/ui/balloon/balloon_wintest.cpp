#include <doctest/doctest.h>

#include <windows.h>

#include <cstdlib>
#include <functional>
#include <string>

#include "core/timers.h"
#include "support/pump_win.h"
#include "ui/balloon/balloon_win.h"

using namespace quellar::ui;
using quellar::ManualTimersScope;
using quellar::testing::pumpFor;
using quellar::testing::pumpMessages;
using quellar::testing::pumpUntil;
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
    if (HWND window = FindWindowA(kBalloonClass, nullptr)) PostMessageA(window, WM_CLOSE, 0, 0);
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

void showNotice(short seconds) {
    NoticeArgs notice;
    notice.text = "The Program Still Running Here";
    notice.title = "Program notification";
    notice.flags = 64;
    notice.seconds = seconds;
    notice.noPointer = true;
    notice.color = kNoticeColor;
    notice.x = static_cast<float>(GetSystemMetrics(SM_CXSCREEN) - 40);
    notice.y = static_cast<float>(GetSystemMetrics(SM_CYSCREEN));
    balloon().show(notice);
}

// The words, flags and target every box has; the rest keeps its default.
template <typename Args>
Args boxArgs(const std::string& text, long flags, const std::string& title, bool noPointer,
             const std::string& checkText, float x, float y) {
    Args args;
    args.text = text;
    args.flags = flags;
    args.title = title;
    args.noPointer = noPointer;
    args.checkText = checkText;
    args.x = x;
    args.y = y;
    return args;
}

QuestionArgs question(const std::string& text, long flags, const std::string& title, bool noPointer,
                      const std::string& checkText, float x, float y) {
    return boxArgs<QuestionArgs>(text, flags, title, noPointer, checkText, x, y);
}

PromptArgs prompt(const std::string& text, long flags, const std::string& title, const std::string& defaultText,
                  bool noPointer, const std::string& checkText, float x, float y) {
    PromptArgs p = boxArgs<PromptArgs>(text, flags, title, noPointer, checkText, x, y);
    p.defaultText = defaultText;
    return p;
}

}  // namespace

TEST_CASE("the program's notice: bottom right, topmost, no pointer, closed by its timer") {
    ManualTimersScope clock;
    Balloon& box = balloon();
    showNotice(5);
    HWND hwnd = box.hwnd();
    REQUIRE(hwnd != nullptr);
    CHECK(FindWindowA(kBalloonClass, nullptr) == hwnd);
    CHECK(IsWindowVisible(hwnd));
    CHECK((GetWindowLongPtrA(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0);
    CHECK(box.panel() == Panel::Notice);
    CHECK(box.iconCell() == 3);
    CHECK(box.pointerStyle() == PointerStyle::BottomRight);
    CHECK_FALSE(box.pointerShown());

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

    CHECK(win::windowText(box.control(kIdTitle)) == "Program notification");
    CHECK(win::windowText(box.control(kIdMessage)) == "The Program Still Running Here");
    CHECK(box.control(kIdClose) != nullptr);
    CHECK(box.control(kIdButton1) == nullptr);

    // A second notice while open reuses the window.
    showNotice(5);
    CHECK(box.hwnd() == hwnd);
    CHECK(IsWindowVisible(hwnd));

    // Its countdown running out closes it.
    clock.advance(5000);
    CHECK_FALSE(IsWindow(hwnd));
    CHECK_FALSE(box.isOpen());
}

TEST_CASE("the shadow is the screen beneath, darkened ring by ring, and only once") {
    struct White : win::Window {
    } white;
    const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    auto screenPixel = [](int x, int y) {
        HDC dc = GetDC(nullptr);
        const COLORREF c = GetPixel(dc, x, y);
        ReleaseDC(nullptr, dc);
        return c;
    };
    REQUIRE(white.create("QuellarTestWhite", "", WS_POPUP | WS_VISIBLE, 0, 0, 0, sw, sh, nullptr, nullptr,
                         CS_HREDRAW | CS_VREDRAW, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH))));
    UpdateWindow(white.hwnd());
    REQUIRE(pumpUntil([&] { return screenPixel(sw - 10, sh / 2) == RGB(255, 255, 255); }, 2000));

    Balloon& box = balloon();
    showNotice(30);
    RECT r;
    GetWindowRect(box.hwnd(), &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    REQUIRE(pumpUntil([&] { return screenPixel(r.left + 3, r.top + 50) == kNoticeColor; }, 2000));
    // Ring n = 2 at the right: 255 * 160 / 256.
    CHECK(screenPixel(r.left + w - 7, r.top + h / 2) == RGB(159, 159, 159));
    // Ring n = 9, the first one beside the body: 255 * 100 / 256.
    CHECK(screenPixel(r.left + w - 14, r.top + h / 2) == RGB(99, 99, 99));
    CHECK(screenPixel(r.left + 3, r.top + 50) == kNoticeColor);

    // Shown again in the same place, it does not take its own shadow for
    // the screen.
    showNotice(30);
    pumpMessages();
    CHECK(screenPixel(r.left + w - 7, r.top + h / 2) == RGB(159, 159, 159));
    box.unload();
    white.destroy();
}

TEST_CASE("the notice's countdown runs out, and a second notice restarts it") {
    ManualTimersScope clock;
    Balloon& box = balloon();
    showNotice(1);
    HWND hwnd = box.hwnd();
    REQUIRE(hwnd);
    clock.advance(600);
    CHECK(IsWindow(hwnd));
    showNotice(1);  // restarts the second
    CHECK(box.hwnd() == hwnd);
    clock.advance(600);
    CHECK(IsWindow(hwnd));  // 1.2 s after the first call, 0.6 s after the second
    clock.advance(399);
    CHECK(IsWindow(hwnd));
    clock.advance(1);
    CHECK_FALSE(IsWindow(hwnd));
}

TEST_CASE("the close image: hover, pressed, and a click closes the notice") {
    Balloon& box = balloon();
    showNotice(30);
    HWND hwnd = box.hwnd();
    HWND closer = box.control(kIdClose);
    REQUIRE(closer);
    CHECK(box.closeCell() == kCloseCellNormal);
    SendMessageA(closer, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    CHECK(box.closeCell() == kCloseCellHover);
    SendMessageA(box.panelWindow(), WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
    CHECK(box.closeCell() == kCloseCellNormal);

    // Pressed, dragged off and released outside: no close.
    SendMessageA(closer, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    CHECK(box.closeCell() == kCloseCellPressed);
    SendMessageA(closer, WM_LBUTTONUP, 0, MAKELPARAM(40, 40));
    pumpMessages();
    CHECK(IsWindow(hwnd));
    CHECK(box.closeCell() == kCloseCellNormal);

    SendMessageA(closer, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageA(closer, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    CHECK(pumpUntil([&] { return !IsWindow(hwnd); }, 1000));
}

TEST_CASE("the question: Yes/No with the question icon, No focused; No with the box ticked gives 107") {
    Balloon& box = balloon();
    bool answered = false;
    Answer answer([&] {
        answered = true;
        HWND hwnd = FindWindowA(kBalloonClass, nullptr);
        CHECK(hwnd == box.hwnd());
        CHECK(box.modalRunning());
        CHECK(box.iconCell() == 4);
        HWND yes = box.control(kIdButton1), no = box.control(kIdButton2);
        if (!yes || !no) {
            FAIL_CHECK("the buttons are missing");
            return;
        }
        CHECK(win::windowText(yes) == "Yes");
        CHECK(win::windowText(no) == "No");
        CHECK(box.control(kIdButton3) == nullptr);
        CHECK(GetFocus() == no);
        CHECK(win::windowText(box.control(kIdCheck)) == "Do not ask again");
        // Pointing at the upper left: the pointer leaves the top near the left.
        CHECK(box.pointerStyle() == PointerStyle::TopLeft);
        CHECK(regionHas(hwnd, 41, 3));

        // While the box is up, further calls do not take the window over.
        CHECK(box.ask(question("again", 0, "nested", false, "", 10, 10)) == 0);
        NoticeArgs nested;
        nested.text = "notice";
        nested.seconds = 5;
        box.show(nested);
        CHECK(box.panel() == Panel::Question);

        SendMessageA(box.control(kIdCheck), BM_SETCHECK, BST_CHECKED, 0);
        PostMessageA(no, BM_CLICK, 0, 0);
    });
    const short code = box.ask(question("Delete the backup?", 4 + 32 + 256, "Backups", false, "Do not ask again", 200, 150));
    CHECK(answered);
    CHECK(code == 107);
    CHECK_FALSE(box.isOpen());
    CHECK(box.hwnd() == nullptr);
}

TEST_CASE("the question: three caller-given buttons, Escape, and a box closed without an answer") {
    Balloon& box = balloon();
    SUBCASE("the third of three custom buttons, check box not ticked") {
        Answer answer([&] {
            CHECK(win::windowText(box.control(kIdButton1)) == "Save");
            CHECK(win::windowText(box.control(kIdButton3)) == "Later");
            CHECK(GetFocus() == box.control(kIdButton3));  // 512
            click(box.control(kIdButton3));
        });
        QuestionArgs q = question("Save the changes?", 6 + 512, "Settings", true, "Remember", 900, 700);
        q.button1 = "Save";
        q.button2 = "Discard";
        q.button3 = "Later";
        CHECK(box.ask(q) == 3);
    }
    SUBCASE("Escape answers Cancel") {
        Answer answer([&] { PostMessageA(box.hwnd(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0); });
        CHECK(box.ask(question("Retry?", 5, "Network", false, "", 900, 100)) == 2);
    }
    SUBCASE("Enter presses the focused button") {
        Answer answer([&] {
            HWND cancel = box.control(kIdButton3);
            SetFocus(cancel);
            PostMessageA(cancel, WM_KEYDOWN, VK_RETURN, 0);
            PostMessageA(cancel, WM_KEYUP, VK_RETURN, 0);
        });
        CHECK(box.ask(question("Go on?", 3, "Question", false, "", 100, 100)) == 2);
    }
    SUBCASE("closed from outside") {
        Answer answer([&] { PostMessageA(box.hwnd(), WM_CLOSE, 0, 0); });
        CHECK(box.ask(question("Really?", 4, "Question", false, "Tick", 100, 700)) == 0);
    }
}

TEST_CASE("the prompt: the ticked text gets the mark, Cancel gives nothing, OK waits for text") {
    Balloon& box = balloon();
    SUBCASE("abc, ticked") {
        Answer answer([&] {
            HWND text = box.control(kIdText);
            if (!text) {
                FAIL_CHECK("the text box is missing");
                return;
            }
            CHECK(GetFocus() == text);
            CHECK(win::windowText(text) == "start");
            SetWindowTextA(text, "");
            click(box.control(kIdPromptOk));
            CHECK(IsWindowVisible(box.hwnd()));  // nothing to return yet
            SetWindowTextA(text, "abc");
            SendMessageA(box.control(kIdCheck), BM_SETCHECK, BST_CHECKED, 0);
            click(box.control(kIdPromptOk));
        });
        CHECK(box.prompt(prompt("Host to ping:", 32, "Net Pinger", "start", false, "Remember it", 100, 100)) ==
              "abc\xAC");
    }
    SUBCASE("Cancel") {
        Answer answer([&] {
            SendMessageA(box.control(kIdCheck), BM_SETCHECK, BST_CHECKED, 0);
            click(box.control(kIdPromptCancel));
        });
        CHECK(box.prompt(prompt("Host to ping:", 0, "Net Pinger", "abc", true, "Remember it", 100, 100)).empty());
    }
    SUBCASE("no check box: the plain text") {
        Answer answer([&] {
            CHECK(box.control(kIdCheck) == nullptr);
            PostMessageA(box.hwnd(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        });
        PromptArgs p = prompt("Name:", 64, "Name", "xyz", false, "", 700, 600);
        p.color = RGB(200, 220, 255);
        p.shadowIntensity = 30;
        CHECK(box.prompt(p) == "xyz");
    }
    SUBCASE("Enter in the text box is OK") {
        Answer answer([&] {
            HWND text = box.control(kIdText);
            PostMessageA(text, WM_KEYDOWN, VK_RETURN, 0);
            PostMessageA(text, WM_KEYUP, VK_RETURN, 0);
        });
        CHECK(box.prompt(prompt("Name:", 0, "Name", "typed", false, "", 700, 600)) == "typed");
    }
}

TEST_CASE("dragging: the shape shrinks to the body, then takes a shadow again without the pointer") {
    Balloon& box = balloon();
    Answer answer([&] {
        HWND hwnd = box.hwnd();
        const SIZE s = windowSize(hwnd);
        CHECK(regionHas(hwnd, 41, 3));
        CHECK(regionHas(hwnd, s.cx - 8, s.cy / 2));
        box.reduceToBody();
        CHECK_FALSE(regionHas(hwnd, 41, 3));
        CHECK_FALSE(regionHas(hwnd, s.cx - 8, s.cy / 2));
        CHECK(regionHas(hwnd, 30, 40));
        box.refreshShadow();
        CHECK_FALSE(regionHas(hwnd, 41, 3));
        CHECK(regionHas(hwnd, s.cx - 8, s.cy / 2));
        CHECK_FALSE(box.pointerShown());
        click(box.control(kIdButton1));
    });
    CHECK(box.ask(question("Drag me", 0, "Drag", false, "", 50, 50)) == 1);
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
    Balloon& box = balloon();
    if (which == "auto") {
        showNotice(static_cast<short>(holdMs / 1000 + 1));
        pumpFor(holdMs);
        box.unload();
    } else if (which == "msgbox") {
        Answer answer([&] { click(box.control(kIdButton1)); }, holdMs);
        box.ask(question("The current settings will be replaced by the chosen backup. Keep a copy of the current "
                         "settings first?",
                         3 + 32, "Restore backup", false, "Do not ask again", static_cast<float>(sw / 3),
                         static_cast<float>(sh / 4)));
    } else if (which == "input") {
        Answer answer([&] { click(box.control(kIdPromptOk)); }, holdMs);
        box.prompt(prompt("Enter the host name or address to keep the connection alive:", 64, "Net Pinger",
                          "127.0.0.1", false, "Ping at start-up", static_cast<float>(sw * 2 / 3),
                          static_cast<float>(sh * 2 / 3)));
    }
    desktop.destroy();
}
