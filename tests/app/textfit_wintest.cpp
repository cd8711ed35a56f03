#include <doctest/doctest.h>

#include <string>
#include <vector>

#include "app/mainwindow_win.h"
#include "features/advanced/advancedmode_win.h"
#include "features/wizard/wizardmode_win.h"
#include "support/faceclick_win.h"
#include "support/pump_win.h"
#include "support/regsandbox_win.h"
#include "support/textfit_win.h"
#include "support/tuningsandbox_win.h"
#include "ui/balloon/balloon_win.h"
#include "win/dpi_win.h"

using namespace quellar;
using namespace quellar::shell;
using namespace quellar::testing;

namespace {

// The program as it starts, at a dpi the test chose.
struct StartedAt {
    win::DpiOverride dpi;
    RegistrySandbox sandbox;
    ScratchProgramFolder folder{"textfit"};
    MessageLog messages;
    MainWindow main;

    explicit StartedAt(int chosen) : dpi(chosen) {
        main.endProcess = [] {};
        main.tray().notify = [](DWORD, NOTIFYICONDATAA*) { return TRUE; };
        REQUIRE(main.start());
        pumpMessages();
    }
    ~StartedAt() {
        if (msgbox::msgFrm().isOpen()) msgbox::msgFrm().unload();
    }
};

void expectWhole(const std::vector<std::string>& cuts, const std::string& where) {
    for (const std::string& cut : cuts) FAIL_CHECK(std::string(where + ": " + cut));
}

void click(FeatureWindow& window, const char* name, int index = -1) {
    SendMessageA(window.binder().handleOf(window.form().get(name, index)), BM_CLICK, 0, 0);
}

}  // namespace

TEST_CASE("every text of every window shows whole at 96, 120 and 144 dpi") {
    for (int dpi : {96, 120, 144}) {
        CAPTURE(dpi);
        StartedAt s(dpi);
        const SkinEngine& skin = s.main.skin();
        expectWhole(cutFaceTexts(s.main.flash()), "the home panel");
        clickFaceButton(s.main.flash(), "IDC_FS_about");
        CHECK(s.main.flash().state().panel() == "about");
        expectWhole(cutFaceTexts(s.main.flash()), "the About card");

        for (int i = 0; i < kFeatureCount; ++i) {
            const auto index = static_cast<FeatureIndex>(i);
            s.main.openFeature(index);
            FeatureWindow& window = s.main.feature(index);
            const std::string name = window.name();
            expectWhole(cutTexts(skin, window.hwnd()), name);
            if (index == kNormalMode) {
                auto& advanced = static_cast<tuning::AdvancedModeWindow&>(window).advanced();
                for (int page = 1; page < 8; ++page) {
                    advanced.next();
                    expectWhole(cutTexts(skin, window.hwnd()), name + " page " + std::to_string(page + 1));
                }
            }
        }

        // Every preset's summary, its preview, and the notice after an apply.
        s.main.openFeature(kWizardMode);
        FeatureWindow& wizard = s.main.feature(kWizardMode);
        for (int preset = 0; preset < 8; ++preset) {
            click(wizard, "optMode", preset);
            expectWhole(cutTexts(skin, wizard.hwnd()), "frmWizardMode preset " + std::to_string(preset + 1));
        }
        click(wizard, "optMode", 4);
        click(wizard, "cmdPreview");
        REQUIRE(s.main.previewWindow());
        expectWhole(cutTexts(skin, s.main.previewWindow()->hwnd()), "the preview");
        s.main.previewWindow()->close();
        click(wizard, "cmdOptimize");
        REQUIRE(pumpUntil([] { return msgbox::msgFrm().isOpen(); }, 3000));
        expectWhole(cutTexts(skin, msgbox::msgFrm().hwnd()), "the notice after an apply");
    }
}

TEST_CASE("the text-fit check finds a label declared too narrow for its text") {
    StartedAt s(120);
    static const std::vector<ControlDecl> tooNarrow = {
        {ControlKind::SkinLabel, "lblRecommended", "Recommended value for HTTP 1.1  :", {8, 8, 120, 16}},
        {ControlKind::CheckBox, "chkRoomy", "Fits", {8, 30, 120, 18}},
    };
    struct TestWindow : FeatureWindow {
        using FeatureWindow::FeatureWindow;
    } window(s.main, "frmTooNarrow", "", PixelRect{0, 0, 200, 60}, tooNarrow);
    REQUIRE(window.load());
    ShowWindow(window.hwnd(), SW_SHOW);
    const std::vector<std::string> cuts = cutTexts(s.main.skin(), window.hwnd());
    REQUIRE(cuts.size() == 1);
    CHECK(cuts[0].find("Recommended value for HTTP 1.1") != std::string::npos);
}
