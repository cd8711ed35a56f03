#pragma once
#include <memory>

#include "features/advanced/advancedmode.h"
#include "ui/form/featurehooks_win.h"

namespace quellar::features {

// frmNormalMode: the Advanced mode's eight pages; the host unloads it and
// loads it afresh on its first page each time the face asks for it.
class AdvancedModeWindow : public ui::AdvancedWindowBase {
public:
    explicit AdvancedModeWindow(ui::FeatureHost& host);
    ~AdvancedModeWindow() override;

    // Only while loaded.
    AdvancedMode& advanced() { return *advanced_; }

protected:
    void onLoad() override;
    void onUnload() override;
    void onControlsMade() override;
    // The end of a largest-MTU search, posted by its worker thread.
    bool onMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    struct MtuJob;
    // Where "Finish" writes the MTU and MSS, for the preview and the notice.
    std::string mtuTarget() const;
    std::unique_ptr<AdvancedMode> advanced_;
    std::shared_ptr<MtuJob> mtuJob_;  // the search under way, if any
    unsigned long mtuSerial_ = 0;
};

}  // namespace quellar::features
