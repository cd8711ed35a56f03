#pragma once
// Creates the Win32 controls of a Form's declaration table inside a window,
// forwards the user's actions to the models and pushes model changes back to
// the controls. Frames are real container windows, so a control declared in
// a frame is a child of the frame's window, as on the original forms. Graphs
// are our own window class (ui/graph).
#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "core/form.h"
#include "ui/form/frame_win.h"

namespace quellar::ui {

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

    // The one entry point every window that shows a form routes its messages
    // through: WM_COMMAND (clicks, edits, drop-down selections, the cancel
    // key), WM_NOTIFY (list column clicks, selection, mouse-up) and
    // WM_HSCROLL / WM_VSCROLL (sliders, up-downs). True when the message
    // belonged to a bound control; `result` is then the answer.
    bool route(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);

    // The colours the lists draw their selected row in, whether they have
    // the keyboard or not (the skin's highlight). Until set, the system's.
    void setListHighlight(COLORREF back, COLORREF text);

    // The bound default button's id (for DM_GETDEFID), 0 when there is none.
    int defaultButtonId() const { return defaultId_; }

    Form& form() { return form_; }
    HWND window() const { return window_; }

private:
    HWND createOne(Control& control, int id);
    void configure(Control& control, HWND hwnd);
    void push(const Control& control);
    void pushList(const ListControl& list, HWND hwnd);
    void pushSortMarks(const ListControl& list, HWND hwnd);
    bool handleCommand(int id, int code, HWND control);
    bool handleNotify(NMHDR& header, LRESULT& result);
    bool handleScroll(int code, int position, HWND control);
    void focusWanted(HWND hwnd);

    Form& form_;
    HWND window_;
    std::map<const Control*, HWND> handles_;
    std::map<HWND, Control*> controls_;
    // What each list and drop-down showed when last pushed, so a change of
    // selection does not refill them.
    struct ListShown {
        std::uint64_t rows = 0;   // the rows, refilled when they change
        std::uint64_t cells = 0;  // texts filled in where their rows stand
        std::uint64_t marks = 0;  // the columns' sort marks
    };
    std::map<const Control*, ListShown> listsShown_;
    std::map<const Control*, std::vector<std::string>> choiceEntries_;
    bool highlightSet_ = false;
    COLORREF highlightBack_ = 0;
    COLORREF highlightText_ = 0;
    int defaultId_ = 0;
    Control* cancel_ = nullptr;
    bool pushing_ = false;
    bool refocusing_ = false;
};

// A control id for each bound control; ids start here so they never clash
// with IDOK / IDCANCEL and friends.
constexpr int kFirstBoundControlId = 1000;

}  // namespace quellar::ui
