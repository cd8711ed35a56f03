#include "win/osversion_win.h"

#include <windows.h>

#include "core/osversion.h"

namespace quellar::win {

int GetOSVersion() {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;  // 148 bytes, the form every Windows knows
    if (!GetVersionExA(&info)) return 0;
    return osVersionIndex(info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion);
}

void detectWindowsVersion() {
    setWindowsVersionFromIndex(GetOSVersion());
}

}  // namespace quellar::win
