#include "win/osversion_win.h"

#include <windows.h>

#include "core/osversion.h"

namespace quellar::win {

int windowsVersionIndex() {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;  // 148 bytes, the form every Windows knows
    if (!GetVersionExA(&info)) return 0;
    return osVersionIndex(info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion);
}

void detectWindowsVersion() {
    setWindowsVersionFromIndex(windowsVersionIndex());
}

}  // namespace quellar::win
