#pragma once
// Which Windows the program runs on, decided once at start-up. The TCP/IP
// apply path, the backups, the network applet and the tray notice all
// branch on the family: 1 to 4 is the 9x family, 5 to 8 the NT family.
#include <cstdint>
#include <string>

namespace quellar {

// Process-wide, written once by detectWindowsVersion(); 0 until then.
extern std::int16_t winVersion;
extern std::string winVersionName;

// The numbers winVersion takes once detected.
inline constexpr int kFirstWinVersion = 1;
inline constexpr int kLastWinVersion = 8;
// Every NT system newer than XP (Server 2003, Vista, 7, 10, 11 ...).
inline constexpr int kWinVersionAfterXp = 8;

// Index 0 to 7 from what GetVersionExA reports (first match wins):
// 9x 4.0 -> 1, 9x 4.10 -> 2, 9x 4.90 -> 3, NT below 5 -> 4, NT 5.0 -> 5,
// NT 5.1 -> 6, any later NT (5.2, 6.x, 10.x) -> 7; anything else (another
// 9x minor, unknown platforms) -> 0.
int osVersionIndex(unsigned long platformId, unsigned long major, unsigned long minor);

// The name that belongs to a winVersion number 1 to 8 ("Windows 32" ...).
const char* winVersionNameOf(int number);

// Stores winVersion = index + 1 and its name.
void setWindowsVersionFromIndex(int index);

// 1 to 4 ("Windows 32", 95, 98, ME) is the 9x family, 5 to 8 (NT, 2000, XP
// and every later NT system) the NT family; other numbers have no family.
inline bool isNtFamily(int version) { return version >= 5 && version <= kLastWinVersion; }

// The text given to the face as "_root.version": major.minor.0.revision.
std::string versionText(int major, int minor, int revision);

}  // namespace quellar
