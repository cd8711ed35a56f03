#pragma once
// The console program's commands over the program's own code: the same
// presets, apply with its backup, backups and restore, echo, memory and
// processor figures the windows use, without any of the windows, the
// single-instance mutex or a message box.
#include <string>
#include <vector>

namespace quellar::console {

// The real outside effects, except that every message the shared code
// would show in a box is written to standard error instead (a console
// program must never wait on a box nobody may see), and the real memory
// figures.
void installConsoleEffects();

// Runs one command line (the arguments after the program's name) and
// returns the exit code: kExitDone, kExitFailed or kExitUsage.
int runConsole(const std::vector<std::string>& arguments);

// Standard output and standard error, "\n" written as CR LF.
void writeOut(const std::string& text);
void writeError(const std::string& text);

}  // namespace quellar::console
