// Hosting: which feature window the child area shows, and whether the
// area or the face is in front.
#include "app/mainwindow_win.h"

namespace quellar::app {

void MainWindow::hideFeatures() {
    for (auto& feature : features_) {
        // Hiding all of them makes any that does not exist yet.
        feature->load();
        ShowWindow(feature->hwnd(), SW_HIDE);
    }
}

void MainWindow::hostFeature(FeatureIndex index) {
    aboutReturn_.reset();
    hideFeatures();
    features_[index]->makeControls();
    // Each window is made hidden inside the child area, at its designed
    // position, the area's top-left corner.
    HWND window = features_[index]->hwnd();
    ShowWindow(window, SW_SHOW);
    bringToFront(childArea_);
    // The window just opened takes the keyboard, as a new page would.
    if (isActive()) focusInto(window);
}

void MainWindow::sizeChildArea(int width, int height) {
    SetWindowPos(childArea_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

std::optional<FeatureIndex> MainWindow::hostedFeature() const {
    for (int i = 0; i < kFeatureCount; ++i) {
        HWND window = features_[static_cast<std::size_t>(i)]->hwnd();
        // Its own visible flag: the main window itself may be hidden.
        if (window && GetParent(window) == childArea_ &&
            (GetWindowLongPtrA(window, GWL_STYLE) & WS_VISIBLE))
            return static_cast<FeatureIndex>(i);
    }
    return std::nullopt;
}

bool MainWindow::childAreaInFront() const {
    for (HWND w = GetWindow(facePlayer_.hwnd(), GW_HWNDPREV); w; w = GetWindow(w, GW_HWNDPREV)) {
        if (w == childArea_) return true;
    }
    return false;
}

std::optional<FeatureIndex> MainWindow::featureInFront() const {
    if (!childAreaInFront()) return std::nullopt;
    return hostedFeature();
}

void MainWindow::showAbout() {
    // A second about command while the card is up must not forget what lay
    // under the first.
    if (!aboutReturn_) aboutReturn_ = AboutReturn{hostedFeature(), childAreaInFront()};
    bringFaceToFront();
    hideFeatures();
    bringFaceToFront();
}

void MainWindow::closeAbout() {
    // Back to what was on screen before the card: the window that was hosted
    // then, inside the child area, and the area in front only if it was.
    if (!aboutReturn_) return;
    AboutReturn back = *aboutReturn_;
    aboutReturn_.reset();
    if (!back.hosted) return;
    ui::FeatureWindow& window = *features_[*back.hosted];
    if (!window.isLoaded() || GetParent(window.hwnd()) != childArea_) return;
    ShowWindow(window.hwnd(), SW_SHOW);
    if (back.childAreaInFront) {
        bringToFront(childArea_);
        if (isActive()) focusInto(window.hwnd());
    }
}

}  // namespace quellar::app
