#include <doctest/doctest.h>

#include "support/regsandbox_win.h"
#include "core/osversion.h"
#include "support/tuningsandbox_win.h"
#include "tuning/presets.h"
#include "features/wizard/wizardmode_win.h"

using namespace quellar;
using namespace quellar::testing;

namespace {

struct BareHost : ui::FeatureHost {
    int home = 0;
    void returnHome() override { ++home; }
    void skinFeatureWindow(ui::FeatureWindow&) override {}
    HWND hostHandle() const override { return nullptr; }
};

std::string dword(HKEY hive, const char* key, const char* name) {
    HKEY h;
    if (RegOpenKeyExA(hive, key, 0, KEY_READ, &h) != ERROR_SUCCESS) return "<no key>";
    DWORD value = 0, size = sizeof value, type = 0;
    LONG r = RegQueryValueExA(h, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(h);
    if (r != ERROR_SUCCESS) return "<none>";
    return type == REG_DWORD ? std::to_string(value) : "<type " + std::to_string(type) + ">";
}

}  // namespace

TEST_CASE("Wizard mode: summary from load on, option clicks, Optimize applies and goes home") {
    RegistrySandbox sandbox;
    ScratchProgramFolder folder("wizard");
    MessageLog messages;
    winVersion = 7;  // the NT family: REG_DWORD values
    BareHost host;
    int& home = host.home;
    features::WizardModeWindow window(host);
    REQUIRE(window.load());

    HWND summary = window.binder().handleOf(window.form()["lblModeDescrip"]);
    std::string shown = win::windowText(summary);
    CHECK(shown.rfind("MSS = 536\tMTU = 576\t\tICMP = False\r\n\r\n", 0) == 0);
    CHECK(tuning::currentTuning == tuning::tuningPresets[0]);

    // "Windows default", clicked on the real option button.
    SendMessageA(window.binder().handleOf(window.form().get("optMode", 7)), BM_CLICK, 0, 0);
    CHECK(tuning::currentTuning == tuning::tuningPresets[7]);
    shown = win::windowText(summary);
    CHECK(shown.find("returns to the system's default") != std::string::npos);
    CHECK(SendMessageA(window.binder().handleOf(window.form().get("optMode", 0)), BM_GETCHECK, 0, 0) ==
          BST_UNCHECKED);

    HWND optimize = window.binder().handleOf(window.form()["cmdOptimize"]);
    SendMessageA(optimize, BM_CLICK, 0, 0);
    CHECK(home == 1);
    const char* params = "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters";
    // The system's own defaults: the values are gone (and no key was made to remove them from).
    CHECK(dword(HKEY_LOCAL_MACHINE, params, "DefaultTTL") == "<no key>");
    CHECK(dword(HKEY_LOCAL_MACHINE, params, "TcpWindowSize") == "<no key>");
    SendMessageA(optimize, BM_CLICK, 0, 0);
    CHECK(home == 2);
    // Every apply writes its own backup first.
    CHECK(folder.backupFiles() == std::vector<std::string>{"001.BCK", "002.BCK"});
    // The window keeps its selection.
    CHECK(window.wizard().selectedMode() == 7);
    CHECK(messages.entries.empty());
}

TEST_CASE("each Wizard mode shows its own summary") {
    RegistrySandbox sandbox;
    ScratchProgramFolder folder("wizard-modes");
    BareHost host;
    features::WizardModeWindow window(host);
    REQUIRE(window.load());
    HWND summary = window.binder().handleOf(window.form()["lblModeDescrip"]);
    for (int i = 7; i >= 0; --i) {
        CAPTURE(i);
        SendMessageA(window.binder().handleOf(window.form().get("optMode", i)), BM_CLICK, 0, 0);
        CHECK(win::windowText(summary) == tuning::modeDescription(tuning::tuningPresets[static_cast<size_t>(i)]));
        CHECK(window.wizard().selectedMode() == i);
    }
    // "Automatic-C" removes the MTU, MSS and window values: its summary says -1.
    CHECK(tuning::modeDescription(tuning::tuningPresets[2]).rfind("MSS = -1\tMTU = -1\t", 0) == 0);
}
