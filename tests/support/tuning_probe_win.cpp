// Applies "Automatic-A" inside a sandboxed registry under the Windows
// version Wine shows this process, and reports what happened as its exit
// code: winVersion * 16, plus 1 when the 9x values were written, 2 when the
// NT values were, 4 when the backup's header names the same version and the
// backup restores there, 8 when the apply succeeded without a message.
#include <windows.h>

#include "backup/backup_win.h"
#include "core/osversion.h"
#include "win/osversion_win.h"
#include "support/tuningsandbox_win.h"
#include "backup/apply_win.h"
#include "tuning/presets.h"

using namespace quellar;
using namespace quellar::testing;

namespace {

constexpr int kWrote9x = 1;
constexpr int kWroteNt = 2;
constexpr int kBackupAgrees = 4;
constexpr int kQuietSuccess = 8;
constexpr int kVersionShift = 16;
constexpr int kNoSandbox = 255;

int probe() {
    win::detectWindowsVersion();
    RegistrySandbox sandbox;
    ScratchProgramFolder folder("probe");
    MessageLog messages;
    putSamples({}, {std::string(backupsamples::kNetTrans) + "\\0000",
                    std::string(backupsamples::kInterfaces) + "\\{1A2B}"});
    tuning::currentTuning = tuning::tuningPresets[0];
    const backup::ApplyOutcome outcome = backup::applyTuning();

    int result = winVersion * kVersionShift;
    const RawValue ttl9x = queryRaw(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Services\\VxD\\MSTCP", "DefaultTTL");
    if (ttl9x.type == REG_SZ && ttl9x.bytes == szBytes("128")) result |= kWrote9x;
    const RawValue ttlNt =
        queryRaw(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Services\\Tcpip\\Parameters", "DefaultTTL");
    if (ttlNt.type == REG_DWORD && ttlNt.bytes == testing::dwordBytes(128)) result |= kWroteNt;
    const std::string path = folder.backups() + "\\001.BCK";
    const backup::BackupReadResult read = backup::readBackupFile(path);
    if (read.ok && read.contents.header.winVersion == winVersion && backup::restoreBackupFile(path, winVersion).ok())
        result |= kBackupAgrees;
    if (outcome == backup::ApplyOutcome::Applied && messages.entries.empty()) result |= kQuietSuccess;
    return result;
}

}  // namespace

int main() {
    try {
        return probe();
    } catch (...) {
        return kNoSandbox;
    }
}
