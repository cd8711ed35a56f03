#include "ui/graph/graph_win.h"

#include <vector>

#include "win/window_win.h"

namespace quellar::ui {

const char* const kGraphClass = "QuellarGraph";

namespace {

constexpr int kGridStep = 12;  // pixels between horizontal grid lines
constexpr unsigned long long kSamplesPerGridLine = 5;

struct GraphState {
    const GraphControl* model = nullptr;
    GraphColours colours;
    int paints = 0;
};

GraphState* stateOf(HWND hwnd) {
    return reinterpret_cast<GraphState*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

COLORREF toColorRef(std::uint32_t rgb) {
    return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

void draw(HDC dc, const RECT& r, const GraphState& state) {
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    HBRUSH back = CreateSolidBrush(state.colours.background);
    FillRect(dc, &r, back);
    DeleteObject(back);

    HPEN gridPen = CreatePen(PS_SOLID, 1, state.colours.grid);
    HGDIOBJ oldPen = SelectObject(dc, gridPen);
    // Vertical lines stand at every fifth sample and scroll with them, as on
    // a chart recorder.
    const int capacity = state.model ? state.model->capacity() : 60;
    const double step = static_cast<double>(width - 1) / (capacity > 1 ? capacity - 1 : 1);
    const unsigned long long newest = state.model ? state.model->samplesSet() : 0;
    for (int age = 0; age < capacity; ++age) {
        if ((newest + static_cast<unsigned long long>(capacity) - static_cast<unsigned long long>(age)) % kSamplesPerGridLine != 0) continue;
        const int x = static_cast<int>((width - 1) - age * step + 0.5);
        MoveToEx(dc, x, 0, nullptr);
        LineTo(dc, x, height);
    }
    for (int y = height - 1; y >= 0; y -= kGridStep) {
        MoveToEx(dc, 0, y, nullptr);
        LineTo(dc, width, y);
    }
    SelectObject(dc, oldPen);
    DeleteObject(gridPen);

    if (!state.model || state.model->samples().empty() || width < 2) return;
    // The full width holds `capacity` samples; the newest stands at the
    // right edge.
    const auto& samples = state.model->samples();
    std::vector<POINT> points;
    points.reserve(samples.size());
    const int count = static_cast<int>(samples.size());
    for (int i = 0; i < count; ++i) {
        const double x = (width - 1) - (count - 1 - i) * step;
        const int row = graphRow(samples[static_cast<std::size_t>(i)], state.model->zoom(), height);
        points.push_back({static_cast<LONG>(x + 0.5), static_cast<LONG>(height - 1 - row)});
    }
    HPEN linePen = CreatePen(PS_SOLID, 1, toColorRef(state.model->lineColour()));
    oldPen = SelectObject(dc, linePen);
    // A polyline leaves out its last pixel: the newest sample gets its own.
    if (points.size() > 1) Polyline(dc, points.data(), static_cast<int>(points.size()));
    SetPixel(dc, points.back().x, points.back().y, toColorRef(state.model->lineColour()));
    SelectObject(dc, oldPen);
    DeleteObject(linePen);
}

LRESULT CALLBACK graphProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_NCCREATE:
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new GraphState));
        break;
    case WM_NCDESTROY:
        delete stateOf(hwnd);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        break;
    case WM_ERASEBKGND:
        return 1;  // the paint covers everything
    case WM_PAINT:
    case WM_PRINTCLIENT: {
        PAINTSTRUCT ps{};
        HDC dc = msg == WM_PAINT ? BeginPaint(hwnd, &ps) : reinterpret_cast<HDC>(wParam);
        if (GraphState* state = stateOf(hwnd)) {
            RECT r;
            GetClientRect(hwnd, &r);
            HDC memory = CreateCompatibleDC(dc);
            HBITMAP bitmap = CreateCompatibleBitmap(dc, r.right > 0 ? r.right : 1, r.bottom > 0 ? r.bottom : 1);
            if (memory && bitmap) {
                HGDIOBJ old = SelectObject(memory, bitmap);
                draw(memory, r, *state);
                BitBlt(dc, 0, 0, r.right, r.bottom, memory, 0, 0, SRCCOPY);
                SelectObject(memory, old);
            } else {
                draw(dc, r, *state);
            }
            if (bitmap) DeleteObject(bitmap);
            if (memory) DeleteDC(memory);
            ++state->paints;
        }
        if (msg == WM_PAINT) EndPaint(hwnd, &ps);
        return 0;
    }
    default:
        break;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace

void registerGraphClass() {
    win::registerClassOnce(kGraphClass, graphProc, CS_HREDRAW | CS_VREDRAW);
}

void attachGraph(HWND graph, const GraphControl* model) {
    if (GraphState* state = stateOf(graph)) state->model = model;
}

void graphChanged(HWND graph) {
    GraphState* state = stateOf(graph);
    if (!state) return;
    // A hidden graph (or one inside a hidden window) paints nothing: it
    // draws the current samples when it comes back on screen.
    if (IsWindowVisible(graph)) InvalidateRect(graph, nullptr, FALSE);
}

void setGraphColours(HWND graph, const GraphColours& colours) {
    if (GraphState* state = stateOf(graph)) {
        state->colours = colours;
        if (IsWindowVisible(graph)) InvalidateRect(graph, nullptr, FALSE);
    }
}

int graphPaintCount(HWND graph) {
    GraphState* state = stateOf(graph);
    return state ? state->paints : 0;
}

}  // namespace quellar::ui
