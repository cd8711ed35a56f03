#include <doctest/doctest.h>

#include <string>

#include "app/mainwindow_win.h"
#include "backup/apply_win.h"
#include "win/regops_win.h"
#include "core/osversion.h"
#include "features/wizard/wizardmode_win.h"
#include "support/faceclick_win.h"
#include "support/pump_win.h"
#include "support/regsandbox_win.h"
#include "support/screenshot_win.h"
#include "support/tuningsandbox_win.h"
#include "win/window_win.h"

using namespace quellar;
using namespace quellar::testing;

namespace {

// The values that differ between two snapshots (new, changed or gone).
std::size_t changedValues(const RegSnapshot& a, const RegSnapshot& b) {
    std::size_t n = 0;
    for (const auto& [name, value] : b.values) {
        auto it = a.values.find(name);
        if (it == a.values.end() || it->second != value) ++n;
    }
    for (const auto& [name, value] : a.values) n += b.values.count(name) == 0;
    return n;
}

}  // namespace

TEST_CASE("the Wizard's preview writes nothing and shows exactly what the apply then writes") {
    for (int version : {3, 7}) {
        CAPTURE(version);
        RegistrySandbox sandbox;
        ScratchProgramFolder folder("preview");
        MessageLog messages;
        shell::MainWindow main;
        main.tray().notify = [](DWORD, NOTIFYICONDATAA*) { return TRUE; };
        REQUIRE(main.start());
        winVersion = static_cast<std::int16_t>(version);
        clickFaceButton(main.flash(), "IDC_FS_wizardMode");
        auto& wizard = static_cast<tuning::WizardModeWindow&>(main.feature(shell::kWizardMode));
        auto click = [&](const char* name, int index = -1) {
            SendMessageA(wizard.binder().handleOf(wizard.form().get(name, index)), BM_CLICK, 0, 0);
        };
        click("optMode", 1);
        const RegSnapshot before = snapshotRegistry();

        click("cmdPreview");
        shell::PreviewWindow* preview = main.previewWindow();
        REQUIRE(preview);
        REQUIRE(preview->isOpen());
        const preview::Preview shown = preview->pane().preview();
        CHECK(shown.rows.size() > 10);
        CHECK(win::windowText(preview->binder().handleOf(preview->form()["lblSummary"])) == shown.summary());
        if (version == 7 && !screenshotFolder().empty()) {
            pumpFor(300);
            saveScreenshot(preview->hwnd(), screenshotFolder() + "\\preview-wizard.bmp");
        }
        SendMessageA(preview->hwnd(), WM_COMMAND, IDCANCEL, 0);  // Escape
        CHECK_FALSE(preview->isOpen());
        CHECK(snapshotRegistry() == before);

        click("cmdPreview");
        SendMessageA(preview->binder().handleOf(preview->form()["cmdCarryOut"]), BM_CLICK, 0, 0);
        CHECK_FALSE(preview->isOpen());
        CHECK(folder.backupFiles() == std::vector<std::string>{"001.BCK"});
        const RegSnapshot after = snapshotRegistry();
        CHECK(changedValues(before, after) == shown.changing);
        // Read again now, every value holds what the preview said it would.
        const preview::Preview reread = preview::buildPreview(tuning::plannedTuningOperations(), tuning::currentValueOf);
        REQUIRE(reread.rows.size() == shown.rows.size());
        for (std::size_t i = 0; i < shown.rows.size(); ++i) {
            CAPTURE(shown.rows[i].key + "\\" + shown.rows[i].valueName);
            CHECK(reread.rows[i].now == (shown.rows[i].after == preview::kRemoved ? preview::kAbsent : shown.rows[i].after));
        }
        CHECK(reread.changing == 0);
        CHECK(messages.entries.empty());
    }
}
