#pragma once
// Creates the Win32 controls of a Form's declaration table inside a window,
// forwards the user's actions to the models and pushes model changes back to
// the controls. Frames are real container windows, so a control declared in
// a frame is a child of the frame's window, as on the original forms.
#include <windows.h>

#include <map>
#include <string>

#include "core/form.h"

namespace quellar::win {

// Window class of a frame: draws a group box with its caption and passes its
// children's notifications on to its own parent.
extern const char* const kFrameClass;

class FormBinder {
public:
    FormBinder(Form& form, HWND window);
    FormBinder(const FormBinder&) = delete;
    FormBinder& operator=(const FormBinder&) = delete;
    ~FormBinder();

    // Creates every control of the table. Returns false when one could not be
    // made (the others are made all the same).
    bool createControls();

    // The window handle of a control, or nullptr for one without a window
    // (plain labels are drawn as static text all the same, but the skinning
    // pass must treat them as window-less).
    HWND handleOf(const Control& control) const;
    Control* controlOf(HWND handle) const;

    // To be called from the owning window's WM_COMMAND / WM_NOTIFY /
    // WM_HSCROLL / WM_VSCROLL handling; true when the message belonged to a
    // bound control.
    bool handleCommand(int code, HWND control);
    bool handleScroll(HWND control);

    Form& form() { return form_; }
    HWND window() const { return window_; }

private:
    HWND createOne(Control& control, int id);
    void push(const Control& control);

    Form& form_;
    HWND window_;
    std::map<const Control*, HWND> handles_;
    std::map<HWND, Control*> controls_;
    bool pushing_ = false;
};

// A control id for each bound control; ids start here so they never clash
// with IDOK / IDCANCEL and friends.
constexpr int kFirstBoundControlId = 1000;

}  // namespace quellar::win
