#pragma once
// Our scrolling line graph: newest sample at the right edge, older ones
// moving left, a light grid, the line in the model's colour, the zoom as the
// vertical scale (core/form.h, graphRow). It draws from its GraphControl
// model through an off-screen bitmap, so it never flickers, and it does no
// drawing work at all while it is not on screen.
#include <windows.h>

#include "core/form.h"

namespace quellar::ui {

extern const char* const kGraphClass;

struct GraphColours {
    COLORREF background = RGB(0, 0, 0);
    COLORREF grid = RGB(0, 64, 0);
};

// Registers the class once; CreateWindow with kGraphClass then makes a graph.
void registerGraphClass();

// Connects a graph window to its model (nullptr disconnects).
void attachGraph(HWND graph, const GraphControl* model);
// The model changed: repaints when the graph is on screen, else only notes it.
void graphChanged(HWND graph);
void setGraphColours(HWND graph, const GraphColours& colours);

// How many times the graph has drawn itself (tests check that a hidden one
// does not).
int graphPaintCount(HWND graph);

}  // namespace quellar::ui
