#pragma once
namespace quellar::shell {
// Index 0 to 6 of the running Windows, from what GetVersionExA reports.
int GetOSVersion();
// Stores winVersion and winVersionName from GetOSVersion().
void detectWindowsVersion();
}  // namespace quellar::shell
