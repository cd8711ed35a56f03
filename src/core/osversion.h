#pragma once
// Which Windows the program runs on, decided once at start-up. The TCP/IP
// apply path, the backups, the network applet and the tray notice all
// branch on the family: 1 to 4 is the 9x family, 5 to 7 the NT family.
#include <cstdint>
#include <string>

namespace quellar {

// Process-wide, written once by detectWindowsVersion(); 0 until then.
extern std::int16_t winVersion;
extern std::string winVersionName;

// Index 0 to 6 from what GetVersionExA reports (first match wins):
// 9x 4.0 -> 1, 9x 4.10 -> 2, 9x 4.90 -> 3, NT below 5 -> 4, NT 5.0 -> 5,
// NT 5.1 -> 6, anything else (NT 5.2, 6.x, unknown platforms) -> 0.
int osVersionIndex(unsigned long platformId, unsigned long major, unsigned long minor);

// The name that belongs to a winVersion number 1 to 7 ("Windows 32" ...).
const char* winVersionNameOf(int number);

// Stores winVersion = index + 1 and its name.
void setWindowsVersionFromIndex(int index);

inline bool isNtFamily(int version) { return version >= 5; }

// The text given to the face as "_root.version": major.minor.0.revision.
std::string versionText(int major, int minor, int revision);

}  // namespace quellar
