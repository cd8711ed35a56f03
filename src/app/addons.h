#pragma once
// Jobs handed to Windows itself: the four control-panel applets. Each is
// started as its own process with the command line exactly as written
// (program, comma-separated entry point and arguments, no quoting) through
// effects().startProgram; the program does not wait for it. When an applet
// or the help file cannot be started the user is told what could not be
// opened, instead of nothing happening.
#include <cstdint>
#include <optional>
#include <string>

namespace quellar::app {

// SW_SHOW: how the applets are started.
inline constexpr int kAppletShowState = 5;

// ",,0" opens an applet on its first page.
inline constexpr const char* kInternetPropertiesCommand =
    "rundll32.exe shell32.dll,Control_RunDLL inetcpl.cpl,,0";
inline constexpr const char* kSystemPropertiesCommand =
    "rundll32.exe shell32.dll,Control_RunDLL sysdm.cpl,,0";
// Windows 2000 and later keep the modems in the telephony applet; there is
// no modem.cpl there.
inline constexpr const char* kModemSettingsCommand =
    "rundll32.exe shell32.dll,Control_RunDLL modem.cpl";
inline constexpr const char* kTelephonySettingsCommand =
    "rundll32.exe shell32.dll,Control_RunDLL telephon.cpl";
inline constexpr const char* kNetworkSettings9xCommand =
    "rundll32.exe shell32.dll,Control_RunDLL netcpl.cpl";
inline constexpr const char* kNetworkSettingsNtCommand =
    "rundll32.exe shell32.dll,Control_RunDLL ncpa.cpl";

// The modems applet: telephon.cpl for winVersion 6 to 8 (2000, XP and
// later), modem.cpl for every other number (the 9x family and NT 4).
std::string modemSettingsCommandLine(int version);

// The network applet of a Windows family: netcpl.cpl for winVersion 1 to 4,
// ncpa.cpl for 5 to 8, none for any other number.
std::optional<std::string> networkSettingsCommandLine(int version);

// Each returns the started program's task id (0 when the start failed, and
// the user was then told, in a box owned by `owner`).
std::uintptr_t openInternetProperties(std::uintptr_t owner = 0);
std::uintptr_t openSystemProperties(std::uintptr_t owner = 0);
std::uintptr_t openModemSettings(std::uintptr_t owner = 0);
// By the running family (winVersion); starts nothing and returns no value
// while winVersion is outside 1 to 8.
std::optional<std::uintptr_t> openNetworkSettings(std::uintptr_t owner = 0);

// What the user reads when the shell could not open the help file `file`;
// `shellResult` is ShellExecute's answer (32 or less).
std::string helpNotOpenedMessage(const std::string& file, std::uintptr_t shellResult);

// Shows `text` (caption "Quellar", warning icon, OK).
void tellNotOpened(std::uintptr_t owner, const std::string& text);

}  // namespace quellar::app
