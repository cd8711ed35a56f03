// quellarc.exe: the console program's entry point.
#include <cstdlib>
#include <string>
#include <vector>

#include "console/console_win.h"

// The runtime's own end for an exception nobody caught prints the
// exception's type, demangled, on standard error before it aborts. There is
// no one to read it, and the demangler is a tenth of the exe: defined here,
// in a file linked directly, this one is taken before the runtime's.
namespace __gnu_cxx {
void __verbose_terminate_handler() {
    std::abort();
}
}  // namespace __gnu_cxx

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    quellar::console::installConsoleEffects();
    return quellar::console::runConsole(arguments);
}
