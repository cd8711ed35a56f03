// The Windows 9x personality: that it makes W functions fail as Windows 95
// and 98 do, and only under it; and the real quellar.exe used under it as a
// user uses it, in Wine's win95 and win98 modes.
#include <doctest/doctest.h>

#include <windows.h>

#include <algorithm>
#include <utility>
#include <string>
#include <vector>

#include "app/mainwindow_win.h"
#include "res/resource.h"
#include "support/consolerun_win.h"
#include "support/faceclick_win.h"
#include "support/ninex_win.h"
#include "support/process_win.h"
#include "support/pump_win.h"
#include "support/regsandbox_win.h"
#include "support/tuningsandbox_win.h"
#include "ui/balloon/balloon_win.h"
#include "ui/face/faceparser.h"
#include "ui/tray/tray_win.h"
#include "win/dpi_win.h"
#include "win/files_win.h"

using namespace quellar::testing;

namespace {

// Runs the probe, with or without the personality, and returns what it
// printed.
std::string probeOutput(bool windows9x) {
    const std::string exe = testProgramFolder() + "\\ninex_probe.exe";
    ConsoleStarted started = startConsoleProgram("\"" + exe + "\"", "ninex", "", windows9x ? exe : "");
    const Run run = finishConsoleProgram(started);
    CHECK(run.exit == 0);
    return run.out;
}

}  // namespace

TEST_CASE("the Windows 9x personality: W functions, imported or looked up, fail with error 120 under it only") {
    // Each line: result (1 = worked) and last error, imported call first.
    CHECK(probeOutput(false).rfind("1 0 1 0", 0) == 0);
    CHECK(probeOutput(true).rfind("0 120 0 120", 0) == 0);

    // The programs' own W imports (all from the runtime) are among those
    // stubbed, so the tests run under the personality meet them failing.
    const std::string exe = testProgramFolder() + "\\quellarc.exe";
    PROCESS_INFORMATION pi{};
    std::string why;
    std::vector<std::string> stubbed;
    REQUIRE_MESSAGE(startWithWindows9xPersonality(exe, "\"" + exe + "\" --version", "", pi, why, nullptr, FALSE,
                                                  &stubbed),
                    why);
    CHECK(WaitForSingleObject(pi.hProcess, 20000) == WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    CHECK(code == 0);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    CHECK(std::find(stubbed.begin(), stubbed.end(), "CreateSemaphoreW") != stubbed.end());
    CHECK(std::find(stubbed.begin(), stubbed.end(), "GetModuleFileNameW") != stubbed.end());
}

namespace {

// A window of another process, found by what it shows.
struct TextSearch {
    std::string prefix;
    std::string cls;  // empty: any class
    HWND found = nullptr;
};

BOOL CALLBACK matchText(HWND hwnd, LPARAM lParam) {
    auto* s = reinterpret_cast<TextSearch*>(lParam);
    char text[512] = {};
    GetWindowTextA(hwnd, text, sizeof text);
    char cls[64] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    if (IsWindowVisible(hwnd) && std::string(text).rfind(s->prefix, 0) == 0 && (s->cls.empty() || s->cls == cls)) {
        s->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

// The first visible descendant of `parent` whose text begins with `prefix`,
// once there is one.
HWND waitForChild(HWND parent, const std::string& prefix, const std::string& cls = "", DWORD timeoutMs = 20000) {
    TextSearch search{prefix, cls, nullptr};
    pumpUntil(
        [&] {
            search.found = nullptr;
            EnumChildWindows(parent, matchText, reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr;
        },
        timeoutMs);
    return search.found;
}

std::string textOf(HWND hwnd) {
    char text[1024] = {};
    GetWindowTextA(hwnd, text, sizeof text);
    return text;
}

void postClick(HWND hwnd, int x, int y) {
    const LPARAM at = MAKELPARAM(x, y);
    PostMessageA(hwnd, WM_MOUSEMOVE, 0, at);
    PostMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(hwnd, WM_LBUTTONUP, 0, at);
}

// The program's face, as built into it: where a user finds its buttons.
const quellar::ui::Face& builtInFace() {
    static const quellar::ui::FaceParseResult parsed = quellar::ui::parseFace(std::string(
        quellar::win::resourceBytes(MAKEINTRESOURCEA(IDR_FACE), MAKEINTRESOURCEA(RT_QUELLAR_DATA))));
    REQUIRE(parsed.ok);
    return parsed.face;
}

void clickFace(HWND face, const std::string& command) {
    const POINT p = buttonFor(builtInFace(), "home", command);
    postClick(face, quellar::win::scaled(p.x), quellar::win::scaled(p.y));
}

// The visible notice of the process and its message, once it says `part`.
std::string waitForNotice(DWORD pid, const std::string& part) {
    std::string message;
    pumpUntil(
        [&] {
            HWND notice = topLevelWindowOf(pid, quellar::ui::kBalloonClass);
            if (!notice || !IsWindowVisible(notice)) return false;
            HWND panel = FindWindowExA(notice, nullptr, quellar::ui::kBalloonPanelClass, nullptr);
            HWND text = panel ? GetDlgItem(panel, quellar::ui::kIdMessage) : nullptr;
            message = text ? textOf(text) : "";
            return message.find(part) != std::string::npos;
        },
        20000);
    return message;
}

const char* const kMstcp = "System\\CurrentControlSet\\Services\\VxD\\MSTCP";
const char* const kPinger = "SOFTWARE\\BRD\\Quellar\\Settings\\NetPinger";

// The values under one key of the real registry, by name.
RegSnapshot valuesUnder(const std::string& path) {
    RegSnapshot snap;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
        snapshotKey(key, "m\\" + path, snap);
        RegCloseKey(key);
    }
    snap.keys.clear();
    return snap;
}

// The values of one key of the real registry, put back as they were when it
// leaves scope.
class KeptValues {
public:
    explicit KeptValues(std::string path) : path_(std::move(path)), kept_(valuesUnder(path_)) {}
    ~KeptValues() {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path_.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
        for (const auto& v : valuesUnder(path_).values) RegDeleteValueA(key, v.first.substr(v.first.find('|') + 1).c_str());
        RegCloseKey(key);
        const std::string prefix = lowered("m\\" + path_ + "|");
        for (const auto& v : kept_.values)
            setRaw(HKEY_LOCAL_MACHINE, path_, v.first.substr(prefix.size()), v.second.first, v.second.second);
    }
    KeptValues(const KeptValues&) = delete;
    KeptValues& operator=(const KeptValues&) = delete;

private:
    std::string path_;
    RegSnapshot kept_;
};

}  // namespace

TEST_CASE("the whole path under the Windows 9x personality: apply and its notice, a restore, Ping Now, the tray, exit") {
    const char* mode = "win98";
    SUBCASE("Windows 95") { mode = "win95"; }
    SUBCASE("Windows 98") {}
    CAPTURE(mode);
    // The program in a folder of its own, so its Backups are the test's.
    ScratchProgramFolder folder("ninex-path");
    const std::string exe = folder.path() + "\\quellar.exe";
    REQUIRE(CopyFileA((testProgramFolder() + "\\quellar.exe").c_str(), exe.c_str(), FALSE));
    CopyFileA((testProgramFolder() + "\\RQLRMask.skn").c_str(), (folder.path() + "\\RQLRMask.skn").c_str(), FALSE);
    // The 9x values as the prefix has them, and a pinger pointed at
    // loopback; both put back at the end.
    const bool hadMstcp = keyExists(HKEY_LOCAL_MACHINE, kMstcp);
    const RegSnapshot before = valuesUnder(kMstcp);
    KeptValues pinger(kPinger);
    for (const auto& [name, value] : std::vector<std::pair<std::string, std::string>>{
             {"chkDoPinging", "1"}, {"optAuto", "False"}, {"optManual", "True"}, {"txtPingHost", "127.0.0.1"}})
        setRaw(HKEY_LOCAL_MACHINE, kPinger, name, REG_SZ, value + '\0');
    setWineVersionFor("quellar.exe", mode);

    {
        ChildProcess app("\"" + exe + "\"", folder.path(), exe);
        REQUIRE_MESSAGE(app.started(), app.error());
        HWND main = nullptr;
        pumpUntil([&] { return (main = topLevelWindowOf(app.id(), quellar::app::kMainWindowClass)) != nullptr &&
                               IsWindowVisible(main); },
                  30000);
        REQUIRE(main != nullptr);
        HWND face = FindWindowExA(main, nullptr, quellar::ui::kFacePlayerClass, nullptr);
        REQUIRE(face != nullptr);

        // The Wizard's "Optimize Now": a backup first, then the notice.
        clickFace(face, "IDC_FS_wizardMode");
        HWND optimize = waitForChild(main, "Optimize &Now", "Button");
        REQUIRE(optimize != nullptr);
        PostMessageA(optimize, BM_CLICK, 0, 0);
        CHECK(waitForNotice(app.id(), "001.BCK").find("001.BCK") != std::string::npos);
        CHECK(valuesUnder(kMstcp).values != before.values);

        // The Backup manager puts it back, after a backup of its own.
        clickFace(face, "IDC_FS_backupManger");
        HWND list = waitForChild(main, "", "SysListView32");
        REQUIRE(list != nullptr);
        HWND header = FindWindowExA(list, nullptr, "SysHeader32", nullptr);
        RECT headerRect{};
        if (header) GetClientRect(header, &headerRect);
        postClick(list, 30, headerRect.bottom + 6);
        HWND restore = waitForChild(main, "Restore", "Button");
        REQUIRE(restore != nullptr);
        REQUIRE(pumpUntil([&] { return IsWindowEnabled(restore) != FALSE; }, 10000));
        PostMessageA(restore, BM_CLICK, 0, 0);
        HWND question = nullptr;
        REQUIRE(pumpUntil([&] { return (question = topLevelWindowOf(app.id(), "#32770")) != nullptr; }, 20000));
        PostMessageA(question, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), 0);
        const std::string restored = waitForNotice(app.id(), "002.BCK");
        CHECK(restored.find("001.BCK") != std::string::npos);
        CHECK(restored.find("002.BCK") != std::string::npos);
        CHECK(valuesUnder(kMstcp).values == before.values);

        // Ping Now to loopback says it had a reply.
        clickFace(face, "IDC_FS_pingSetting");
        HWND pingNow = waitForChild(main, "Ping &Now", "Button");
        REQUIRE(pingNow != nullptr);
        PostMessageA(pingNow, BM_CLICK, 0, 0);
        CHECK(waitForChild(main, "Reply from 127.0.0.1") != nullptr);

        // To the tray, and back with a click on the icon as the shell
        // reports it.
        clickFace(face, "IDC_FS_tray");
        CHECK(pumpUntil([&] { return !IsWindowVisible(main); }, 10000));
        HWND icon = FindWindowExA(main, nullptr, "QuellarTray", nullptr);
        REQUIRE(icon != nullptr);
        PostMessageA(icon, quellar::ui::Tray::kCallbackMessage, 0, WM_LBUTTONDOWN);
        CHECK(pumpUntil([&] { return IsWindowVisible(main) != FALSE; }, 10000));

        PostMessageA(main, WM_CLOSE, 0, 0);
        CHECK(app.waitExit(20000) == 0);
        CHECK(folder.backupFiles() == std::vector<std::string>{"001.BCK", "002.BCK"});
    }

    setWineVersionFor("quellar.exe", "");
    if (!hadMstcp) deleteKeyTree(HKEY_LOCAL_MACHINE, kMstcp);
}
