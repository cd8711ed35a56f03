#include "win/effects_win.h"

#include <windows.h>
#include <mmsystem.h>
#include <shellapi.h>
#include <commdlg.h>

#include <vector>

#include "core/effects.h"
#include "core/text.h"
#include "win/library_win.h"
#include "win/programpath_win.h"

namespace quellar::win {

namespace {

// In its short form where the folder's name does not survive the ANSI
// calls, so the face, skin, Backups folder and Run entry all work there.
std::string moduleFileName() {
    return programFilePath();
}

const char* orNull(const std::string& text) {
    return text.empty() ? nullptr : text.c_str();
}

}  // namespace

void installWin32Effects() {
    Effects& e = effects();
    e.messageBox = [](std::uintptr_t owner, const std::string& text, const std::string& caption,
                      unsigned flags) {
        return MessageBoxA(reinterpret_cast<HWND>(owner), text.c_str(), caption.c_str(), flags);
    };
    e.startProgram = [](const ProgramStart& start) -> std::uintptr_t {
        // WinExec keeps the command line exactly as written (no quoting) and
        // exists on every Windows the program supports.
        UINT r = WinExec(start.commandLine.c_str(), static_cast<UINT>(start.showState));
        return r > 31 ? r : 0;
    };
    e.shellOpen = [](const ShellOpen& open) -> std::uintptr_t {
        // The shell library is loaded on first use (the tray icon's, as a
        // rule), not with the program.
        using OpenFn = HINSTANCE(WINAPI*)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT);
        static const auto shellExecute = functionOf<OpenFn>(keptLibrary("shell32.dll"), "ShellExecuteA");
        if (!shellExecute) return 0;
        HINSTANCE r = shellExecute(reinterpret_cast<HWND>(open.owner), orNull(open.verb), open.file.c_str(),
                                   orNull(open.parameters), orNull(open.directory), open.showState);
        return reinterpret_cast<std::uintptr_t>(r);
    };
    e.exitWindows = [](unsigned flags, unsigned long reserved) {
        return ExitWindowsEx(flags, static_cast<DWORD>(reserved)) ? 1 : 0;
    };
    e.playSound = [](const std::string& file) {
        // The sound library is loaded with the first sound, not with the
        // program.
        using PlaySoundFn = BOOL(WINAPI*)(LPCSTR, HMODULE, DWORD);
        static const PlaySoundFn play = functionOf<PlaySoundFn>(keptLibrary("winmm.dll"), "PlaySoundA");
        return play && play(file.c_str(), nullptr, SND_FILENAME | SND_ASYNC) != FALSE;
    };
    e.programFolder = [] {
        std::string path = moduleFileName();
        size_t slash = path.find_last_of('\\');
        if (slash == std::string::npos) return std::string(".");
        // A drive root keeps its backslash ("C:\"), as the platform reports
        // a program folder there; joining adds another one.
        if (slash == 2 && path[1] == ':') return path.substr(0, 3);
        return path.substr(0, slash);
    };
    e.localTime = [] {
        SYSTEMTIME t;
        GetLocalTime(&t);
        return LocalTime{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
    };
    e.programFileName = [] {
        return std::string(text::fileNameOf(moduleFileName()));
    };
    e.chooseSaveFile = [](std::uintptr_t owner, const std::string& suggested) {
        // The common dialogs load only when a file is saved.
        using SaveFn = BOOL(WINAPI*)(LPOPENFILENAMEA);
        const auto save = functionOf<SaveFn>(keptLibrary("comdlg32.dll"), "GetSaveFileNameA");
        if (!save) return std::string();
        char path[MAX_PATH] = {};
        lstrcpynA(path, suggested.c_str(), MAX_PATH);
        static const char kFilter[] = "Registry files (*.reg)\0*.reg\0All files (*.*)\0*.*\0";
        OPENFILENAMEA box{};
        // The size Windows 95 and NT 4 know; later systems accept it too.
        box.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
        box.hwndOwner = reinterpret_cast<HWND>(owner);
        box.lpstrFilter = kFilter;
        box.lpstrFile = path;
        box.nMaxFile = MAX_PATH;
        box.lpstrTitle = "Export as a registry file";
        box.lpstrDefExt = "reg";
        box.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
        return save(&box) ? std::string(path) : std::string();
    };
}

}  // namespace quellar::win
