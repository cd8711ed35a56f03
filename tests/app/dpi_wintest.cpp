#include <doctest/doctest.h>

#include <string>
#include <vector>

#include "app/mainwindow_win.h"
#include "features/advanced/advancedmode_win.h"
#include "features/wizard/wizardmode_win.h"
#include "support/faceclick_win.h"
#include "support/pump_win.h"
#include "support/regsandbox_win.h"
#include "support/screenshot_win.h"
#include "support/textfit_win.h"
#include "support/tuningsandbox_win.h"
#include "ui/balloon/balloon_win.h"
#include "win/dpi_win.h"

using namespace quellar;
using namespace quellar::app;
using namespace quellar::ui;
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
        if (ui::balloon().isOpen()) ui::balloon().unload();
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
        expectWhole(cutFaceTexts(s.main.facePlayer()), "the home panel");
        clickFaceButton(s.main.facePlayer(), "IDC_FS_about");
        CHECK(s.main.facePlayer().state().panel() == "about");
        expectWhole(cutFaceTexts(s.main.facePlayer()), "the About card");

        for (int i = 0; i < kFeatureCount; ++i) {
            const auto index = static_cast<FeatureIndex>(i);
            s.main.openFeature(index);
            FeatureWindow& window = s.main.feature(index);
            const std::string name = window.name();
            expectWhole(cutTexts(skin, window.hwnd()), name);
            if (index == kAdvancedMode) {
                auto& advanced = static_cast<features::AdvancedModeWindow&>(window).advanced();
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
        REQUIRE(pumpUntil([] { return ui::balloon().isOpen(); }, 3000));
        expectWhole(cutTexts(skin, ui::balloon().hwnd()), "the notice after an apply");
    }
}

TEST_CASE("the text-fit check finds a label and a box declared too narrow for their texts") {
    StartedAt s(120);
    static const std::vector<ControlDecl> tooNarrow = {
        {ControlKind::SkinLabel, "lblRecommended", "Recommended value for HTTP 1.1  :", {8, 8, 120, 16}},
        {ControlKind::CheckBox, "chkRoomy", "Fits", {8, 30, 120, 18}},
        {ControlKind::TextBox, "txtNarrow", "7200000", {8, 52, 36, 21}},
    };
    struct TestWindow : FeatureWindow {
        using FeatureWindow::FeatureWindow;
    } window(s.main, "frmTooNarrow", "", PixelRect{0, 0, 200, 80}, tooNarrow);
    REQUIRE(window.load());
    ShowWindow(window.hwnd(), SW_SHOW);
    const std::vector<std::string> cuts = cutTexts(s.main.skin(), window.hwnd());
    REQUIRE(cuts.size() == 2);
    CHECK(cuts[0].find("Recommended value for HTTP 1.1") != std::string::npos);
    CHECK(cuts[1].find("7200000") != std::string::npos);
}

TEST_CASE("at 120 dpi the main window is 905 x 675, the face answers where it draws, and the Wizard applies as at 96") {
    std::vector<RegSnapshot> applied;
    for (int dpi : {96, 120}) {
        CAPTURE(dpi);
        StartedAt s(dpi);
        RECT client;
        GetClientRect(s.main.hwnd(), &client);
        CHECK(client.right == win::scaled(724));
        CHECK(client.bottom == win::scaled(540));
        if (dpi == 120) CHECK((client.right == 905 && client.bottom == 675));

        // Clicks where the side bar's items are drawn.
        clickFaceButton(s.main.facePlayer(), "IDC_FS_ramConfig");
        CHECK(s.main.hostedFeature() == kRamConfiguration);
        RECT area;
        GetClientRect(s.main.childArea(), &area);
        CHECK(area.right == win::scaled(440));
        clickFaceButton(s.main.facePlayer(), "IDC_FS_wizardMode");
        REQUIRE(s.main.hostedFeature() == kWizardMode);

        FeatureWindow& wizard = s.main.feature(kWizardMode);
        click(wizard, "optMode", 4);
        click(wizard, "cmdOptimize");
        CHECK(s.folder.backupFiles() == std::vector<std::string>{"001.BCK"});
        CHECK(s.messages.entries.empty());
        CHECK(s.main.facePlayer().state().panel() == "home");
        applied.push_back(snapshotRegistry());
    }
    CHECK(applied[0] == applied[1]);
}

TEST_CASE("a main window too large for the work area is laid out at the largest dpi that fits") {
    // 1024 x 768 with a 30-pixel task bar.
    CHECK(win::fittingDpi(120, 724, 540, 1024, 738) == 120);
    CHECK(win::fittingDpi(144, 724, 540, 1024, 738) == 131);
    CHECK(MulDiv(540, 131, 96) <= 738);
    CHECK(win::fittingDpi(96, 724, 540, 640, 450) == 96);
}

TEST_CASE("screenshot: the main window at 120 dpi, the Wizard opened from the side bar") {
    const std::string folder = screenshotFolder();
    if (folder.empty()) return;
    StartedAt s(120);
    clickFaceButton(s.main.facePlayer(), "IDC_FS_wizardMode");
    click(s.main.feature(kWizardMode), "optMode", 4);
    waitForStillScreen(s.main.hwnd());
    saveScreenshot(s.main.hwnd(), folder + "\\main-window-120dpi.bmp");
}
