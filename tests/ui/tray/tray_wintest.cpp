#include <doctest/doctest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "core/timers.h"
#include "ui/tray/tray_win.h"

using namespace quellar::ui;
using quellar::ManualTimersScope;
using quellar::win::Window;

namespace {

struct Host : Window {
    Host() { create("QuellarTrayTestHost", "host", WS_POPUP, 0, 0, 0, 200, 150, nullptr); }
};

struct Sent {
    DWORD message;
    std::vector<unsigned char> bytes;

    DWORD u32(std::size_t at) const {
        DWORD value;
        std::memcpy(&value, bytes.data() + at, sizeof value);
        return value;
    }
    std::uintptr_t handle(std::size_t at) const {
        std::uintptr_t value;
        std::memcpy(&value, bytes.data() + at, sizeof value);
        return value;
    }
    std::string text(std::size_t at, std::size_t length) const {
        return std::string(reinterpret_cast<const char*>(bytes.data() + at), length);
    }
};

// Records what the control hands the shell, answering `answer`.
void record(Tray& tray, std::vector<Sent>& sent, BOOL answer = TRUE) {
    tray.notify = [&sent, answer](DWORD message, NOTIFYICONDATAA* data) {
        const auto* raw = reinterpret_cast<const unsigned char*>(data);
        sent.push_back({message, std::vector<unsigned char>(raw, raw + data->cbSize)});
        return answer;
    };
}

void click(const Tray& tray, UINT mouseMessage) {
    SendMessageA(tray.hwnd(), Tray::kCallbackMessage, 0, static_cast<LPARAM>(mouseMessage));
}

constexpr NotifyRecordLayout kLayout = notifyRecordLayout(sizeof(HWND));

}  // namespace

TEST_CASE("the tray control's window and properties") {
    Host host;
    Tray tray;
    REQUIRE(tray.create(host.hwnd()));
    CHECK_FALSE(tray.create(host.hwnd()));
    CHECK(GetParent(tray.hwnd()) == host.hwnd());
    CHECK_FALSE(IsWindowVisible(tray.hwnd()));
    RECT r;
    GetWindowRect(tray.hwnd(), &r);
    CHECK(r.right - r.left == Tray::kControlSize);
    CHECK(r.bottom - r.top == Tray::kControlSize);
    // The host's sizing does not stick.
    MoveWindow(tray.hwnd(), 5, 6, 120, 80, FALSE);
    GetWindowRect(tray.hwnd(), &r);
    CHECK(r.right - r.left == Tray::kControlSize);
    CHECK(r.bottom - r.top == Tray::kControlSize);

    CHECK(tray.tip() == "Program notification");
    CHECK(tray.balloonTip() == "The Program Still Running Here");
    CHECK(tray.eventMode() == 0);
    CHECK(tray.image() == nullptr);
    CHECK_FALSE(tray.isShown());
    for (const char* name : {"TrayImage", "TrayToolTip", "BalloonTip", "EventMode"})
        CHECK_FALSE(tray.isChanged(name));

    tray.setEventMode(5);
    CHECK(tray.eventMode() == 1);
    tray.setEventMode(-3);
    CHECK(tray.eventMode() == 0);
    tray.setTip("x");
    tray.setBalloonTip("y");
    tray.setImage(LoadIcon(nullptr, IDI_APPLICATION));
    for (const char* name : {"TrayImage", "TrayToolTip", "BalloonTip", "EventMode"})
        CHECK(tray.isChanged(name));

    Tray orphan;
    CHECK_FALSE(orphan.create(nullptr));
}

TEST_CASE("what the control hands the shell") {
    Host host;
    Tray tray;
    REQUIRE(tray.create(host.hwnd()));
    std::vector<Sent> sent;
    record(tray, sent);
    HICON icon = LoadIcon(nullptr, IDI_APPLICATION);
    tray.setImage(icon);

    // Nothing to remove yet.
    tray.show(false);
    tray.showBalloonTip(false);
    CHECK(sent.empty());

    tray.show(true);
    tray.setTip("Memory Usage (312MB).");
    tray.show(true);
    REQUIRE(sent.size() == 2);
    CHECK(sent[0].message == NIM_ADD);
    CHECK(sent[1].message == NIM_MODIFY);
    CHECK(tray.isShown());
    for (const Sent& s : sent) {
        REQUIRE(s.bytes.size() == kLayout.size);
        CHECK(s.u32(kLayout.cbSize) == offsetof(NOTIFYICONDATAA, guidItem));
        CHECK(s.handle(kLayout.hWnd) == reinterpret_cast<std::uintptr_t>(tray.hwnd()));
        CHECK(s.u32(kLayout.uID) == 1);
        CHECK(s.u32(kLayout.uFlags) == 7);
        CHECK(s.u32(kLayout.uCallbackMessage) == 0x0200);
        CHECK(s.handle(kLayout.hIcon) == reinterpret_cast<std::uintptr_t>(icon));
    }
    CHECK(sent[0].text(kLayout.szTip, 128) == tipField("Program notification"));
    CHECK(sent[1].text(kLayout.szTip, 24) == std::string(" Memory Usage (312MB). ") + '\0');

    // The balloon's title is the tooltip as it is now.
    tray.showBalloonTip(true);
    REQUIRE(sent.size() == 3);
    const Sent& balloon = sent[2];
    CHECK(balloon.message == NIM_MODIFY);
    CHECK(balloon.u32(kLayout.uFlags) == 0x17);
    CHECK(balloon.text(kLayout.szTip, 128) == tipField("Memory Usage (312MB)."));
    CHECK(balloon.u32(kLayout.dwState) == 0);
    CHECK(balloon.u32(kLayout.dwStateMask) == 0);
    CHECK(balloon.text(kLayout.szInfo, 256) == infoField("The Program Still Running Here"));
    CHECK(balloon.text(kLayout.szInfo, 33) == std::string("The Program Still Running Here  ") + '\0');
    CHECK(balloon.text(kLayout.szInfoTitle, 23) == std::string("Memory Usage (312MB).") + '\0' + ' ');
    CHECK(balloon.u32(kLayout.uTimeout) == 1);
    CHECK(balloon.text(kLayout.szInfoTitle, 64) == infoTitleField("Memory Usage (312MB)."));
    CHECK(balloon.u32(kLayout.dwInfoFlags) == 1);
    CHECK(tray.isShown());

    // Writing properties does not reach the shell by itself.
    tray.setTip("");
    tray.clearImage();
    CHECK(sent.size() == 3);
    tray.show(true);
    REQUIRE(sent.size() == 4);
    CHECK(sent[3].u32(kLayout.uFlags) == 7);
    CHECK(sent[3].text(kLayout.szTip, 128) == tipField(""));
    CHECK(sent[3].handle(kLayout.hIcon) == 0);
    // The balloon fields stay in the kept record; the flags tell the shell to ignore them.
    CHECK(sent[3].text(kLayout.szInfo, 256) == infoField("The Program Still Running Here"));

    tray.show(false);
    REQUIRE(sent.size() == 5);
    CHECK(sent[4].message == NIM_DELETE);
    CHECK(sent[4].u32(kLayout.uID) == 1);
    CHECK_FALSE(tray.isShown());
    tray.show(false);
    CHECK(sent.size() == 5);

    // The balloon neither needs nor changes the shown flag.
    tray.showBalloonTip(true);
    CHECK(sent.size() == 6);
    CHECK_FALSE(tray.isShown());
}

TEST_CASE("the shown state follows what the shell holds") {
    Host host;
    Tray tray;
    REQUIRE(tray.create(host.hwnd()));
    std::vector<Sent> sent;
    std::vector<DWORD> messages;
    auto answering = [&](BOOL add, BOOL modify) {
        tray.notify = [&messages, add, modify](DWORD message, NOTIFYICONDATAA*) {
            messages.push_back(message);
            return message == NIM_ADD ? add : message == NIM_MODIFY ? modify : TRUE;
        };
    };
    SUBCASE("a refused add that the shell did not carry out is added again by the next Show") {
        answering(FALSE, FALSE);
        tray.show(true);
        CHECK_FALSE(tray.isShown());
        tray.show(false);  // nothing to remove
        answering(TRUE, TRUE);
        tray.show(true);
        CHECK(messages == std::vector<DWORD>{NIM_ADD, NIM_MODIFY, NIM_ADD});
        CHECK(tray.isShown());
    }
    SUBCASE("a refused add that the shell carried out all the same counts, and is removed at the end") {
        answering(FALSE, TRUE);
        tray.show(true);
        CHECK(tray.isShown());
        tray.show(false);
        CHECK(messages == std::vector<DWORD>{NIM_ADD, NIM_MODIFY, NIM_DELETE});
    }
    SUBCASE("an update the shell refuses adds the icon anew") {
        answering(TRUE, TRUE);
        tray.show(true);
        answering(TRUE, FALSE);
        tray.setTip("changed");
        tray.show(true);
        CHECK(messages == std::vector<DWORD>{NIM_ADD, NIM_MODIFY, NIM_ADD});
        CHECK(tray.isShown());
    }
}

TEST_CASE("the shell's messages are let through the message filter, to the windows that hear them") {
    Host host;
    Tray tray;
    std::vector<std::pair<HWND, UINT>> allowed;
    tray.allowMessage = [&allowed](HWND window, UINT message) {
        allowed.push_back({window, message});
        return true;
    };
    REQUIRE(tray.create(host.hwnd()));
    CHECK(allowed == std::vector<std::pair<HWND, UINT>>{{tray.hwnd(), Tray::kCallbackMessage},
                                                        {host.hwnd(), Tray::taskbarCreatedMessage()}});
    // The system's own filter (Wine reports a later Windows) takes them.
    CHECK(allowThroughMessageFilter(host.hwnd(), Tray::taskbarCreatedMessage()));
}

TEST_CASE("clicks on the icon raise the events once per press") {
    ManualTimersScope clock;
    // Lets the debounce run out at once.
    auto fireDebounce = [&clock] { clock.advance(Tray::kDebounceMilliseconds); };
    Host host;
    Tray tray;
    REQUIRE(tray.create(host.hwnd()));
    std::vector<std::string> events;
    tray.onLeftClick = [&] { events.push_back("left"); };
    tray.onRightClick = [&] { events.push_back("right"); };
    tray.onMouseClick = [&](int& button) { events.push_back("mouse" + std::to_string(button)); };

    SUBCASE("separate and combined events") {
        click(tray, WM_MOUSEMOVE);
        click(tray, WM_LBUTTONUP);
        click(tray, WM_MBUTTONDOWN);
        CHECK(events.empty());
        CHECK_FALSE(tray.clickBusy());

        click(tray, WM_LBUTTONDOWN);
        CHECK(tray.clickBusy());
        click(tray, WM_RBUTTONDOWN);  // within the debounce: dropped
        fireDebounce();
        CHECK_FALSE(tray.clickBusy());
        click(tray, WM_RBUTTONDOWN);
        fireDebounce();
        tray.setEventMode(1);
        click(tray, WM_LBUTTONDOWN);
        fireDebounce();
        click(tray, WM_RBUTTONDOWN);
        fireDebounce();
        CHECK(events == std::vector<std::string>{"left", "right", "mouse1", "mouse2"});
    }

    SUBCASE("a double click is one left click") {
        for (UINT msg : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}) {
            click(tray, msg);
            fireDebounce();
        }
        CHECK(events == std::vector<std::string>{"left"});
    }

    SUBCASE("a click while the handler runs is dropped") {
        tray.onLeftClick = [&] {
            events.push_back("left");
            click(tray, WM_LBUTTONDOWN);
            click(tray, WM_RBUTTONDOWN);
        };
        click(tray, WM_LBUTTONDOWN);
        CHECK(events == std::vector<std::string>{"left"});
    }

    SUBCASE("the debounce timer runs out by itself") {
        click(tray, WM_LBUTTONDOWN);
        REQUIRE(tray.clickBusy());
        clock.advance(Tray::kDebounceMilliseconds - 1);
        REQUIRE(tray.clickBusy());
        clock.advance(1);
        CHECK_FALSE(tray.clickBusy());
        click(tray, WM_LBUTTONDOWN);
        CHECK(events == std::vector<std::string>{"left", "left"});
        fireDebounce();
    }

    SUBCASE("a handler may destroy the control") {
        auto* doomed = new Tray;
        REQUIRE(doomed->create(host.hwnd()));
        const HWND window = doomed->hwnd();
        doomed->onLeftClick = [&] {
            events.push_back("gone");
            delete doomed;
        };
        click(*doomed, WM_LBUTTONDOWN);
        CHECK(events == std::vector<std::string>{"gone"});
        CHECK_FALSE(IsWindow(window));
        CHECK(clock.clock().running() == 0);
    }
}

TEST_CASE("a bitmap picture becomes a 32 x 32 icon") {
    const COLORREF red = RGB(255, 0, 0);
    auto solidBitmap = [&](int width, int height) {
        HDC screen = GetDC(nullptr);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
        HDC dc = CreateCompatibleDC(screen);
        HGDIOBJ old = SelectObject(dc, bitmap);
        RECT all{0, 0, width, height};
        HBRUSH brush = CreateSolidBrush(red);
        FillRect(dc, &all, brush);
        DeleteObject(brush);
        SelectObject(dc, old);
        DeleteDC(dc);
        ReleaseDC(nullptr, screen);
        return bitmap;
    };
    // Draws the icon on white and reads back its middle pixel.
    auto middlePixel = [](HICON icon) {
        HDC screen = GetDC(nullptr);
        HDC dc = CreateCompatibleDC(screen);
        HBITMAP canvas = CreateCompatibleBitmap(screen, 32, 32);
        HGDIOBJ old = SelectObject(dc, canvas);
        RECT all{0, 0, 32, 32};
        FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        DrawIconEx(dc, 0, 0, icon, 32, 32, 0, nullptr, DI_NORMAL);
        COLORREF pixel = GetPixel(dc, 16, 16);
        SelectObject(dc, old);
        DeleteObject(canvas);
        DeleteDC(dc);
        ReleaseDC(nullptr, screen);
        return pixel;
    };

    Tray tray;
    for (auto size : {std::pair<int, int>{32, 32}, {16, 16}, {64, 20}}) {
        CAPTURE(size.first);
        CAPTURE(size.second);
        HBITMAP bitmap = solidBitmap(size.first, size.second);
        REQUIRE(tray.setImage(bitmap));
        DeleteObject(bitmap);  // the icon does not depend on it
        HICON icon = tray.image();
        REQUIRE(icon != nullptr);
        ICONINFO info{};
        REQUIRE(GetIconInfo(icon, &info));
        CHECK(info.fIcon);
        BITMAP colour{};
        REQUIRE(info.hbmColor != nullptr);
        GetObjectA(info.hbmColor, sizeof colour, &colour);
        CHECK(colour.bmWidth == 32);
        CHECK(colour.bmHeight == 32);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        CHECK(middlePixel(icon) == red);
    }
    CHECK(tray.isChanged("TrayImage"));
    CHECK(tray.setImage(static_cast<HBITMAP>(nullptr)));
    CHECK(tray.image() == nullptr);
    CHECK(iconFromBitmap(nullptr) == nullptr);
}

TEST_CASE("the system's own tray takes, updates and removes the icon") {
    Host host;
    Tray tray;
    REQUIRE(tray.create(host.hwnd()));
    std::vector<std::pair<DWORD, BOOL>> answers;
    tray.notify = [&answers](DWORD message, NOTIFYICONDATAA* data) {
        BOOL answer = Shell_NotifyIconA(message, data);
        answers.push_back({message, answer});
        return answer;
    };
    tray.setImage(LoadIcon(nullptr, IDI_APPLICATION));
    tray.show(true);
    CHECK(tray.isShown());
    tray.setTip("Memory Usage (128MB)");
    tray.show(true);
    tray.showBalloonTip(true);
    tray.show(false);
    CHECK(answers == std::vector<std::pair<DWORD, BOOL>>{
                         {NIM_ADD, TRUE}, {NIM_MODIFY, TRUE}, {NIM_MODIFY, TRUE}, {NIM_DELETE, TRUE}});

    // "TaskbarCreated" while the shell still holds the icon: the add is
    // refused, the icon counts as shown all the same, and the end removes
    // it, so no icon is left behind in the tray.
    answers.clear();
    tray.show(true);
    tray.shellRestarted();
    CHECK(tray.isShown());
    tray.show(false);
    NOTIFYICONDATAA probe{};
    probe.cbSize = offsetof(NOTIFYICONDATAA, guidItem);
    probe.hWnd = tray.hwnd();
    probe.uID = Tray::kIconId;
    CHECK_FALSE(Shell_NotifyIconA(NIM_MODIFY, &probe));
    CHECK(answers.back() == std::pair<DWORD, BOOL>{NIM_DELETE, TRUE});

    // The default route is the system's.
    Tray plain;
    REQUIRE(plain.create(host.hwnd()));
    plain.setImage(LoadIcon(nullptr, IDI_APPLICATION));
    plain.show(true);
    CHECK(plain.isShown());
    plain.show(false);
    CHECK_FALSE(plain.isShown());
}
