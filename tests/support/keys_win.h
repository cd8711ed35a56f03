#pragma once
// Pressing keys in a test as the user would: the key goes to the window
// with the keyboard focus and through the program's message loop, dialog
// keys included (win/dialogkeys_win.h). Shift is held through the thread's
// key state, which is what the controls and the dialog code read.
#include <windows.h>

#include <cctype>
#include <string>

#include "win/dialogkeys_win.h"

namespace quellar::testing {

// The program's own loop, run until the queue is empty.
inline void pumpWithDialogKeys() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (win::handleDialogKeys(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

class HeldShift {
public:
    explicit HeldShift(bool hold) : hold_(hold) {
        if (!hold_) return;
        GetKeyboardState(saved_);
        BYTE state[256];
        GetKeyboardState(state);
        state[VK_SHIFT] = 0x80;
        state[VK_LSHIFT] = 0x80;
        SetKeyboardState(state);
    }
    ~HeldShift() {
        if (hold_) SetKeyboardState(saved_);
    }
    HeldShift(const HeldShift&) = delete;
    HeldShift& operator=(const HeldShift&) = delete;

private:
    bool hold_;
    BYTE saved_[256] = {};
};

// One press and release of `key` at the focus.
inline void pressKey(WPARAM key, bool shift = false) {
    HeldShift held(shift);
    HWND focus = GetFocus();
    PostMessageA(focus, WM_KEYDOWN, key, 1);
    PostMessageA(focus, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
    pumpWithDialogKeys();
}

// Characters typed at the focus, one WM_CHAR each as the keyboard's
// translation sends them ("\b" is Backspace).
inline void typeText(const std::string& text) {
    for (char c : text) PostMessageA(GetFocus(), WM_CHAR, static_cast<WPARAM>(static_cast<unsigned char>(c)), 1);
    pumpWithDialogKeys();
}

// The focused box's whole text selected from the keyboard: Home, Shift+End.
inline void selectAllByKeys() {
    pressKey(VK_HOME);
    pressKey(VK_END, true);
}

// Alt+letter at the focus: the system turns the press into WM_SYSCHAR.
inline void pressAlt(char letter) {
    const LPARAM altDown = 1 | (1 << 29);
    PostMessageA(GetFocus(), WM_SYSCHAR, static_cast<WPARAM>(std::tolower(static_cast<unsigned char>(letter))),
                 altDown);
    pumpWithDialogKeys();
}

}  // namespace quellar::testing
