#pragma once
// The text-fit check: every caption a user can see inside a window, measured
// in the font it is painted in against the room its control gives it (one
// line's width, a wrapped text's height) and against what its parents let
// show of it. A window gets the check by being shown to it; nothing here
// knows the windows.
#include <windows.h>

#include <string>
#include <vector>

#include "ui/face/faceplayer_win.h"
#include "ui/form/binder_win.h"
#include "ui/skin/skin_win.h"
#include "win/window_win.h"

namespace quellar::testing {

namespace textfit {

inline BOOL CALLBACK collect(HWND hwnd, LPARAM into) {
    reinterpret_cast<std::vector<HWND>*>(into)->push_back(hwnd);
    return TRUE;
}

inline std::string describe(const std::string& text, const win::TextRoom& room, const char* how) {
    return "\"" + text + "\" " + how + ": needs " + std::to_string(room.neededWidth) + " x " +
           std::to_string(room.neededHeight) + ", has " + std::to_string(room.width) + " x " +
           std::to_string(room.height);
}

// Whether all of `r` (screen) shows through every parent of `hwnd`.
inline bool showsWhole(HWND hwnd, RECT r) {
    for (HWND parent = GetParent(hwnd); parent; parent = GetParent(parent)) {
        RECT client;
        GetClientRect(parent, &client);
        MapWindowPoints(parent, nullptr, reinterpret_cast<POINT*>(&client), 2);
        RECT shown;
        if (!IntersectRect(&shown, &r, &client) || !EqualRect(&shown, &r)) return false;
        if (!(GetWindowLongA(parent, GWL_STYLE) & WS_CHILD)) break;
    }
    return true;
}

}  // namespace textfit

// The cut texts among `window` and every visible window inside it, one line
// each: the text, how it is cut, what it needs and has.
inline std::vector<std::string> cutTexts(const ui::SkinEngine& skin, HWND window) {
    std::vector<HWND> all{window};
    EnumChildWindows(window, textfit::collect, reinterpret_cast<LPARAM>(&all));
    std::vector<std::string> cuts;
    for (HWND hwnd : all) {
        if (!IsWindowVisible(hwnd)) continue;
        const std::string text = win::windowText(hwnd);
        if (text.empty()) continue;
        const auto room = skin.textRoom(hwnd);
        if (!room) continue;
        if (!room->fits()) {
            cuts.push_back(textfit::describe(text, *room, "does not fit its control"));
            continue;
        }
        // A frame's caption is its top strip; any other text its control.
        RECT r;
        GetWindowRect(hwnd, &r);
        if (win::hasClass(hwnd, ui::kFrameClass)) r.bottom = r.top + room->neededHeight;
        if (!textfit::showsWhole(hwnd, r))
            cuts.push_back(textfit::describe(text, *room, "is cut off by the window around it"));
    }
    return cuts;
}

// The same for the texts the face draws on its shown panel.
inline std::vector<std::string> cutFaceTexts(ui::FacePlayer& face) {
    std::vector<std::string> cuts;
    for (const ui::FaceOp& op : face.state().render()) {
        if (op.shape != ui::FaceShape::Text || op.text.empty()) continue;
        const win::TextRoom room = face.textRoom(op);
        if (!room.fits()) cuts.push_back(textfit::describe(op.text, room, "does not fit the face"));
    }
    return cuts;
}

}  // namespace quellar::testing
