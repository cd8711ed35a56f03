#pragma once
// The balloon message window: a borderless window cut to a speech balloon
// (rounded body, optional pointer, soft shadow) with one of three panels:
//  - show: a topmost notice that closes itself after some seconds or by its
//    close image; returns at once;
//  - ask: a modal question with up to three buttons and a check box;
//  - prompt: a modal text prompt with OK, Cancel and a check box.
//
// There is one window per process, reached through balloon(). The modal
// boxes run their own message loop and disable no other window; while one
// of them is up, a further call of any of the three returns at once without
// showing anything (0 or an empty text), so the shared window is never
// re-entered. A modal box replaces an open notice.
//
// balloon_win.cpp holds the window, its controls and what its boxes do;
// balloon_layout_win.cpp measures, places, cuts, shadows and paints it.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "core/timers.h"
#include "ui/balloon/balloon.h"
#include "win/window_win.h"

namespace quellar::ui {

// Window classes, so tests and tools can find the window and its parts.
extern const char* const kBalloonClass;
extern const char* const kBalloonPanelClass;
extern const char* const kBalloonCloseClass;

// Control ids inside the panel.
enum BalloonControlId : int {
    kIdTitle = 100,
    kIdMessage = 101,
    kIdButton1 = 110,  // the question's buttons, in order
    kIdButton2 = 111,
    kIdButton3 = 112,
    kIdCheck = 120,    // the question's or the prompt's check box
    kIdText = 130,     // the prompt's text box
    kIdPromptCancel = 140,
    kIdPromptOk = 141,
    kIdClose = 150,    // the notice's close image
};

class Balloon : public win::Window {
public:
    Balloon();
    ~Balloon() override;

    void show(const NoticeArgs& args);
    // The pressed button's code (plus 100 with the check box ticked); 0
    // when the box was closed without an answer or another box is up.
    short ask(const QuestionArgs& args);
    // The text (followed by kCheckedMark with the check box ticked); empty
    // for Cancel or when another box is up.
    std::string prompt(const PromptArgs& args);

    // What is on screen now, for the host and for tests.
    bool isOpen() const;
    bool modalRunning() const { return modal_; }
    Panel panel() const { return kind_; }
    PointerStyle pointerStyle() const { return placement_.style; }
    bool pointerShown() const { return pointerShown_; }
    int iconCell() const { return iconCell_; }
    int closeCell() const { return closeCell_; }
    HWND panelWindow() const;
    HWND control(int id) const;

    // Closes the notice (or a modal box, which then answers as if no button
    // had been pressed). Does nothing when nothing is open.
    void unload();

    // The two halves of a drag: the shape shrinks to the body while the
    // system moves the window, and afterwards the shadow is taken anew from
    // the screen at the new place (the pointer stays away).
    void reduceToBody();
    void refreshShadow();

protected:
    bool onMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    bool onCommand(int id, int code, HWND control) override;
    void onDestroy() override;

private:
    class PanelWindow;
    class CloseImage;
    friend class PanelWindow;
    friend class CloseImage;

    struct Request {
        Panel kind = Panel::Notice;
        BalloonArgs look;
        std::string checkText, defaultText;
        std::vector<ButtonEntry> buttons;
    };

    // The window, its controls and its answers (balloon_win.cpp).
    void open(const Request& request);
    void resetAnswer(const Request& request);
    bool ensureWindow();
    void focusFirstControl();
    void runModal();
    void finish(short code);
    void cancel();
    void startDrag();
    void pressButton(int id);
    int enterTarget() const;
    bool checkTicked() const;

    void buildPanel(const Request& request);
    void makeControls(const Request& request, HFONT font, HFONT bold);
    void setCloseCell(int cell);

    // Its layout, shape and paint (balloon_layout_win.cpp).
    HFONT titleFont();
    void measureTexts(const Request& request, HFONT font, HFONT bold);
    void placeAt(bool noPointer, Point target);
    void captureShadow();
    void applyRegion(bool withPointer, bool withShadow);
    bool onBody(int x, int y) const;
    void onPaint(HDC dc) override;
    void paintPointer(HDC dc) const;
    void drawIcon(HDC dc, int cell, int x, int y) const;
    void releaseShape();

    Panel kind_ = Panel::Notice;
    COLORREF color_ = kDefaultBalloonColor;
    int intensity_ = 0;
    int iconCell_ = 0;
    int closeCell_ = kCloseCellNormal;
    int defaultButton_ = 1;
    std::vector<ButtonEntry> buttons_;
    bool hasCheck_ = false;
    Metrics metrics_;
    PanelLayout layout_;
    Placement placement_;
    bool pointerShown_ = false;
    bool shadowShown_ = false;
    Timer countdown_;  // the notice's

    bool modal_ = false;
    bool done_ = false;
    short code_ = 0;
    bool cancelled_ = true;
    bool checked_ = false;
    std::string text_;

    HBRUSH colorBrush_ = nullptr;
    HFONT titleFont_ = nullptr;
    int titleFontDpi_ = 0;
    HBITMAP shadow_ = nullptr;
    std::vector<std::uint32_t> screenUnder_;  // the screen copy the shadow is made from
    RECT screenUnderRect_{};
    std::unique_ptr<PanelWindow> panelWindow_;
    std::unique_ptr<CloseImage> closeImage_;
};

// The process's one balloon window (made on first use).
Balloon& balloon();

}  // namespace quellar::ui
