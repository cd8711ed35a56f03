#include <doctest/doctest.h>

#include <windows.h>

#include <commctrl.h>

#include <string>

#include "app/mainwindow_win.h"
#include "features/ramconfig/ramconfigwindow_win.h"
#include "support/faceclick_win.h"
#include "support/keys_win.h"
#include "support/pump_win.h"
#include "support/regsandbox_win.h"
#include "support/screenshot_win.h"
#include "win/window_win.h"

using namespace quellar;
using namespace quellar::features;
using namespace quellar::monitor;

namespace {

struct BareHost : ui::FeatureHost {
    void skinFeatureWindow(ui::FeatureWindow&) override {}
    HWND hostHandle() const override { return nullptr; }
};

std::string storedText(const char* name) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\BRD\\Quellar\\Settings\\RamSettings", 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return "<no key>";
    char data[64] = {};
    DWORD size = sizeof data;
    DWORD type = 0;
    const LONG status = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS && type == REG_SZ ? data : "<none>";
}

}  // namespace

TEST_CASE("RAM configuration on a fresh registry: the defaults in the real controls, Save disabled") {
    testing::RegistrySandbox sandbox;
    BareHost host;
    RamConfigurationWindow window(host, [] { return std::shared_ptr<ProcessorMeter>(); });
    REQUIRE(window.load());
    auto handle = [&](const char* name) { return window.binder().handleOf(window.form()[name]); };
    auto text = [&](const char* name) { return win::windowText(handle(name)); };
    auto checked = [&](const char* name) { return SendMessageA(handle(name), BM_GETCHECK, 0, 0); };
    CHECK(text("txtAlarm") == "250");
    CHECK(text("txtFreeAlarm") == "10");
    CHECK(text("txtTimeCheck") == "100");
    CHECK(text("txtRunOnly") == "2");
    CHECK(text("txtRetryOptimization") == "10");
    CHECK(checked("optMB") == BST_CHECKED);
    CHECK(checked("optPer") == BST_UNCHECKED);
    CHECK(checked("chkSoundon") == BST_UNCHECKED);
    CHECK(checked("chkAutomatic") == BST_UNCHECKED);
    CHECK_FALSE(IsWindowEnabled(handle("cmdSave")));
    CHECK_FALSE(IsWindowEnabled(handle("txtAlarm")));
    CHECK(SendMessageA(handle("UpDownRunOnly"), UDM_GETRANGE, 0, 0) == MAKELONG(255, 0));
    int least = 0;
    int most = 0;
    SendMessageA(handle("updnTimeCheck"), UDM_GETRANGE32, reinterpret_cast<WPARAM>(&least),
                 reinterpret_cast<LPARAM>(&most));
    CHECK(least == 100);
    CHECK(most == 65535);
    CHECK(storedText("txtAlarm") == "<no key>");

    SendMessageA(handle("chkSoundon"), BM_CLICK, 0, 0);
    CHECK(IsWindowEnabled(handle("cmdSave")));
    CHECK(IsWindowEnabled(handle("txtAlarm")));
    SendMessageA(handle("optPer"), BM_CLICK, 0, 0);
    // The interval's spinner beyond 16 bits, as its arrows report it.
    SendMessageA(handle("chkAutomatic"), BM_CLICK, 0, 0);
    SendMessageA(handle("updnTimeCheck"), UDM_SETPOS32, 0, 40000);
    SendMessageA(window.hwnd(), WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 40000), reinterpret_cast<LPARAM>(handle("updnTimeCheck")));
    CHECK(text("txtTimeCheck") == "40000");
    SendMessageA(handle("cmdSave"), BM_CLICK, 0, 0);
    CHECK_FALSE(IsWindowEnabled(handle("cmdSave")));
    CHECK(storedText("chkSoundon") == "1");
    CHECK(storedText("optPer") == "True");
    CHECK(storedText("optMB") == "False");
    CHECK(storedText("txtRetryOptimization") == "10");
    CHECK(storedText("txtTimeCheck") == "40000");

    // Typed with real keys: "abc", then 0, in the interval are refused at
    // Save beside the box, which keeps the keyboard; the stored value stays.
    ShowWindow(window.hwnd(), SW_SHOW);
    SetFocus(handle("txtTimeCheck"));
    testing::selectAllByKeys();
    testing::typeText("abc");
    CHECK(text("txtTimeCheck") == "abc");
    for (const char* refused : {"abc", "0"}) {
        CAPTURE(refused);
        CHECK(text("txtTimeCheck") == refused);
        SendMessageA(handle("cmdSave"), BM_CLICK, 0, 0);
        testing::pumpMessages();
        CHECK(storedText("txtTimeCheck") == "40000");
        CHECK(text("lblTimeCheck") == "Check every (ms): a whole number from 100 to 65535");
        CHECK(GetFocus() == handle("txtTimeCheck"));
        CHECK(IsWindowEnabled(handle("cmdSave")));
        if (!testing::screenshotFolder().empty() && std::string(refused) == "0")
            testing::saveScreenshot(window.hwnd(), testing::screenshotFolder() + "\\ram-refused.bmp");
        testing::typeText("0");  // over the selected text
    }
    testing::selectAllByKeys();
    testing::typeText("2000");
    CHECK(text("lblTimeCheck") == "Do check every (in Milliseconds)");
    // The alarm level serves automatic optimisation alone as well.
    SendMessageA(handle("chkSoundon"), BM_CLICK, 0, 0);
    CHECK(SendMessageA(handle("chkAutomatic"), BM_GETCHECK, 0, 0) == BST_CHECKED);
    CHECK(IsWindowEnabled(handle("txtAlarm")));
    SetFocus(handle("txtAlarm"));
    testing::selectAllByKeys();
    testing::typeText("0300");
    SendMessageA(handle("cmdSave"), BM_CLICK, 0, 0);
    CHECK(storedText("txtAlarm") == "300");
    CHECK(text("txtAlarm") == "300");
    CHECK(storedText("txtTimeCheck") == "2000");
    window.unload();
}

TEST_CASE("screenshot: RAM configuration hosted in the main window") {
    const std::string folder = testing::screenshotFolder();
    if (folder.empty()) return;
    testing::RegistrySandbox sandbox;
    app::MainWindow main;
    main.endProcess = [] {};
    main.tray().notify = [](DWORD, NOTIFYICONDATAA*) { return TRUE; };
    REQUIRE(main.start());
    testing::clickFaceButton(main.facePlayer(), "IDC_FS_ramConfig");
    auto& ram = static_cast<RamConfigurationWindow&>(main.feature(app::kRamConfiguration));
    SendMessageA(ram.binder().handleOf(ram.form()["chkAutomatic"]), BM_CLICK, 0, 0);
    testing::waitForStillScreen(main.hwnd());
    testing::saveScreenshot(main.hwnd(), folder + "\\ram-configuration.bmp");
}
