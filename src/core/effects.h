#pragma once
// Outside effects: everything the program does to the world beyond its own
// windows and the registry goes through this table. The Windows build fills
// it with the real calls at start-up (effects_win.cpp); tests replace single
// entries to observe what would happen, so a test never blocks on a modal
// box, starts a control panel or restarts the machine.
//
// Handles are carried as uintptr_t so this header stays free of <windows.h>.
#include <cstdint>
#include <functional>
#include <string>

namespace quellar {

struct ProgramStart {
    std::string commandLine;
    int showState = 0;
};

struct ShellOpen {
    std::uintptr_t owner = 0;
    std::string verb;        // empty: the default verb
    std::string file;
    std::string parameters;
    std::string directory;
    int showState = 0;
};

struct LocalTime {
    int year = 2000;
    int month = 1;   // 1 to 12
    int day = 1;     // 1 to 31
    int hour = 0;    // 0 to 23
    int minute = 0;
    int second = 0;
};

struct Effects {
    // MessageBoxA: owner, text, caption, flags -> the button pressed.
    std::function<int(std::uintptr_t, const std::string&, const std::string&, unsigned)> messageBox;
    // WinExec-like start of a command line; returns the task id (0 on failure).
    std::function<std::uintptr_t(const ProgramStart&)> startProgram;
    // ShellExecuteA; returns its instance value (> 32 on success).
    std::function<std::uintptr_t(const ShellOpen&)> shellOpen;
    // ExitWindowsEx(flags, reserved); non-zero on success.
    std::function<int(unsigned, unsigned long)> exitWindows;
    // PlaySoundA of a file, asynchronously.
    std::function<bool(const std::string&)> playSound;
    // The folder the program file lives in, as Windows reports it (no
    // trailing backslash unless it is a drive root).
    std::function<std::string()> programFolder;
    // The program file's own name, e.g. "quellar.exe".
    std::function<std::string()> programFileName;
    // The local date and time (backups record when they were taken).
    std::function<LocalTime()> localTime;
    // The Save As box for a registry file: owner, suggested file name ->
    // the path chosen (an existing file confirmed), empty when cancelled.
    std::function<std::string(std::uintptr_t, const std::string&)> chooseSaveFile;
};

// The process-wide table. Tests swap entries and restore them with
// EffectsOverride below.
Effects& effects();

// Restores the whole table when it leaves scope, so a test that replaces an
// entry cannot leak its stand-in into the next test.
class EffectsOverride {
public:
    EffectsOverride() : saved_(effects()) {}
    ~EffectsOverride() { effects() = saved_; }
    EffectsOverride(const EffectsOverride&) = delete;
    EffectsOverride& operator=(const EffectsOverride&) = delete;
private:
    Effects saved_;
};

}  // namespace quellar
