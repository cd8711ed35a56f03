#include "core/osversion.h"

namespace quellar {

std::int16_t winVersion = 0;
std::string winVersionName;

namespace {
constexpr unsigned long kPlatformWindows = 1;  // VER_PLATFORM_WIN32_WINDOWS
constexpr unsigned long kPlatformNt = 2;       // VER_PLATFORM_WIN32_NT

const char* const kNames[] = {"Windows 32", "Windows 95", "Windows 98", "Windows ME",
                              "Windows NT", "Windows 2000", "Windows XP", "Windows after XP"};
}  // namespace

int osVersionIndex(unsigned long platformId, unsigned long major, unsigned long minor) {
    (void)major;  // the 9x rows match on the minor number alone
    if (platformId == kPlatformWindows) {
        if (minor == 0) return 1;
        if (minor == 10) return 2;
        if (minor == 90) return 3;
        return 0;
    }
    if (platformId == kPlatformNt) {
        if (major < 5) return 4;
        if (major == 5 && minor == 0) return 5;
        if (major == 5 && minor == 1) return 6;
        // Server 2003, Vista, 7, 8, 10, 11: the same TCP/IP parameters
        // key as XP, so they are tuned as the NT system they are.
        return kWinVersionAfterXp - 1;
    }
    return 0;
}

const char* winVersionNameOf(int number) {
    if (number < kFirstWinVersion || number > kLastWinVersion) return kNames[0];
    return kNames[number - 1];
}

void setWindowsVersionFromIndex(int index) {
    if (index < 0 || index > kLastWinVersion - 1) index = 0;
    winVersion = static_cast<std::int16_t>(index + 1);
    winVersionName = winVersionNameOf(winVersion);
}

std::string versionText(int major, int minor, int revision) {
    return std::to_string(major) + "." + std::to_string(minor) + ".0." + std::to_string(revision);
}

}  // namespace quellar
