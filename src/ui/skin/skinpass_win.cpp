#include "ui/skin/skinpass_win.h"

#include "ui/skin/skinpass.h"

#include <commctrl.h>

#include "ui/graph/graph_win.h"

namespace quellar::ui {

namespace {

COLORREF colourOf(const SkinColor& c) { return RGB(c.r, c.g, c.b); }

COLORREF between(const SkinColor& a, const SkinColor& b) {
    return RGB((a.r + b.r) / 2, (a.g + b.g) / 2, (a.b + b.b) / 2);
}

// Lists and graphs draw themselves; they take the form's colours through
// their own messages instead of a skin element of their own.
void colourControl(const Skin& skin, const Control& control, HWND hwnd) {
    const ElementStyle& form = skin.style(SkinElement::ControlForm);
    switch (control.kind()) {
    case ControlKind::ListView:
        SendMessageA(hwnd, LVM_SETBKCOLOR, 0, static_cast<LPARAM>(colourOf(form.face)));
        SendMessageA(hwnd, LVM_SETTEXTBKCOLOR, 0, static_cast<LPARAM>(colourOf(form.face)));
        SendMessageA(hwnd, LVM_SETTEXTCOLOR, 0, static_cast<LPARAM>(colourOf(form.text)));
        break;
    case ControlKind::Graph: {
        // A dark panel in the form's text colour, its grid half-way to the
        // frames' border colour, so the line colour stands out on any skin.
        GraphColours colours;
        colours.background = colourOf(form.text);
        colours.grid = between(form.text, skin.style(SkinElement::Frame).border);
        setGraphColours(hwnd, colours);
        break;
    }
    default:
        break;
    }
}

}  // namespace

void skinControls(SkinEngine& skin, FormBinder& form) {
    // A list's selected row in the buttons' colours, the skin's strongest.
    const ElementStyle& button = skin.skin().style(SkinElement::Button);
    form.setListHighlight(colourOf(button.face), colourOf(button.text));
    for (const auto& control : form.form().controls()) {
        if (HWND hwnd = form.handleOf(*control)) colourControl(skin.skin(), *control, hwnd);
        const char* element = skinElementFor(control->kind());
        if (!element) continue;
        HWND hwnd = form.handleOf(*control);
        if (!hwnd) continue;
        try {
            skin.applyElement(hwnd, element);
        } catch (...) {
            // Out of memory for one control's record: the rest still get
            // their look.
        }
    }
}

}  // namespace quellar::ui
