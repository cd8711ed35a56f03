#include "tray/traylogic.h"

#include <cstring>

namespace quellar::tray {

std::string blankFilledField(const std::string& text, std::size_t length) {
    std::string field = text.substr(0, length);
    field.resize(length, ' ');
    return field;
}

std::string tipField(const std::string& toolTip) {
    if (toolTip.empty()) return blankFilledField(std::string(1, '\0'), kTipLength);
    return blankFilledField(' ' + toolTip + ' ' + '\0', kTipLength);
}

std::string infoField(const std::string& balloonText) {
    return blankFilledField(balloonText, kInfoLength);
}

std::string infoTitleField(const std::string& title) {
    return blankFilledField(title, kInfoTitleLength);
}

NotifyRecordLayout notifyRecordLayout(std::size_t handleSize) {
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
    // The record continues with a GUID, which needs no more than 4-byte
    // alignment, so nothing pads the end of this part.
    l.size = l.dwInfoFlags + 4;
    return l;
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

}  // namespace quellar::tray
