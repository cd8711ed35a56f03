#pragma once
// One base class for every window of the program: it binds `this` to the
// window handle and dispatches to a few virtual hooks, so a window overrides
// only what it uses. No C++ exception crosses a window procedure: one that
// escapes a hook is swallowed there (the message gets its default answer).
#include <windows.h>

#include <string>

namespace quellar::win {

class Window {
public:
    Window() = default;
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    HWND hwnd() const { return hwnd_; }

    // Registers `className` once per process (with this module's instance)
    // and creates the window. Returns false when the system refused. Icons
    // given here are the class's: the system takes them with the window,
    // where setting them on the window afterwards would convert each anew.
    bool create(const char* className, const char* title, DWORD style, DWORD exStyle,
                int x, int y, int width, int height, HWND parent, HMENU menuOrId = nullptr,
                UINT classStyle = CS_HREDRAW | CS_VREDRAW, HBRUSH background = nullptr,
                HICON icon = nullptr, HICON smallIcon = nullptr);

    void destroy();

    // Moves or sizes the window so its client area has the given size.
    void setClientSize(int width, int height);

    static Window* fromHandle(HWND hwnd);

protected:
    // The hooks. Return true when the message was handled; `result` then
    // goes back to the system.
    virtual bool onCreate() { return true; }
    virtual bool onCommand(int id, int code, HWND control) { (void)id; (void)code; (void)control; return false; }
    virtual void onTimer(UINT_PTR id) { (void)id; }
    virtual void onDestroy() {}
    // WM_PAINT, between BeginPaint and EndPaint; the default paints nothing
    // (what the system's default procedure does too).
    virtual void onPaint(HDC dc) { (void)dc; }
    // Anything else; called before the hooks above are consulted.
    virtual bool onMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
        (void)msg; (void)wParam; (void)lParam; (void)result;
        return false;
    }

private:
    static LRESULT CALLBACK staticProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT dispatch(UINT msg, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;
};

// This module's instance handle (the exe's, also inside the test programs).
HINSTANCE moduleInstance();

// Registers a plain window class of this module once (later calls find it
// there): the arrow cursor, and `background` (none: the window paints it
// all itself).
void registerClassOnce(const char* name, WNDPROC proc, UINT style = 0, HBRUSH background = nullptr);

// The top-level window `hwnd` sits in, up through its parents (not its
// owner); `hwnd` itself when it is no child. GetAncestor's GA_ROOT, which
// Windows 95 lacks.
HWND rootWindowOf(HWND hwnd);

std::string windowText(HWND hwnd);
std::string className(HWND hwnd);
// Whether the window is of class `name`, in any letter case.
bool hasClass(HWND hwnd, const char* name);

}  // namespace quellar::win
