#pragma once
// The notification-area icon of the program: adds, updates and removes the
// icon, shows its balloon and turns clicks on it into events. The control
// has a small window of its own, a child of its host that is never seen,
// which the shell sends the icon's mouse reports to.
#include <windows.h>

#include <shellapi.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>

#include "core/timers.h"
#include "ui/tray/traylogic.h"
#include "win/window_win.h"

namespace quellar::ui {

class Tray : public win::Window {
public:
    // How the control reaches the shell; tests put a recorder here.
    using NotifyFunction = std::function<BOOL(DWORD message, NOTIFYICONDATAA* record)>;
    // How the control lets a message of the shell through the message
    // filter of `window`; tests put a recorder here.
    using AllowMessageFunction = std::function<bool(HWND window, UINT message)>;

    static constexpr UINT kDebounceMilliseconds = 15;
    static constexpr int kControlSize = 36;
    static constexpr int kIconSize = 32;
    static constexpr UINT kIconId = 1;
    // The shell reports mouse activity on the icon with this message, the
    // mouse message itself in the low word of lParam.
    static constexpr UINT kCallbackMessage = WM_MOUSEMOVE;

    static constexpr const char* kDefaultTip = "Program notification";
    static constexpr const char* kDefaultBalloonTip = "The Program Still Running Here";

    // The names under which a host stores the properties.
    static constexpr const char* kStoredImage = "TrayImage";
    static constexpr const char* kStoredToolTip = "TrayToolTip";
    static constexpr const char* kStoredBalloonToolTip = "BalloonTip";
    static constexpr const char* kStoredEventMode = "EventMode";

    Tray();
    ~Tray() override;

    // Makes the control's window inside `host`, and lets the shell's
    // messages reach it: the icon's mouse reports to the control's window,
    // "TaskbarCreated" to the top-level window that holds it. False when the
    // system refused or the window exists already.
    bool create(HWND host);

    HICON image() const { return image_; }
    // An icon (or a cursor) is used as it is and stays the caller's.
    void setImage(HICON icon);
    // A bitmap becomes a 32 x 32 icon that the control owns. False when the
    // conversion failed; the picture is then left as it was.
    bool setImage(HBITMAP bitmap);
    void clearImage();

    const std::string& tip() const { return tip_; }
    void setTip(const std::string& text);
    const std::string& balloonTip() const { return balloonTip_; }
    void setBalloonTip(const std::string& text);
    std::int32_t eventMode() const { return eventMode_; }
    void setEventMode(std::int32_t mode);  // clamped to 0 .. 1
    bool isShown() const { return shown_; }

    // True: adds the icon, or updates it when it is shown. False: removes it
    // when it is shown. The shown state follows what the shell holds: an
    // update the shell refuses adds the icon anew, and an add it refuses is
    // checked with an update, since a busy shell may refuse an add it
    // carried out and a restarted one refuses updates of icons it lost.
    void show(bool wanted);
    // True: shows the balloon on the icon (no visible effect without an
    // icon). False does nothing.
    void showBalloonTip(bool show);

    // The shell (Explorer) started again and knows no icon of ours: the
    // icon is added anew, with its current picture and tooltip, when the
    // host wants it shown (its last show was true), even if the shell had
    // refused it before.
    void shellRestarted();
    // The message the shell broadcasts to every top-level window when its
    // task bar is made anew ("TaskbarCreated"); the host passes it on to
    // shellRestarted, since the control's own window is a child.
    static UINT taskbarCreatedMessage();

    // Whether the property stored under `storedName` was written since the
    // control was made.
    bool isChanged(const std::string& storedName) const { return changed_.count(storedName) != 0; }
    // True from a click event until the debounce timer has fired (a timer
    // of the process's timer service).
    bool clickBusy() const { return decoder_.busy(); }

    std::function<void()> onLeftClick;
    std::function<void()> onRightClick;
    std::function<void(int& button)> onMouseClick;

    NotifyFunction notify;
    AllowMessageFunction allowMessage;

protected:
    bool onMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void fillIconFields();
    BOOL sendRecord(DWORD message);
    bool addOrConfirm();
    bool updateOrAdd();
    void releaseOwnedImage();

    HICON image_ = nullptr;
    bool ownsImage_ = false;
    std::string tip_ = kDefaultTip;
    std::string balloonTip_ = kDefaultBalloonTip;
    std::int32_t eventMode_ = kSeparateClickEvents;
    bool shown_ = false;
    bool wanted_ = false;  // the host's last show asked for the icon
    std::set<std::string> changed_;

    ClickDecoder decoder_;
    // Shared so a click whose handler deleted the control can tell, once
    // the handler returns, that there is no timer left to start.
    std::shared_ptr<Timer> debounce_ = std::make_shared<Timer>();
    // The record is kept between calls: each method refills only its own
    // fields, and removing the icon sends it as it was last sent.
    NotifyRecordFields fields_;
    NOTIFYICONDATAA record_{};
};

// Lets `message` reach `window` where the system filters the messages that
// a program of lower integrity sends (an elevated program on Vista and
// later, whose shell runs unelevated). True on systems without the filter.
bool allowThroughMessageFilter(HWND window, UINT message);

// Turns a bitmap of any size into a 32 x 32 icon through an image list.
// The caller owns the icon; null on failure.
HICON iconFromBitmap(HBITMAP bitmap);

}  // namespace quellar::ui
