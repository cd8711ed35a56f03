#include "ui/skin/skinpass.h"

namespace quellar::ui {

const char* skinElementFor(ControlKind kind) {
    switch (kind) {
    case ControlKind::Button: return "Button";
    case ControlKind::SkinLabel: return "Label";
    case ControlKind::Frame: return "Frame";
    case ControlKind::CheckBox: return "CheckBox";
    case ControlKind::OptionButton: return "RadioBox";
    // A plain label has no window of its own on the original forms, so it
    // is never skinned, unlike a SkinLabel.
    case ControlKind::Label:
    case ControlKind::TextBox:
    case ControlKind::ComboBox:
    case ControlKind::ListView:
    case ControlKind::Slider:
    case ControlKind::UpDown:
    case ControlKind::Picture:
    case ControlKind::Graph:
        return nullptr;
    }
    return nullptr;
}

}  // namespace quellar::ui
