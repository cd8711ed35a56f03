#include "core/effects.h"

namespace quellar {

Effects& effects() {
    // Natively (tests only) every effect starts as a harmless no-op; the
    // Windows build installs the real calls in installWin32Effects().
    static Effects table{
        [](std::uintptr_t, const std::string&, const std::string&, unsigned) { return 1; },
        [](const ProgramStart&) -> std::uintptr_t { return 0; },
        [](const ShellOpen&) -> std::uintptr_t { return 0; },
        [](unsigned, unsigned long) { return 0; },
        [](const std::string&) { return false; },
        [] { return std::string("."); },
        [] { return std::string("quellar.exe"); },
        [] { return LocalTime{}; },
        [](std::uintptr_t, const std::string&) { return std::string(); },  // as if cancelled
    };
    return table;
}

}  // namespace quellar
