#include "win/window_win.h"

#include "core/text.h"

#include <vector>

namespace quellar::win {

namespace {
const char* const kThisProp = "QuellarWindowThis";
}

HINSTANCE moduleInstance() {
    return GetModuleHandleA(nullptr);
}

Window::~Window() {
    destroy();
}

Window* Window::fromHandle(HWND hwnd) {
    return static_cast<Window*>(GetPropA(hwnd, kThisProp));
}

bool Window::create(const char* className, const char* title, DWORD style, DWORD exStyle,
                    int x, int y, int width, int height, HWND parent, HMENU menuOrId,
                    UINT classStyle, HBRUSH background, HICON icon, HICON smallIcon) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    if (!GetClassInfoExA(moduleInstance(), className, &wc)) {
        wc.cbSize = sizeof wc;
        wc.style = classStyle;
        wc.lpfnWndProc = &Window::staticProc;
        wc.hInstance = moduleInstance();
        wc.hIcon = icon;
        wc.hIconSm = smallIcon;
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.hbrBackground = background ? background : reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = className;
        if (!RegisterClassExA(&wc)) return false;
    }
    HWND made = CreateWindowExA(exStyle, className, title, style, x, y, width, height, parent,
                                menuOrId, moduleInstance(), this);
    return made != nullptr;
}

void registerClassOnce(const char* name, WNDPROC proc, UINT style, HBRUSH background) {
    WNDCLASSA wc{};
    if (GetClassInfoA(moduleInstance(), name, &wc)) return;
    wc.style = style;
    wc.lpfnWndProc = proc;
    wc.hInstance = moduleInstance();
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = background;
    wc.lpszClassName = name;
    RegisterClassA(&wc);
}

HWND rootWindowOf(HWND hwnd) {
    HWND w = hwnd;
    while (w && (GetWindowLongA(w, GWL_STYLE) & WS_CHILD)) {
        HWND parent = GetParent(w);
        if (!parent) break;
        w = parent;
    }
    return w;
}

void Window::destroy() {
    if (hwnd_ && IsWindow(hwnd_)) DestroyWindow(hwnd_);
    hwnd_ = nullptr;
}

void Window::setClientSize(int width, int height) {
    RECT r{0, 0, width, height};
    AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongA(hwnd_, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongA(hwnd_, GWL_EXSTYLE)));
    SetWindowPos(hwnd_, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CALLBACK Window::staticProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Window* self = fromHandle(hwnd);
    if (!self && msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
        self = static_cast<Window*>(cs->lpCreateParams);
        if (self) {
            self->hwnd_ = hwnd;
            SetPropA(hwnd, kThisProp, self);
        }
    }
    if (!self) return DefWindowProcA(hwnd, msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        RemovePropA(hwnd, kThisProp);
        LRESULT r = DefWindowProcA(hwnd, msg, wParam, lParam);
        if (self->hwnd_ == hwnd) self->hwnd_ = nullptr;
        return r;
    }
    return self->dispatch(msg, wParam, lParam);
}

LRESULT Window::dispatch(UINT msg, WPARAM wParam, LPARAM lParam) {
    try {
        LRESULT result = 0;
        if (onMessage(msg, wParam, lParam, result)) return result;
        switch (msg) {
        case WM_CREATE:
            return onCreate() ? 0 : -1;
        case WM_COMMAND:
            if (onCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam))) return 0;
            break;
        case WM_TIMER:
            onTimer(static_cast<UINT_PTR>(wParam));
            return 0;
        case WM_DESTROY:
            onDestroy();
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd_, &ps);
            onPaint(dc);
            EndPaint(hwnd_, &ps);
            return 0;
        }
        default:
            break;
        }
    } catch (...) {
        // A failed handler must not take the message loop down with it.
    }
    return DefWindowProcA(hwnd_, msg, wParam, lParam);
}

std::string windowText(HWND hwnd) {
    int length = GetWindowTextLengthA(hwnd);
    std::vector<char> buffer(static_cast<size_t>(length) + 1, '\0');
    GetWindowTextA(hwnd, buffer.data(), length + 1);
    return std::string(buffer.data());
}

std::string className(HWND hwnd) {
    char buffer[256] = {};
    GetClassNameA(hwnd, buffer, sizeof buffer);
    return buffer;
}

bool hasClass(HWND hwnd, const char* name) {
    return text::equalsIgnoreCase(className(hwnd), name);
}

}  // namespace quellar::win
