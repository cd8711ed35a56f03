// quellarc.exe: the console program's entry point.
#include <string>
#include <vector>

#include "console/console_win.h"
// Definitions for this program alone: how the runtime ends its faults.
#include "win/runtimeends_win.h"


int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    quellar::console::installConsoleEffects();
    return quellar::console::runConsole(arguments);
}
