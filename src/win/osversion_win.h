#pragma once
namespace quellar::win {
// Index 0 to 6 of the running Windows, from what GetVersionExA reports.
int GetOSVersion();
// Stores winVersion and winVersionName from GetOSVersion().
void detectWindowsVersion();
}  // namespace quellar::win
