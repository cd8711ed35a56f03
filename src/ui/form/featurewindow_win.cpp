#include "ui/form/featurewindow_win.h"

#include "win/dialogkeys_win.h"
#include "win/dpi_win.h"

namespace quellar::ui {

namespace {
const char* const kFeatureClass = "QuellarFeatureWindow";
}

FeatureWindow::FeatureWindow(FeatureHost& host, std::string name, std::string caption,
                             PixelRect client, const std::vector<ControlDecl>& decls)
    : host_(host),
      name_(std::move(name)),
      caption_(std::move(caption)),
      client_(client),
      decls_(decls) {}

FeatureWindow::~FeatureWindow() {
    binder_.reset();
    win::setDialogKeys(hwnd(), false);
    destroy();
}

bool FeatureWindow::load() {
    if (isLoaded()) return true;
    form_ = std::make_unique<Form>(name_, caption_, client_, decls_);
    // In the host's area if it has one; otherwise owned by the host so it
    // never shows in the task bar and goes away with it.
    HWND area = ownWindow() ? nullptr : host_.hostingArea();
    const DWORD style = (area ? WS_CHILD : WS_POPUP) | WS_CLIPCHILDREN;
    if (!create(kFeatureClass, caption_.c_str(), style, 0, 0, 0, win::scaled(client_.width), win::scaled(client_.height),
                area ? area : host_.hostHandle())) {
        form_.reset();
        return false;
    }
    win::setDialogKeys(hwnd(), true);
    host_.skinFeatureWindow(*this);
    onLoad();
    return true;
}

bool FeatureWindow::makeControls() {
    if (!isLoaded()) return false;
    if (binder_) return true;
    binder_ = std::make_unique<FormBinder>(*form_, hwnd());
    binder_->createControls();
    host_.skinFeatureControls(*this);
    onControlsMade();
    return true;
}

FormBinder& FeatureWindow::binder() {
    makeControls();
    return *binder_;
}

void FeatureWindow::unload() {
    if (!isLoaded()) return;
    onUnload();
    binder_.reset();
    win::setDialogKeys(hwnd(), false);
    destroy();
    form_.reset();
}

bool FeatureWindow::onMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    // Whatever way the window comes on screen, its controls are there first.
    if (msg == WM_SHOWWINDOW && wParam) makeControls();
    if (msg == WM_WINDOWPOSCHANGING &&
        (reinterpret_cast<const WINDOWPOS*>(lParam)->flags & SWP_SHOWWINDOW))
        makeControls();
    if (msg == win::tabOutMessage()) {
        // A window of its own keeps the keyboard going round inside it.
        result = !ownWindow() && host_.takeKeyboardFrom(*this, wParam != 0) ? 1 : 0;
        return true;
    }
    if (!binder_) return false;
    if (msg == DM_GETDEFID) {
        // Enter in a dialog-style message loop presses the default button.
        const int id = binder_->defaultButtonId();
        if (id == 0) return false;
        result = MAKELRESULT(id, DC_HASDEFID);
        return true;
    }
    if (binder_->route(msg, wParam, lParam, result)) return true;
    if (msg == WM_COMMAND && LOWORD(wParam) == IDCANCEL && lParam == 0) {
        // Escape, and no cancel button took it.
        host_.focusHostCommands();
        result = 0;
        return true;
    }
    return false;
}

}  // namespace quellar::ui
