#pragma once
// The tray icon control's logic that needs no window: the text fields and
// the byte layout of the notification record, the click decoding with its
// debounce, and the event-mode rule.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace quellar::ui {

// Lengths of the record's fixed text fields, in characters.
constexpr std::size_t kTipLength = 128;
constexpr std::size_t kInfoLength = 256;
constexpr std::size_t kInfoTitleLength = 64;

// `text` left-aligned in a field of `length` characters: cut when longer,
// filled with blanks when shorter (no terminating NUL is added).
std::string blankFilledField(const std::string& text, std::size_t length);

// The tooltip field: a blank, the tooltip, a blank and a NUL, so the shell
// shows the text with some air around it; an empty tooltip is a lone NUL,
// which shows no tooltip at all. The rest of the field is blanks.
std::string tipField(const std::string& toolTip);
// Blanks kept after the balloon's text, before its NUL.
constexpr int kBalloonTextAir = 2;

// The balloon's text and title: the text and a NUL, the rest blanks; the
// text with kBalloonTextAir blanks before its NUL as far as the field holds
// them.
std::string infoField(const std::string& balloonText);
std::string infoTitleField(const std::string& title);

// Values of the notification record's fields. Handles are carried as plain
// numbers so the layout can be built and checked without a window.
struct NotifyRecordFields {
    std::uint32_t cbSize = 0;
    std::uint64_t hWnd = 0;
    std::uint32_t uID = 0;
    std::uint32_t uFlags = 0;
    std::uint32_t uCallbackMessage = 0;
    std::uint64_t hIcon = 0;
    std::string szTip;  // taken as is, cut or NUL-padded to kTipLength
    std::uint32_t dwState = 0;
    std::uint32_t dwStateMask = 0;
    std::string szInfo;  // cut or NUL-padded to kInfoLength
    std::uint32_t uTimeout = 0;
    std::string szInfoTitle;  // cut or NUL-padded to kInfoTitleLength
    std::uint32_t dwInfoFlags = 0;
};

// Where each field sits in the record with the balloon fields (the shell's
// second version of it), for handles of `handleSize` bytes: 4 on 32-bit
// Windows, where the record is 488 bytes, or 8 on 64-bit Windows, where the
// handles are aligned to 8 and the record grows to 504 bytes.
struct NotifyRecordLayout {
    std::size_t handleSize;
    std::size_t cbSize, hWnd, uID, uFlags, uCallbackMessage, hIcon, szTip, dwState, dwStateMask,
        szInfo, uTimeout, szInfoTitle, dwInfoFlags;
    std::size_t size;  // bytes up to the end of dwInfoFlags, padding included
};

constexpr NotifyRecordLayout notifyRecordLayout(std::size_t handleSize) {
    auto alignUp = [](std::size_t offset, std::size_t alignment) {
        return (offset + alignment - 1) / alignment * alignment;
    };
    NotifyRecordLayout l{};
    l.handleSize = handleSize;
    l.cbSize = 0;
    l.hWnd = alignUp(l.cbSize + 4, handleSize);
    l.uID = l.hWnd + handleSize;
    l.uFlags = l.uID + 4;
    l.uCallbackMessage = l.uFlags + 4;
    l.hIcon = alignUp(l.uCallbackMessage + 4, handleSize);
    l.szTip = l.hIcon + handleSize;
    l.dwState = l.szTip + kTipLength;
    l.dwStateMask = l.dwState + 4;
    l.szInfo = l.dwStateMask + 4;
    l.uTimeout = l.szInfo + kInfoLength;
    l.szInfoTitle = l.uTimeout + 4;
    l.dwInfoFlags = l.szInfoTitle + kInfoTitleLength;
    // The record goes on with a GUID, which needs no more than 4-byte
    // alignment, so nothing pads the end of this part.
    l.size = l.dwInfoFlags + 4;
    return l;
}

constexpr std::size_t kNotifyRecordSize32 = 488;
static_assert(notifyRecordLayout(4).size == kNotifyRecordSize32);

// Writes the record into `out`, which holds at least layout.size bytes, in
// little-endian order; padding bytes are zero.
void fillNotifyRecord(const NotifyRecordLayout& layout, const NotifyRecordFields& fields,
                      unsigned char* out);

// Mouse messages that the shell forwards in the callback's lParam.
constexpr unsigned kLeftButtonDown = 0x0201;   // WM_LBUTTONDOWN
constexpr unsigned kRightButtonDown = 0x0204;  // WM_RBUTTONDOWN

// Event modes: separate left and right click events, or one event with the
// button number.
constexpr std::int32_t kSeparateClickEvents = 0;
constexpr std::int32_t kCombinedClickEvent = 1;
constexpr int kLeftButton = 1;
constexpr int kRightButton = 2;

std::int32_t clampEventMode(std::int32_t value);

// Where a decoded click goes. Any member may be empty.
struct ClickSinks {
    std::function<void()> leftClick;
    std::function<void()> rightClick;
    std::function<void(int& button)> mouseClick;
    // Starts the debounce timer; called once the event handler has returned.
    std::function<void()> startDebounce;
};

// Turns the shell's mouse reports into at most one event per press. From a
// raised event until the debounce timer fires the decoder is busy and drops
// every report, so a host whose handler runs a message loop (a window, a
// message box) does not get nested click events.
class ClickDecoder {
public:
    // Returns true when the report raised an event.
    bool report(unsigned mouseMessage, std::int32_t eventMode, const ClickSinks& sinks);
    // The debounce timer fired.
    void debounceElapsed() { busy_ = false; }
    bool busy() const { return busy_; }

private:
    bool busy_ = false;
};

}  // namespace quellar::ui
