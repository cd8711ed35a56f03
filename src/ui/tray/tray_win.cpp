#include "ui/tray/tray_win.h"

#include <commctrl.h>

#include <cstddef>
#include <cstdlib>

#include "win/library_win.h"

namespace quellar::ui {

namespace {

constexpr UINT kShowFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
constexpr UINT kBalloonFlags = kShowFlags | NIF_INFO;
// The shortest the system allows; it applies its own minimum display time.
constexpr UINT kBalloonTimeout = 1;

// The record is sent in its second form, the first with the balloon fields,
// which every shell from version 5 on reads and older ones ignore past their
// own part. It ends where the GUID of later forms begins: 488 bytes on
// 32-bit Windows. The 64-bit build (for testing) has the same fields with
// 8-byte handles, so the same cut gives 504 bytes there.
constexpr DWORD kRecordSize = offsetof(NOTIFYICONDATAA, guidItem);

// The record's bytes are built by the portable layout; it must agree with
// the system's own declaration in both builds.
constexpr NotifyRecordLayout kLayout = notifyRecordLayout(sizeof(HWND));
static_assert(kLayout.size == kRecordSize);
static_assert(sizeof(HWND) != 4 || kRecordSize == kNotifyRecordSize32);
static_assert(kLayout.hWnd == offsetof(NOTIFYICONDATAA, hWnd));
static_assert(kLayout.uID == offsetof(NOTIFYICONDATAA, uID));
static_assert(kLayout.uFlags == offsetof(NOTIFYICONDATAA, uFlags));
static_assert(kLayout.uCallbackMessage == offsetof(NOTIFYICONDATAA, uCallbackMessage));
static_assert(kLayout.hIcon == offsetof(NOTIFYICONDATAA, hIcon));
static_assert(kLayout.szTip == offsetof(NOTIFYICONDATAA, szTip));
static_assert(kLayout.dwState == offsetof(NOTIFYICONDATAA, dwState));
static_assert(kLayout.dwStateMask == offsetof(NOTIFYICONDATAA, dwStateMask));
static_assert(kLayout.szInfo == offsetof(NOTIFYICONDATAA, szInfo));
static_assert(kLayout.uTimeout == offsetof(NOTIFYICONDATAA, uTimeout));
static_assert(kLayout.szInfoTitle == offsetof(NOTIFYICONDATAA, szInfoTitle));
static_assert(kLayout.dwInfoFlags == offsetof(NOTIFYICONDATAA, dwInfoFlags));
static_assert(sizeof(NOTIFYICONDATAA) >= kRecordSize);

// A copy of `bitmap` stretched to the icon size; the caller deletes it.
HBITMAP stretchedToIconSize(HBITMAP bitmap, int width, int height) {
    HDC screen = GetDC(nullptr);
    if (!screen) return nullptr;
    HDC source = CreateCompatibleDC(screen);
    HDC target = CreateCompatibleDC(screen);
    HBITMAP sized = CreateCompatibleBitmap(screen, Tray::kIconSize, Tray::kIconSize);
    bool drawn = false;
    if (source && target && sized) {
        HGDIOBJ oldSource = SelectObject(source, bitmap);
        HGDIOBJ oldTarget = SelectObject(target, sized);
        // A bitmap selected into some other DC cannot be selected here.
        if (oldSource && oldTarget) {
            SetStretchBltMode(target, COLORONCOLOR);
            drawn = StretchBlt(target, 0, 0, Tray::kIconSize, Tray::kIconSize, source, 0, 0, width,
                               height, SRCCOPY) != FALSE;
        }
        if (oldSource) SelectObject(source, oldSource);
        if (oldTarget) SelectObject(target, oldTarget);
    }
    if (source) DeleteDC(source);
    if (target) DeleteDC(target);
    ReleaseDC(nullptr, screen);
    if (!drawn && sized) {
        DeleteObject(sized);
        sized = nullptr;
    }
    return sized;
}

}  // namespace

bool allowThroughMessageFilter(HWND window, UINT message) {
    constexpr DWORD kAllow = 1;  // MSGFLT_ALLOW, and MSGFLT_ADD of the older call
    // Windows 7 on: for one window. Vista: for the whole process. Neither is
    // in the import table, which must load on Windows 95.
    using PerWindowFn = BOOL(WINAPI*)(HWND, UINT, DWORD, void*);
    using PerProcessFn = BOOL(WINAPI*)(UINT, DWORD);
    static const auto perWindow = win::systemFunction<PerWindowFn>("user32.dll", "ChangeWindowMessageFilterEx");
    if (perWindow) return perWindow(window, message, kAllow, nullptr) != FALSE;
    static const auto perProcess = win::systemFunction<PerProcessFn>("user32.dll", "ChangeWindowMessageFilter");
    if (perProcess) return perProcess(message, kAllow) != FALSE;
    return true;
}

HICON iconFromBitmap(HBITMAP bitmap) {
    BITMAP info{};
    if (!bitmap || GetObjectA(bitmap, sizeof info, &info) == 0) return nullptr;
    const int width = info.bmWidth;
    const int height = std::abs(info.bmHeight);
    if (width <= 0 || height <= 0) return nullptr;

    // The image list cuts a wider bitmap into several images and refuses a
    // narrower one, so anything but the icon size is stretched to it first.
    HBITMAP sized = bitmap;
    if (width != Tray::kIconSize || height != Tray::kIconSize) {
        sized = stretchedToIconSize(bitmap, width, height);
        if (!sized) return nullptr;
    }
    HICON icon = nullptr;
    // The image list lives in the common controls, which load on first use.
    using CreateFn = HIMAGELIST(WINAPI*)(int, int, UINT, int, int);
    using AddFn = int(WINAPI*)(HIMAGELIST, HBITMAP, HBITMAP);
    using GetIconFn = HICON(WINAPI*)(HIMAGELIST, int, UINT);
    using DestroyFn = BOOL(WINAPI*)(HIMAGELIST);
    HMODULE controls = win::commonControls();
    auto create = win::functionOf<CreateFn>(controls, "ImageList_Create");
    auto add = win::functionOf<AddFn>(controls, "ImageList_Add");
    auto getIcon = win::functionOf<GetIconFn>(controls, "ImageList_GetIcon");
    auto destroy = win::functionOf<DestroyFn>(controls, "ImageList_Destroy");
    HIMAGELIST list = create && add && getIcon && destroy
                          ? create(Tray::kIconSize, Tray::kIconSize, ILC_COLOR24 | ILC_MASK, 1, 0)
                          : nullptr;
    if (list) {
        // Without a mask every pixel of the picture stays opaque.
        const int index = add(list, sized, nullptr);
        if (index >= 0) icon = getIcon(list, index, ILD_NORMAL);
        destroy(list);
    }
    if (sized != bitmap) DeleteObject(sized);
    return icon;
}

Tray::Tray()
    : notify([](DWORD message, NOTIFYICONDATAA* record) {
          // The shell library loads with the first icon, once the window is
          // on screen, not with the program.
          using NotifyFn = BOOL(WINAPI*)(DWORD, NOTIFYICONDATAA*);
          static const auto send = win::functionOf<NotifyFn>(win::keptLibrary("shell32.dll"), "Shell_NotifyIconA");
          return send ? send(message, record) : FALSE;
      }),
      allowMessage(allowThroughMessageFilter) {}

Tray::~Tray() {
    // The icon stays in the tray: the host removes it with show(false)
    // before it ends. Destroy the window while this object is still whole.
    destroy();
    releaseOwnedImage();
}

bool Tray::create(HWND host) {
    if (hwnd()) return false;
    if (!Window::create("QuellarTray", "", WS_CHILD | WS_CLIPSIBLINGS, 0, 0, 0, kControlSize,
                        kControlSize, host))
        return false;
    // An elevated program's windows do not hear the unelevated shell unless
    // they say so: without this the icon is neither clicked nor brought back
    // after Explorer restarts. A refusal leaves the icon working wherever
    // the shell runs at the program's own level.
    if (allowMessage) {
        allowMessage(hwnd(), kCallbackMessage);
        HWND topLevel = win::rootWindowOf(host);
        allowMessage(topLevel ? topLevel : host, taskbarCreatedMessage());
    }
    return true;
}

void Tray::releaseOwnedImage() {
    if (ownsImage_ && image_) DestroyIcon(image_);
    image_ = nullptr;
    ownsImage_ = false;
}

void Tray::setImage(HICON icon) {
    releaseOwnedImage();
    image_ = icon;
    changed_.insert(kStoredImage);
}

bool Tray::setImage(HBITMAP bitmap) {
    if (!bitmap) {
        clearImage();
        return true;
    }
    HICON icon = iconFromBitmap(bitmap);
    if (!icon) return false;
    releaseOwnedImage();
    image_ = icon;
    ownsImage_ = true;
    changed_.insert(kStoredImage);
    return true;
}

void Tray::clearImage() {
    setImage(static_cast<HICON>(nullptr));
}

void Tray::setTip(const std::string& text) {
    tip_ = text;
    changed_.insert(kStoredToolTip);
}

void Tray::setBalloonTip(const std::string& text) {
    balloonTip_ = text;
    changed_.insert(kStoredBalloonToolTip);
}

void Tray::setEventMode(std::int32_t mode) {
    eventMode_ = clampEventMode(mode);
    changed_.insert(kStoredEventMode);
}

void Tray::fillIconFields() {
    fields_.cbSize = kRecordSize;
    fields_.hWnd = reinterpret_cast<std::uintptr_t>(hwnd());
    fields_.uID = kIconId;
    fields_.uFlags = kShowFlags;
    fields_.uCallbackMessage = kCallbackMessage;
    fields_.hIcon = reinterpret_cast<std::uintptr_t>(image_);
    fields_.szTip = tipField(tip_);
}

BOOL Tray::sendRecord(DWORD message) {
    fillNotifyRecord(kLayout, fields_, reinterpret_cast<unsigned char*>(&record_));
    return notify ? notify(message, &record_) : FALSE;
}

bool Tray::addOrConfirm() {
    // Only an icon the shell holds counts as shown: after a refusal (no
    // tray yet at logon) the next show adds it again. But a refused add may
    // have been carried out all the same (a shell too busy to answer in
    // time, or one that holds the icon already); the update tells.
    shown_ = sendRecord(NIM_ADD) != FALSE || sendRecord(NIM_MODIFY) != FALSE;
    return shown_;
}

bool Tray::updateOrAdd() {
    // A shell that lost the icon (it restarted unheard) refuses the update.
    if (sendRecord(NIM_MODIFY) != FALSE) return true;
    return addOrConfirm();
}

void Tray::show(bool wanted) {
    wanted_ = wanted;
    if (wanted) {
        fillIconFields();
        if (shown_) {
            updateOrAdd();
        } else {
            addOrConfirm();
        }
    } else if (shown_) {
        sendRecord(NIM_DELETE);
        shown_ = false;
    }
}

void Tray::shellRestarted() {
    if (!wanted_) return;
    // The new shell has no icon of ours, whatever the flag says; the add is
    // checked in case the message came while the icon was still there.
    fillIconFields();
    addOrConfirm();
}

UINT Tray::taskbarCreatedMessage() {
    static const UINT message = RegisterWindowMessageA("TaskbarCreated");
    return message;
}

void Tray::showBalloonTip(bool show) {
    if (!show) return;
    fillIconFields();
    fields_.uFlags = kBalloonFlags;
    fields_.dwState = 0;
    fields_.dwStateMask = 0;
    fields_.szInfo = infoField(balloonTip_);
    fields_.uTimeout = kBalloonTimeout;
    fields_.szInfoTitle = infoTitleField(tip_);
    fields_.dwInfoFlags = NIIF_INFO;
    sendRecord(NIM_MODIFY);
}

bool Tray::onMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    (void)wParam;
    if (msg == kCallbackMessage) {
        // The handlers are copied and the timer is reached only while the
        // control lives, so a handler may replace them or even delete the
        // control.
        ClickSinks sinks;
        sinks.leftClick = onLeftClick;
        sinks.rightClick = onRightClick;
        sinks.mouseClick = onMouseClick;
        ClickDecoder* decoder = &decoder_;
        sinks.startDebounce = [debounce = std::weak_ptr<Timer>(debounce_), decoder] {
            const std::shared_ptr<Timer> timer = debounce.lock();
            if (!timer) return;
            timer->startOnce(kDebounceMilliseconds, [decoder] { decoder->debounceElapsed(); });
        };
        decoder_.report(LOWORD(lParam), eventMode_, sinks);
        result = 0;
        return true;
    }
    if (msg == WM_WINDOWPOSCHANGING) {
        // The host may size the control as it likes; it keeps its own size.
        auto* pos = reinterpret_cast<WINDOWPOS*>(lParam);
        pos->cx = kControlSize;
        pos->cy = kControlSize;
    }
    return false;
}

}  // namespace quellar::ui
