#include "ui/tray/traylogic.h"

#include <cstring>

namespace quellar::ui {

std::string blankFilledField(const std::string& text, std::size_t length) {
    std::string field = text.substr(0, length);
    field.resize(length, ' ');
    return field;
}

std::string tipField(const std::string& toolTip) {
    if (toolTip.empty()) return blankFilledField(std::string(1, '\0'), kTipLength);
    return blankFilledField(' ' + toolTip + ' ' + '\0', kTipLength);
}

// The balloon's texts end in a NUL as the tooltip does: without it the shell
// measures the filling blanks as text and draws a balloon as wide as the
// screen. A text that fills its field is cut and has no room for one; the
// shell reads no further than the field.
//
// The balloon's text keeps two blanks of air before its NUL, where the field
// has room for them: some shells (Wine's among them) size the balloon a few
// pixels narrower than they draw its text and would cut its last letter;
// trailing blanks show as nothing everywhere else.
std::string infoField(const std::string& balloonText) {
    std::string text = balloonText.substr(0, kInfoLength);
    for (int air = 0; air < kBalloonTextAir && text.size() + 1 < kInfoLength; ++air) text += ' ';
    return blankFilledField(text + '\0', kInfoLength);
}

std::string infoTitleField(const std::string& title) {
    return blankFilledField(title + '\0', kInfoTitleLength);
}

namespace {

void putLittleEndian(unsigned char* out, std::uint64_t value, std::size_t bytes) {
    for (std::size_t i = 0; i < bytes; ++i) out[i] = static_cast<unsigned char>(value >> (8 * i));
}

void putText(unsigned char* out, const std::string& text, std::size_t length) {
    std::size_t n = text.size() < length ? text.size() : length;
    std::memcpy(out, text.data(), n);
}

}  // namespace

void fillNotifyRecord(const NotifyRecordLayout& layout, const NotifyRecordFields& f,
                      unsigned char* out) {
    std::memset(out, 0, layout.size);
    putLittleEndian(out + layout.cbSize, f.cbSize, 4);
    putLittleEndian(out + layout.hWnd, f.hWnd, layout.handleSize);
    putLittleEndian(out + layout.uID, f.uID, 4);
    putLittleEndian(out + layout.uFlags, f.uFlags, 4);
    putLittleEndian(out + layout.uCallbackMessage, f.uCallbackMessage, 4);
    putLittleEndian(out + layout.hIcon, f.hIcon, layout.handleSize);
    putText(out + layout.szTip, f.szTip, kTipLength);
    putLittleEndian(out + layout.dwState, f.dwState, 4);
    putLittleEndian(out + layout.dwStateMask, f.dwStateMask, 4);
    putText(out + layout.szInfo, f.szInfo, kInfoLength);
    putLittleEndian(out + layout.uTimeout, f.uTimeout, 4);
    putText(out + layout.szInfoTitle, f.szInfoTitle, kInfoTitleLength);
    putLittleEndian(out + layout.dwInfoFlags, f.dwInfoFlags, 4);
}

std::int32_t clampEventMode(std::int32_t value) {
    if (value > kCombinedClickEvent) return kCombinedClickEvent;
    if (value < kSeparateClickEvents) return kSeparateClickEvents;
    return value;
}

bool ClickDecoder::report(unsigned mouseMessage, std::int32_t eventMode, const ClickSinks& sinks) {
    if (busy_) return false;
    int button;
    if (mouseMessage == kLeftButtonDown) {
        button = kLeftButton;
    } else if (mouseMessage == kRightButtonDown) {
        button = kRightButton;
    } else {
        return false;
    }
    busy_ = true;

    // The debounce starts when the handler is done, also when it failed:
    // otherwise the decoder would stay busy and the icon deaf for good.
    struct StartDebounceOnExit {
        const ClickSinks& sinks;
        ~StartDebounceOnExit() {
            if (sinks.startDebounce) sinks.startDebounce();
        }
    } startDebounce{sinks};

    if (clampEventMode(eventMode) == kCombinedClickEvent) {
        if (sinks.mouseClick) sinks.mouseClick(button);
    } else if (button == kLeftButton) {
        if (sinks.leftClick) sinks.leftClick();
    } else {
        if (sinks.rightClick) sinks.rightClick();
    }
    return true;
}

}  // namespace quellar::ui
