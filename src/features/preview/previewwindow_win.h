#pragma once
// The preview window: a skinned, sizable window owned by the main window
// that shows what an apply or a restore would write, and carries it out on
// request. It writes nothing itself.
#include <memory>

#include "core/preview.h"
#include "features/preview/previewpane.h"
#include "ui/form/featurewindow_win.h"

namespace quellar::features {

class PreviewWindow : public ui::FeatureWindow {
public:
    explicit PreviewWindow(ui::FeatureHost& host);
    ~PreviewWindow() override;

    // Fills the window from `request` with the values as they are now and
    // shows it in front of its owner.
    void open(PreviewRequest request);
    void close();
    bool isOpen() const { return isLoaded() && IsWindowVisible(hwnd()); }

    // Only while loaded.
    PreviewPane& pane() { return *pane_; }

protected:
    bool ownWindow() const override { return true; }
    void onLoad() override;
    void onControlsMade() override;
    void onUnload() override;
    bool onMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void layOut(int width, int height);
    // The Save As box, then the file; the user is told where it went.
    void exportFile(const PreviewRequest& request);

    std::unique_ptr<PreviewPane> pane_;
};

}  // namespace quellar::features
