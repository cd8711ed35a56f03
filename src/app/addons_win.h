#pragma once
// Restarting Windows on the user's command. The shutdown privilege is
// enabled with the real token calls (harmless on their own); the restart
// itself goes through effects().exitWindows, so tests see the request and
// the machine stays up.
namespace quellar::app {

// Enables SeShutdownPrivilege on this process's token. Nothing is reported:
// a refused privilege shows as a refused restart.
void enableShutdownPrivilege();

// enableShutdownPrivilege, then ExitWindowsEx with EWX_REBOOT and the
// reserved value with all bits set. Non-zero when the system accepted;
// the system's shutdown then ends the process.
int requestWindowsRestart();

}  // namespace quellar::app
