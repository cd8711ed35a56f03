#include "ui/skin/skinpass_win.h"

#include "ui/skin/skinpass.h"

namespace quellar::shell {

void applyAllControls(SkinEngine& skin, win::FormBinder& form) {
    for (const auto& control : form.form().controls()) {
        const char* element = skinElementFor(control->kind());
        if (!element) continue;
        HWND hwnd = form.handleOf(*control);
        if (!hwnd) continue;
        try {
            skin.applySkinElement(hwnd, element);
        } catch (...) {
            // Out of memory for one control's record: the rest still get
            // their look.
        }
    }
}

}  // namespace quellar::shell
