#include "features/preview/previewwindow_win.h"

#include <commctrl.h>

#include "backup/regexport_win.h"
#include "core/effects.h"
#include "core/regops.h"
#include "win/dpi_win.h"
#include "win/regops_win.h"

namespace quellar::features {

namespace {
constexpr int kMargin = 10;
constexpr int kButtonWidth = 96;
constexpr int kButtonHeight = 25;
constexpr int kMinimumWidth = 520;
constexpr int kMinimumHeight = 240;
const DWORD kFramedStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_CLIPCHILDREN;
}  // namespace

PreviewWindow::PreviewWindow(ui::FeatureHost& host)
    : ui::FeatureWindow(host, "frmPreview", "Preview", kPreviewClient, previewControls()) {}

PreviewWindow::~PreviewWindow() {
    unload();
}

void PreviewWindow::onLoad() {
    pane_ = std::make_unique<PreviewPane>(form(), [this] { close(); });
    pane_->onExport = [this](const PreviewRequest& request) { exportFile(request); };
    // A window of its own, with a caption and a sizing border, rather than
    // a page of the main window's child area.
    SetWindowLongA(hwnd(), GWL_STYLE, static_cast<LONG>(kFramedStyle));
}

void PreviewWindow::onControlsMade() {
    HWND list = binder().handleOf(form()["lstPreview"]);
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_INFOTIP, LVS_EX_INFOTIP);
}

void PreviewWindow::onUnload() {
    pane_.reset();
}

void PreviewWindow::open(PreviewRequest request) {
    if (!load()) return;
    const std::string title = request.title.empty() ? std::string("Preview") : request.title;
    pane_->show(std::move(request), win::currentValueOf);
    SetWindowTextA(hwnd(), title.c_str());
    const int clientWidth = win::scaled(kPreviewClient.width), clientHeight = win::scaled(kPreviewClient.height);
    RECT frame{0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&frame, kFramedStyle, FALSE, 0);
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    RECT owner{};
    HWND host = host_.hostHandle();
    if (!host || !GetWindowRect(host, &owner)) owner = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    const int x = owner.left + ((owner.right - owner.left) - width) / 2;
    const int y = owner.top + ((owner.bottom - owner.top) - height) / 2;
    SetWindowPos(hwnd(), HWND_TOP, x > 0 ? x : 0, y > 0 ? y : 0, width, height, SWP_FRAMECHANGED | SWP_SHOWWINDOW);
    layOut(clientWidth, clientHeight);
    SetFocus(binder().handleOf(form()["lstPreview"]));
}

void PreviewWindow::exportFile(const PreviewRequest& request) {
    const std::uintptr_t owner = reinterpret_cast<std::uintptr_t>(hwnd());
    const std::string path =
        effects().chooseSaveFile ? effects().chooseSaveFile(owner, backup::suggestedExportName(request.exportWhat)) : "";
    if (path.empty()) return;
    const backup::ExportResult result = backup::exportRegistryFile(path, request.operations, request.exportWhat);
    if (!result.ok) {
        effects().messageBox(owner, result.problem, kMessageCaption, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    effects().messageBox(owner,
                         "Saved " + request.exportWhat + " to " + path +
                             ".\r\nNothing was written to the registry. \"regedit /s\" with this file writes the same "
                             "values on any Windows of the same family.",
                         kMessageCaption, MB_OK | MB_ICONINFORMATION);
}

void PreviewWindow::close() {
    if (isLoaded()) ShowWindow(hwnd(), SW_HIDE);
}

void PreviewWindow::layOut(int clientWidth, int clientHeight) {
    // Laid out in designed pixels on the client area as the design sees it,
    // then scaled to the display's.
    auto place = [this](const char* name, int x, int y, int w, int h) {
        const RECT r = win::scaledRect(x, y, w > 0 ? w : 0, h > 0 ? h : 0);
        if (HWND control = binder().handleOf(form()[name]))
            MoveWindow(control, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
    };
    const int width = win::unscaled(clientWidth), height = win::unscaled(clientHeight);
    const int buttonsTop = height - kMargin - kButtonHeight;
    place("lblHeading", kMargin, 8, width - 2 * kMargin, 32);
    place("lstPreview", kMargin, 44, width - 2 * kMargin, buttonsTop - 8 - 44);
    place("lblSummary", kMargin, buttonsTop + 4, width - 4 * kMargin - 3 * kButtonWidth, 16);
    place("cmdExport", width - 3 * kMargin - 3 * kButtonWidth, buttonsTop, kButtonWidth, kButtonHeight);
    place("cmdClose", width - kMargin - kButtonWidth, buttonsTop, kButtonWidth, kButtonHeight);
    place("cmdCarryOut", width - 2 * kMargin - 2 * kButtonWidth, buttonsTop,
          kButtonWidth, kButtonHeight);
}

bool PreviewWindow::onMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
    case WM_SIZE:
        if (pane_) layOut(LOWORD(lParam), HIWORD(lParam));
        break;
    case WM_GETMINMAXINFO: {
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        info->ptMinTrackSize.x = win::scaled(kMinimumWidth);
        info->ptMinTrackSize.y = win::scaled(kMinimumHeight);
        result = 0;
        return true;
    }
    case WM_CLOSE:
        close();
        result = 0;
        return true;
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (pane_ && header && header->code == LVN_GETINFOTIPA) {
            // The full key path of a row, which the list shows shortened.
            auto* tip = reinterpret_cast<NMLVGETINFOTIPA*>(lParam);
            const std::string full = pane_->fullKey(tip->iItem);
            if (tip->pszText && tip->cchTextMax > 0) lstrcpynA(tip->pszText, full.c_str(), tip->cchTextMax);
            result = 0;
            return true;
        }
        break;
    }
    default:
        break;
    }
    return ui::FeatureWindow::onMessage(msg, wParam, lParam, result);
}

}  // namespace quellar::features
