#pragma once
// Jobs handed to Windows itself: the four control-panel applets. Each is
// started as its own process with the command line exactly as written
// (program, comma-separated entry point and arguments, no quoting) through
// effects().startProgram; the program does not wait for it.
#include <cstdint>
#include <optional>
#include <string>

namespace quellar::shell {

// SW_SHOW: how the applets are started.
inline constexpr int kAppletShowState = 5;

// ",,0" opens an applet on its first page.
inline constexpr const char* kInternetPropertiesCommand =
    "rundll32.exe shell32.dll,Control_RunDLL inetcpl.cpl,,0";
inline constexpr const char* kSystemPropertiesCommand =
    "rundll32.exe shell32.dll,Control_RunDLL sysdm.cpl,,0";
inline constexpr const char* kModemSettingsCommand =
    "rundll32.exe shell32.dll,Control_RunDLL modem.cpl";
inline constexpr const char* kNetworkSettings9xCommand =
    "rundll32.exe shell32.dll,Control_RunDLL netcpl.cpl";
inline constexpr const char* kNetworkSettingsNtCommand =
    "rundll32.exe shell32.dll,Control_RunDLL ncpa.cpl";

// The network applet of a Windows family: netcpl.cpl for winVersion 1 to 4,
// ncpa.cpl for 5 to 7, none for any other number.
std::optional<std::string> networkSettingsCommandLine(int version);

// Each returns the started program's task id (0 when the start failed).
std::uintptr_t OpenInternetProperties();
std::uintptr_t OpenSystemProperties();
std::uintptr_t OpenModemSettings();
// By the running family (winVersion); starts nothing and returns no value
// while winVersion is outside 1 to 7.
std::optional<std::uintptr_t> OpenNetworkSettings();

}  // namespace quellar::shell
