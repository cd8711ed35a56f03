#pragma once
// Clicking the face as a user does: at a button's place on the screen, in
// the display's pixels (the face is designed at 96 dpi and scaled).
#include <windows.h>

#include <doctest/doctest.h>

#include <string>

#include "ui/face/faceplayer_win.h"
#include "win/dpi_win.h"

namespace quellar::testing {

// The middle of the first button on `panel` (or on every panel) of the face
// that sends the command, in the face's own coordinates; fails the test when
// there is none.
inline POINT buttonFor(const ui::Face& f, const std::string& panel, const std::string& command) {
    for (const ui::FaceItem& item : f.items) {
        if (!item.isButton) continue;
        if (item.panel >= 0 && f.panels[static_cast<std::size_t>(item.panel)] != panel) continue;
        const ui::FaceButton& b = f.buttons[item.index];
        if (b.command != command) continue;
        return {b.x.resolve(f.width, f.height) + b.w.resolve(f.width, f.height) / 2,
                b.y.resolve(f.width, f.height) + b.h.resolve(f.width, f.height) / 2};
    }
    FAIL("no button sends " << command << " on panel " << panel);
    return {-1, -1};
}

// The same on the panel the player shows.
inline POINT buttonFor(const ui::FacePlayer& player, const std::string& command) {
    return buttonFor(player.state().face(), player.state().panel(), command);
}

// A click on that button where the display shows it.
inline void clickFaceButton(ui::FacePlayer& player, const std::string& command) {
    const POINT p = buttonFor(player, command);
    player.clickAt(win::scaled(p.x), win::scaled(p.y));
}

}  // namespace quellar::testing
