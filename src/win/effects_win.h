#pragma once
namespace quellar::win {
// Puts the real Win32 calls into the effects table. Only the program itself
// calls this; test programs keep the harmless stand-ins unless a test
// installs its own.
void installWin32Effects();
}  // namespace quellar::win
