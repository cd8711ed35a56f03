#include "ui/face/face.h"

#include <algorithm>
#include <set>

namespace quellar::ui {

bool isFaceName(std::string_view s) {
    if (s.empty() || s.size() > kFaceMaxNameLength) return false;
    return std::all_of(s.begin(), s.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
               c == '.' || c == '-';
    });
}

int FaceCoord::resolve(int frameWidth, int frameHeight) const {
    switch (base) {
    case Base::Width: return frameWidth / divisor + offset;
    case Base::Height: return frameHeight / divisor + offset;
    case Base::None: break;
    }
    return offset;
}

int Face::panelIndex(std::string_view name) const {
    for (std::size_t i = 0; i < panels.size(); ++i)
        if (panels[i] == name) return static_cast<int>(i);
    return -1;
}

std::vector<std::string> Face::commands() const {
    // Only what a user can reach: the home panel, and every panel that a
    // button on a reachable panel (or on all panels) switches to.
    std::vector<bool> reached(panels.size(), false);
    if (!panels.empty()) reached[static_cast<std::size_t>(home)] = true;
    bool grew = true;
    while (grew) {
        grew = false;
        for (const FaceItem& item : items) {
            if (!item.isButton) continue;
            if (item.panel >= 0 && !reached[static_cast<std::size_t>(item.panel)]) continue;
            const FaceButton& b = buttons[item.index];
            int target = b.show.empty() ? -1 : panelIndex(b.show);
            if (target >= 0 && !reached[static_cast<std::size_t>(target)]) {
                reached[static_cast<std::size_t>(target)] = true;
                grew = true;
            }
        }
    }
    std::set<std::string> found;
    for (const FaceItem& item : items) {
        if (!item.isButton) continue;
        if (item.panel >= 0 && !reached[static_cast<std::size_t>(item.panel)]) continue;
        const FaceButton& b = buttons[item.index];
        if (b.dragArea) found.insert(kDragCommand);
        else if (!b.command.empty()) found.insert(b.command);
    }
    return {found.begin(), found.end()};
}

}  // namespace quellar::ui
