#pragma once
// A feature window: one of the seven windows the main window hosts in its
// child area. It is declared as a table of controls (core/form.h); this class
// makes the window and its controls, has the host skin them, and gives the
// concrete window its load and unload hooks.
//
// Loading makes the window and its models, so a window's behaviour and its
// background jobs run from start-up on. Its Win32 controls are made only
// when the window is first shown (or something asks for them): six windows
// load hidden at start-up, and making their controls was most of the time
// the program took to appear. The models keep every change meanwhile and the
// controls start from them.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "core/form.h"
#include "core/preview.h"
#include "ui/form/binder_win.h"
#include "win/window_win.h"

namespace quellar::ui {

class FeatureWindow;

// What a feature window needs of the main window.
class FeatureHost {
public:
    virtual ~FeatureHost() = default;
    // A window that has finished its action sends the user back: the face
    // in front of the child area, then its home screen. (Home under a
    // hosted window left the screen half one, half the other.)
    virtual void returnHome() {}
    // Shows what an action would write before it is carried out.
    virtual void showPreview(PreviewRequest request) { (void)request; }
    // "controlForm" on the window itself, when it loads.
    virtual void skinFeatureWindow(FeatureWindow& window) = 0;
    // The pass over its controls, once they are made.
    virtual void skinFeatureControls(FeatureWindow& window) { (void)window; }
    virtual HWND hostHandle() const = 0;
    // The area the host shows its windows in, or nullptr. A window made for
    // it is made there, hidden at the area's top-left corner, as hosting
    // would put it: a child window costs far less to make than a pop-up.
    virtual HWND hostingArea() const { return nullptr; }
    // Escape in a window that has no cancel button: the host goes home and
    // the keyboard goes back to the host's own commands.
    virtual void focusHostCommands() {}
    // Tab past the window's last control (Shift+Tab before its first): true
    // when the host took the keyboard to its own commands.
    virtual bool takeKeyboardFrom(FeatureWindow& window, bool backwards) {
        (void)window;
        (void)backwards;
        return false;
    }
    // The program's own auto-closing notice (the balloon), e.g. after an
    // apply.
    virtual void showNotice(const std::string& title, const std::string& text) {
        (void)title;
        (void)text;
    }
};

class FeatureWindow : public win::Window {
public:
    FeatureWindow(FeatureHost& host, std::string name, std::string caption, PixelRect client,
                  const std::vector<ControlDecl>& decls);
    ~FeatureWindow() override;

    const std::string& name() const { return name_; }
    const PixelRect& client() const { return client_; }

    // Creates the window hidden with fresh models and runs the window's own
    // load. Loading a loaded window does nothing. The window takes the
    // dialog keys (win/dialogkeys_win.h).
    bool load();
    // Runs the window's own unload and destroys it; the next load starts
    // afresh. Unloading a window that is not loaded does nothing.
    void unload();
    bool isLoaded() const { return hwnd() != nullptr; }

    // Only while loaded.
    Form& form() { return *form_; }
    // Makes the controls first if they are not made yet.
    FormBinder& binder();
    // Makes and skins the controls, once per load; showing the window does
    // it by itself. False when the window is not loaded.
    bool makeControls();
    bool hasControls() const { return binder_ != nullptr; }

protected:
    // A window of its own (with a frame) rather than one the host shows in
    // its area.
    virtual bool ownWindow() const { return false; }
    virtual void onLoad() {}
    // Once the controls exist (before the window is first shown).
    virtual void onControlsMade() {}
    virtual void onUnload() {}

    // Routes the controls' messages through the binder; a window that
    // overrides it calls this one for what it does not handle itself.
    bool onMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

    FeatureHost& host_;

private:
    std::string name_;
    std::string caption_;
    PixelRect client_;
    const std::vector<ControlDecl>& decls_;
    std::unique_ptr<Form> form_;
    std::unique_ptr<FormBinder> binder_;
};

}  // namespace quellar::ui
