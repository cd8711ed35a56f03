#include <windows.h>

#include <cstdlib>

#include "app/app_win.h"

// The runtime's own end for an exception nobody caught prints the
// exception's type, demangled, on standard error before it aborts. There is
// no one to read it, and the demangler is a tenth of the exe: defined here,
// in a file linked directly, this one is taken before the runtime's.
namespace __gnu_cxx {
void __verbose_terminate_handler() {
    std::abort();
}
}  // namespace __gnu_cxx

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    return quellar::shell::runQuellar(instance, showCommand);
}
