#include <doctest/doctest.h>

#include <string>

#include "app/mainwindow_win.h"
#include "backup/apply_win.h"
#include "core/osversion.h"
#include "features/advanced/advancedmode_win.h"
#include "backup/backup_win.h"
#include "ui/balloon/balloon_win.h"
#include "support/consolerun_win.h"
#include "support/faceclick_win.h"
#include "tuning/presets.h"
#include "support/keys_win.h"
#include "support/pump_win.h"
#include "support/regsandbox_win.h"
#include "support/screenshot_win.h"
#include "support/tuningsandbox_win.h"

using namespace quellar;
using namespace quellar::testing;

namespace {

// One adapter subkey, so the per-adapter values are written too.
void addAdapter(int version) {
    const std::string key = std::string(version >= 5 ? backupsamples::kInterfaces : backupsamples::kNetTrans) +
                            (version >= 5 ? "\\{ADAPTER-1}" : "\\0000");
    HKEY h = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr) ==
        ERROR_SUCCESS)
        RegCloseKey(h);
}

struct Hosted {
    app::MainWindow main;
    features::AdvancedModeWindow* window = nullptr;
    Hosted() {
        main.tray().notify = [](DWORD, NOTIFYICONDATAA*) { return TRUE; };
        REQUIRE(main.start());
        clickFaceButton(main.facePlayer(), "IDC_FS_normalMode");
        window = static_cast<features::AdvancedModeWindow*>(&main.feature(app::kAdvancedMode));
        REQUIRE(window->isLoaded());
        pumpMessages();
    }
    HWND handle(const char* name, int index = -1) {
        return window->binder().handleOf(window->form().get(name, index));
    }
    void click(const char* name, int index = -1) {
        SendMessageA(handle(name, index), BM_CLICK, 0, 0);
        pumpMessages();
    }
    std::string text(const char* name) { return win::windowText(handle(name)); }
    // Into the box as the user goes there, everything in it replaced by keys.
    void typeInto(const char* name, const std::string& keys) {
        SetFocus(handle(name));
        selectAllByKeys();
        typeText(keys);
    }
    bool shown(const char* name) { return IsWindowVisible(handle(name)) != FALSE; }
    // The message line, as the window shows it.
    std::string problemShown() { return shown("lblBoxProblem") ? text("lblBoxProblem") : ""; }
    void shot(const char* file) {
        if (screenshotFolder().empty()) return;
        waitForStillScreen(main.hwnd());
        saveScreenshot(main.hwnd(), screenshotFolder() + "\\" + file);
    }
};

}  // namespace

TEST_CASE("Advanced mode through its real controls writes exactly what an apply of its record writes") {
    for (int version : {3, 7}) {
        CAPTURE(version);
        tuning::TuningParams built;
        RegSnapshot afterFinish;
        {
            RegistrySandbox sandbox;
            ScratchProgramFolder folder("advanced");
            MessageLog messages;
            addAdapter(version);
            const RegSnapshot before = snapshotRegistry();
            Hosted h;
            winVersion = static_cast<std::int16_t>(version);  // start-up read Wine's own
            if (version == 7) h.shot("advanced-page0.bmp");
            h.click("optConnType", 2);  // DSL
            for (int i = 0; i < 3; ++i) h.click("cmdNextPage");
            SetWindowTextA(h.handle("txtMultiplier"), "22");
            CHECK(win::windowText(h.handle("txtRWIN")) == "127776");
            if (version == 7) h.shot("advanced-page3.bmp");
            h.click("cmdNextPage");
            if (version == 7) h.shot("advanced-page4.bmp");
            h.click("cmdNextPage");
            if (version == 7) h.shot("advanced-page5.bmp");
            h.click("cmdNextPage");
            RECT r;
            GetClientRect(h.handle("updwnDescision"), &r);
            // The lower half of the up-down: one step down, 2 to 1.
            SendMessageA(h.handle("updwnDescision"), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(r.right / 2, r.bottom * 3 / 4));
            SendMessageA(h.handle("updwnDescision"), WM_LBUTTONUP, 0, MAKELPARAM(r.right / 2, r.bottom * 3 / 4));
            CHECK(win::windowText(h.handle("txtSYNValue")) == "1");
            if (version == 7) h.shot("advanced-page6.bmp");
            h.click("cmdNextPage");
            h.click("chkICMPValue");
            h.click("cmdNextPage");  // Finish
            CHECK_FALSE(IsWindowEnabled(h.handle("cmdNextPage")));
            CHECK(messages.entries.empty());
            CHECK(folder.backupFiles() == std::vector<std::string>{"001.BCK"});
            built = tuning::currentTuning;
            CHECK(built.mss == 1452);
            CHECK(built.rwin == 127776);
            CHECK(built.synAttackProtect == 1);
            CHECK(built.icmpRedirects);
            afterFinish = snapshotRegistry();
            CHECK_FALSE(afterFinish == before);
        }
        // The same record applied directly on the same starting registry.
        RegistrySandbox sandbox;
        ScratchProgramFolder folder("advanced-direct");
        MessageLog messages;
        addAdapter(version);
        tuning::currentTuning = built;
        CHECK(backup::applyTuning() == backup::ApplyOutcome::Applied);
        CHECK(snapshotRegistry() == afterFinish);
    }
}

TEST_CASE("Advanced mode: Find measures the path to the typed host off the window's thread and fills MTU and MSS") {
    RegistrySandbox sandbox;
    MessageLog messages;
    Hosted h;
    h.click("optConnType", 0);  // dial-up: 576 and 536 in the boxes
    h.click("cmdNextPage");
    REQUIRE(win::windowText(h.handle("txtMTUValue")) == "576");
    SetWindowTextA(h.handle("txtMTUHost"), "127.0.0.1");
    h.click("cmdFindMTU");
    // Loopback carries far more than Ethernet: the largest size searched.
    CHECK(pumpUntil([&] { return IsWindowEnabled(h.handle("cmdFindMTU")) != FALSE; }, 30000));
    CHECK(win::windowText(h.handle("txtMTUValue")) == "1500");
    CHECK(win::windowText(h.handle("txtMSSValue")) == "1460");
    CHECK(win::windowText(h.handle("cmdFindMTU")) == "&Find");
    CHECK(messages.entries.empty());
    h.shot("advanced-page1.bmp");
}

TEST_CASE("screenshot: Advanced mode keeps what is typed with real keys, refuses a TTL of 256 with its message, and writes what was typed") {
    RegistrySandbox sandbox;
    ScratchProgramFolder folder("advanced-typed");
    MessageLog messages;
    addAdapter(7);
    Hosted h;
    winVersion = 7;
    const char* params = "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters";
    h.click("optConnType", 0);  // dial-up: MTU 576, MSS 536
    h.click("cmdNextPage");

    // Emptied with Backspace, then typed: nothing comes back in between.
    SetFocus(h.handle("txtMTUValue"));
    pressKey(VK_END);
    typeText("\b\b\b");
    CHECK(h.text("txtMTUValue").empty());
    typeText("1500");
    CHECK(h.text("txtMTUValue") == "1500");
    // Two boxes wrong at once (the MSS is judged by the MTU) do not pull the
    // keyboard to and fro: the box the user left keeps it.
    h.typeInto("txtMSSValue", "1000");
    h.typeInto("txtMTUValue", "abc");
    SetFocus(h.handle("txtMSSValue"));  // the user clicks into the MSS box
    settle();
    CHECK(GetFocus() == h.handle("txtMTUValue"));
    CHECK(h.problemShown() == "MTU: a whole number of bytes from 68 to 65535");
    selectAllByKeys();
    typeText("1500");
    h.typeInto("txtMSSValue", "500");
    h.click("cmdNextPage");
    h.click("cmdNextPage");
    // The receive window follows the MSS typed on Step 2: 500 x 3 x 4.
    CHECK(h.text("txtMSSRWINValue") == "500");
    CHECK(h.text("txtRWIN") == "6000");
    h.click("cmdNextPage");

    h.typeInto("txtHTTP11Value", "16");
    CHECK(h.text("txtHTTP11Value") == "16");
    const RegSnapshot before = snapshotRegistry();
    h.typeInto("txtTTLValue", "256");
    h.click("cmdNextPage");
    CHECK(h.shown("txtTTLValue"));  // Step 5 stays
    CHECK(h.problemShown() == "TTL: a whole number of hops from 1 to 255");
    CHECK(GetFocus() == h.handle("txtTTLValue"));
    const LRESULT selection = SendMessageA(h.handle("txtTTLValue"), EM_GETSEL, 0, 0);
    CHECK((LOWORD(selection) == 0 && HIWORD(selection) == 3));
    h.shot("advanced-refused.bmp");
    CHECK(snapshotRegistry() == before);
    CHECK(folder.backupFiles().empty());
    typeText("128");  // over the selected text
    CHECK(h.text("txtTTLValue") == "128");
    CHECK(h.problemShown().empty());
    h.click("cmdNextPage");
    CHECK(h.shown("txtKeepAliveTimeValue"));
    for (int i = 0; i < 3; ++i) h.click("cmdNextPage");  // to Finish
    CHECK(messages.entries.empty());
    CHECK(folder.backupFiles() == std::vector<std::string>{"001.BCK"});
    CHECK(tuning::currentTuning.maxConnPerServer == 16);
    CHECK(tuning::currentTuning.ttl == 128);
    CHECK(
        (tuning::currentTuning.mtu == 1500 && tuning::currentTuning.mss == 500 && tuning::currentTuning.rwin == 6000));
    CHECK(queryRaw(HKEY_LOCAL_MACHINE, params, "DefaultTTL").bytes == std::string("\x80\0\0\0", 4));
    CHECK(queryRaw(HKEY_CURRENT_USER, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet Settings",
                   "MaxConnectionsPerServer")
              .bytes == std::string("\x10\0\0\0", 4));
}

TEST_CASE("\"Windows default\" chosen in the Wizard, then Advanced Finish writes the values entered") {
    RegistrySandbox sandbox;
    ScratchProgramFolder folder("advanced-after-defaults");
    MessageLog messages;
    addAdapter(7);
    Hosted h;
    winVersion = 7;
    h.main.onFaceCommand("IDC_FS_wizardMode");
    ui::FeatureWindow& wizard = h.main.feature(app::kWizardMode);
    SendMessageA(
        wizard.binder().handleOf(wizard.form().get("optMode", static_cast<int>(tuning::kWindowsDefaultPreset))),
        BM_CLICK, 0, 0);
    REQUIRE(tuning::currentTuning.systemDefaults);
    h.main.onFaceCommand("IDC_FS_normalMode");
    h.window = static_cast<features::AdvancedModeWindow*>(&h.main.feature(app::kAdvancedMode));
    pumpMessages();
    for (int i = 0; i < 8; ++i) h.click("cmdNextPage");
    REQUIRE(folder.backupFiles() == std::vector<std::string>{"001.BCK"});
    const RegSnapshot written = snapshotRegistry();
    CHECK_FALSE(tuning::currentTuning.systemDefaults);
    const char* params = "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters";
    CHECK(queryRaw(HKEY_LOCAL_MACHINE, params, "DefaultTTL").bytes == std::string("\x40\0\0\0", 4));
    CHECK(queryRaw(HKEY_LOCAL_MACHINE, params, "TcpWindowSize").status == ERROR_SUCCESS);
    // What an apply of the entered values writes, and nothing removed.
    tuning::currentTuning.systemDefaults = false;
    CHECK(backup::applyTuning() == backup::ApplyOutcome::Applied);
    CHECK(snapshotRegistry() == written);
}

TEST_CASE("Advanced mode's MTU page: two adapters by name, one chosen, only its MTU and MSS written, the backup restoring both") {
    namespace samples = backupsamples;
    for (int version : {3, 7}) {
        CAPTURE(version);
        const bool nt = version >= 5;
        const tuning::Family family = nt ? tuning::Family::Nt : tuning::Family::Win9x;
        RegistrySandbox sandbox;
        ScratchProgramFolder folder("advanced-adapters");
        MessageLog messages;
        putSamples(nt ? samples::valuesNt() : samples::values9x(), {});
        putSamples(nt ? samples::adapterNamesNt() : samples::adapterNames9x(), {});
        const std::vector<samples::NamedAdapter> named = samples::namedAdapters(nt);
        const RegSnapshot prepared = snapshotRegistry();
        Hosted h;
        winVersion = static_cast<std::int16_t>(version);
        h.click("optConnType", 0);  // dial-up: MTU 576
        h.click("cmdNextPage");
        HWND choice = h.handle("cmbMTUAdapter");
        REQUIRE(SendMessageA(choice, CB_GETCOUNT, 0, 0) == 3);
        auto entry = [&](int i) {
            char text[256] = {};
            SendMessageA(choice, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
            return std::string(text);
        };
        CHECK(win::windowText(choice) == "All adapters");
        CHECK(entry(1) == named[0].name + (nt ? " (MTU 1500)" : " (MTU 576)"));
        CHECK(entry(2) == named[1].name + (nt ? " (MTU 2147483648)" : " (MTU 1500)"));
        // The second adapter, chosen from the keyboard.
        SetFocus(choice);
        SendMessageA(choice, WM_KEYDOWN, VK_DOWN, 0);
        SendMessageA(choice, WM_KEYDOWN, VK_DOWN, 0);
        CHECK(win::windowText(choice) == entry(2));
        if (nt) {
            SendMessageA(choice, CB_SHOWDROPDOWN, TRUE, 0);
            h.shot("advanced-mtu-adapters.bmp");
            SendMessageA(choice, CB_SHOWDROPDOWN, FALSE, 0);
        }
        for (int page = 1; page < 7; ++page) h.click("cmdNextPage");
        h.click("cmdNextPage");  // Finish
        REQUIRE(folder.backupFiles() == std::vector<std::string>{"001.BCK"});
        CHECK(tuning::currentTuning.mtuAdapters == std::vector<std::string>{named[1].subkey});
        // The notice names the adapter.
        pumpUntil([] { return ui::balloon().isOpen(); }, 5000);
        REQUIRE(ui::balloon().isOpen());
        CHECK(has(win::windowText(ui::balloon().control(ui::kIdMessage)),
                  "MTU and MSS for " + named[1].name + " (" + named[1].subkey + ") only"));
        ui::balloon().unload();
        const std::vector<RegistryOperation> writes = tuning::tuningOperations(
            tuning::currentTuning, family, win::subkeysOf(HKEY_LOCAL_MACHINE, tuning::perSubkeyParent(family)));
        CHECK_SAME_REGISTRY(carriedOut(prepared, writes), snapshotRegistry());
        const std::string firstKey = nt ? tuning::interfaceKey(named[0].subkey) : tuning::netTransKey(named[0].subkey);
        const std::string secondKey = nt ? tuning::interfaceKey(named[1].subkey) : tuning::netTransKey(named[1].subkey);
        const char* mtuName = nt ? "MTU" : "MaxMTU";
        CHECK(queryRaw(HKEY_LOCAL_MACHINE, firstKey, mtuName).bytes ==
              (nt ? testing::dwordBytes(1500) : szBytes("576")));  // untouched
        CHECK(win::currentValueOf({Hive::LocalMachine, secondKey, mtuName, 0, 0, false}).text == "576");

        const backup::RestoreResult restored = backup::restoreBackupFile(folder.backups() + "\\001.BCK", version);
        CHECK(restored.ok());
        CHECK(win::currentValueOf({Hive::LocalMachine, firstKey, mtuName, 0, 0, false}).text ==
              (nt ? "1500" : "576"));
        CHECK(win::currentValueOf({Hive::LocalMachine, secondKey, mtuName, 0, 0, false}).text ==
              (nt ? "2147483648" : "1500"));
    }
}
