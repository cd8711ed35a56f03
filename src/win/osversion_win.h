#pragma once
namespace quellar::win {
// Index 0 to 6 of the running Windows, from what GetVersionExA reports.
int windowsVersionIndex();
// Stores winVersion and winVersionName from windowsVersionIndex().
void detectWindowsVersion();
}  // namespace quellar::win
