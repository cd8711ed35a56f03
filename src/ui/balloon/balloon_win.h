#pragma once
// The balloon message window: a borderless window cut to a speech balloon
// (rounded body, optional pointer, soft shadow) with one of three panels:
//  - MsgAuto_box: a topmost notice that closes itself after some seconds or
//    by its close image; returns at once;
//  - msg_Box: a modal question with up to three buttons and a check box;
//  - input_box: a modal text prompt with OK, Cancel and a check box.
//
// There is one window per process, reached through msgFrm(). The modal
// boxes run their own message loop and disable no other window; while one
// of them is up, a further call of any of the three returns at once without
// showing anything (0 or an empty text), so the shared window is never
// re-entered. A modal box replaces an open notice.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "ui/balloon/balloon.h"
#include "win/window_win.h"

namespace quellar::msgbox {

// Window classes, so tests and tools can find the window and its parts.
extern const char* const kMsgFrmClass;
extern const char* const kMsgPanelClass;
extern const char* const kMsgCloseClass;

// Control ids inside the panel.
enum MsgControlId : int {
    kIdTitle = 100,
    kIdMessage = 101,
    kIdButton1 = 110,  // msg_Box: cmd1(0); cmd1(1) and cmd1(2) follow
    kIdButton2 = 111,
    kIdButton3 = 112,
    kIdCheck = 120,    // Check1 / Check2
    kIdText = 130,     // input_box's text box
    kIdInputCancel = 140,
    kIdInputOk = 141,
    kIdClose = 150,    // the notice's close image
};

// The notice's countdown timer on the balloon window.
constexpr UINT_PTR kTimer1 = 1;

class MsgFrm : public win::Window {
public:
    MsgFrm();
    ~MsgFrm() override;

    std::string MsgAuto_box(const std::string& mPrompt, long mFlags, const std::string& mCaption, short nTime,
                            bool NoPointer, COLORREF mColor, float X, float Y, short Intensity);
    short msg_Box(const std::string& mPrompt, long mFlags, const std::string& mCaption, bool NoPointer,
                  const std::string& CheckboxTxt, const std::string& Btn1, const std::string& Btn2,
                  const std::string& Btn3, COLORREF mColor, float X, float Y, short Intensity);
    std::string input_box(const std::string& mPrompt, long mFlags, const std::string& mCaption,
                          const std::string& DefaultText, bool NoPointer, const std::string& CheckboxTxt,
                          COLORREF mColor, float X, float Y, short Intensity);

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
    void onTimer(UINT_PTR id) override;
    void onDestroy() override;

private:
    class PanelWindow;
    class CloseImage;
    friend class PanelWindow;
    friend class CloseImage;

    struct Request {
        Panel kind = Panel::AutoBox;
        std::string prompt, caption, checkText, defaultText;
        std::vector<ButtonEntry> buttons;
        long flags = 0;
        bool noPointer = false;
        COLORREF color = 0;
        float x = 0, y = 0;
        short intensity = 0;

        // What the three boxes share: panel, texts, flags and placement.
        static Request common(Panel kind, const std::string& prompt, long flags,
                              const std::string& caption, bool noPointer, COLORREF color, float x,
                              float y, short intensity) {
            Request r;
            r.kind = kind;
            r.prompt = prompt;
            r.flags = flags;
            r.caption = caption;
            r.noPointer = noPointer;
            r.color = color;
            r.x = x;
            r.y = y;
            r.intensity = intensity;
            return r;
        }
    };

    void show(const Request& request);
    bool ensureWindow();
    void buildPanel(const Request& request);
    void drawBalloon(bool noPointer, Point target, int intensity);
    void captureShadow();
    void applyRegion(bool withPointer, bool withShadow);
    void onPaint(HDC dc) override;
    void runModal();
    void finish(short code);
    void startDrag();
    void setCloseCell(int cell);
    void drawIcon(HDC dc, int cell, int x, int y) const;
    void pressButton(int id);
    int enterTarget() const;
    bool checkTicked() const;

    Panel kind_ = Panel::AutoBox;
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
MsgFrm& msgFrm();

}  // namespace quellar::msgbox
