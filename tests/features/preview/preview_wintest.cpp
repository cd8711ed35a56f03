#include <doctest/doctest.h>

#include <string>

#include "app/mainwindow_win.h"
#include "backup/apply_win.h"
#include "win/regops_win.h"
#include "core/osversion.h"
#include "core/regfile.h"
#include "features/wizard/wizardmode_win.h"
#include "support/faceclick_win.h"
#include "support/pump_win.h"
#include "support/regsandbox_win.h"
#include "support/screenshot_win.h"
#include "support/tuningsandbox_win.h"
#include "win/effects_win.h"
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
        app::MainWindow main;
        main.tray().notify = [](DWORD, NOTIFYICONDATAA*) { return TRUE; };
        REQUIRE(main.start());
        winVersion = static_cast<std::int16_t>(version);
        clickFaceButton(main.facePlayer(), "IDC_FS_wizardMode");
        auto& wizard = static_cast<features::WizardModeWindow&>(main.feature(app::kWizardMode));
        auto click = [&](const char* name, int index = -1) {
            SendMessageA(wizard.binder().handleOf(wizard.form().get(name, index)), BM_CLICK, 0, 0);
        };
        click("optMode", 1);
        const RegSnapshot before = snapshotRegistry();

        click("cmdPreview");
        features::PreviewWindow* preview = main.previewWindow();
        REQUIRE(preview);
        REQUIRE(preview->isOpen());
        const Preview shown = preview->pane().preview();
        CHECK(shown.rows.size() > 10);
        CHECK(win::windowText(preview->binder().handleOf(preview->form()["lblSummary"])) == shown.summary());
        if (version == 7 && !screenshotFolder().empty()) {
            waitForStillScreen(preview->hwnd());
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
        const Preview reread = buildPreview(backup::plannedTuningOperations(), win::currentValueOf);
        REQUIRE(reread.rows.size() == shown.rows.size());
        for (std::size_t i = 0; i < shown.rows.size(); ++i) {
            CAPTURE(shown.rows[i].key + "\\" + shown.rows[i].valueName);
            CHECK(reread.rows[i].now == (shown.rows[i].after == kRemoved ? kAbsent : shown.rows[i].after));
        }
        CHECK(reread.changing == 0);
        CHECK(messages.entries.empty());
    }
}

namespace {

// Making pictures only: the real Save As box, photographed and cancelled
// from a timer inside its own message loop.
HWND g_saveBox = nullptr;
BOOL CALLBACK findSaveBox(HWND hwnd, LPARAM) {
    char cls[16] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    if (std::string(cls) != "#32770" || !IsWindowVisible(hwnd)) return TRUE;
    g_saveBox = hwnd;
    return FALSE;
}
void CALLBACK photographSaveBox(HWND, UINT, UINT_PTR id, DWORD) {
    g_saveBox = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), findSaveBox, 0);
    if (!g_saveBox) return;
    KillTimer(nullptr, id);
    saveScreenshot(g_saveBox, screenshotFolder() + "\\export-save-as.bmp");
    PostMessageA(g_saveBox, WM_COMMAND, IDCANCEL, 0);
}

}  // namespace

TEST_CASE("Export... on a preview saves the same writes as a registry file through the Save As box; the registry keeps") {
    namespace samples = backupsamples;
    RegistrySandbox sandbox;
    ScratchProgramFolder folder("preview-export");
    MessageLog messages;
    putSamples(samples::valuesNt(), {});
    putSamples(samples::adapterNamesNt(), {});
    app::MainWindow main;
    main.tray().notify = [](DWORD, NOTIFYICONDATAA*) { return TRUE; };
    REQUIRE(main.start());
    winVersion = 7;
    clickFaceButton(main.facePlayer(), "IDC_FS_wizardMode");
    auto& wizard = static_cast<features::WizardModeWindow&>(main.feature(app::kWizardMode));
    SendMessageA(wizard.binder().handleOf(wizard.form().get("optMode", 4)), BM_CLICK, 0, 0);  // Automatic-E
    SendMessageA(wizard.binder().handleOf(wizard.form()["cmdPreview"]), BM_CLICK, 0, 0);
    features::PreviewWindow* preview = main.previewWindow();
    REQUIRE(preview);
    // The adapters' keys by their names.
    bool named = false;
    for (const ListControl::Row& row : preview->form().list("lstPreview").rows())
        named = named || row.cells[1] == "Local Area Connection ({1A2B})";
    CHECK(named);
    HWND exportButton = preview->binder().handleOf(preview->form()["cmdExport"]);
    REQUIRE(IsWindowVisible(exportButton));

    if (!screenshotFolder().empty()) {
        waitForStillScreen(preview->hwnd());
        saveScreenshot(preview->hwnd(), screenshotFolder() + "\\preview-export.bmp");
        // The real box, from the effects the program installs.
        EffectsOverride keep;
        win::installWin32Effects();
        SetTimer(nullptr, 0, 500, photographSaveBox);
        SendMessageA(exportButton, BM_CLICK, 0, 0);
    }
    // (The real box keeps its own history in the registry.)
    const RegSnapshot before = snapshotRegistry();

    std::vector<std::string> suggested;
    const std::string file = folder.path() + "\\Automatic-E.reg";
    effects().chooseSaveFile = [&](std::uintptr_t, const std::string& name) {
        suggested.push_back(name);
        return suggested.size() == 1 ? std::string() : file;  // cancelled the first time
    };
    SendMessageA(exportButton, BM_CLICK, 0, 0);
    CHECK(readFile(file).empty());
    CHECK(messages.entries.empty());
    SendMessageA(exportButton, BM_CLICK, 0, 0);
    CHECK(suggested == std::vector<std::string>{"Automatic-E on Windows XP.reg", "Automatic-E on Windows XP.reg"});
    std::string saved = readFile(file);
    const std::size_t comment = saved.find("\r\n; Quellar ");
    REQUIRE(comment == std::string("REGEDIT4\r\n").size());
    CHECK(saved.find("Automatic-E on Windows XP, written ") != std::string::npos);
    saved.erase(comment + 2, saved.find("\r\n", comment + 2) - comment);
    CHECK(saved == regFileText(backup::plannedTuningOperations(), ""));
    REQUIRE(messages.entries.size() == 1);
    CHECK(messages.entries[0].text.find("Saved Automatic-E on Windows XP to " + file) == 0);
    CHECK(snapshotRegistry() == before);
    CHECK(folder.backupFiles().empty());
}
