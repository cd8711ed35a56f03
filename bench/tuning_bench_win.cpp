// Times one applyTuning (the backup file plus every registry write) on each
// Windows family, beside the time of the same number of bare registry
// writes into one open key. Runs inside a redirected registry and a scratch
// program folder, so it changes nothing real.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/benchclock_win.h"
#include "backup/backup_win.h"
#include "core/osversion.h"
#include "support/tuningsandbox_win.h"
#include "backup/apply_win.h"
#include "tuning/presets.h"

using namespace quellar;
using namespace quellar::testing;

using quellar::bench::median;
using quellar::bench::nowMs;

namespace {

void clearBackups(const ScratchProgramFolder& folder) {
    for (const std::string& name : folder.backupFiles()) DeleteFileA((folder.backups() + "\\" + name).c_str());
}

// `count` values written with RegSetValueExA into one key opened once, in
// the family's type.
double bareWrites(std::size_t count, bool text) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Quellar bench", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                    &disposition);
    const double start = nowMs();
    for (std::size_t i = 0; i < count; ++i) {
        const std::string name = "v" + std::to_string(i);
        if (text) {
            const std::string value = std::to_string(1000 + i);
            RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                           static_cast<DWORD>(value.size() + 1));
        } else {
            const DWORD value = static_cast<DWORD>(1000 + i);
            RegSetValueExA(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
        }
    }
    const double elapsed = nowMs() - start;
    RegCloseKey(key);
    return elapsed;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    RegistrySandbox sandbox;
    ScratchProgramFolder folder("bench");
    MessageLog messages;
    putSamples(backupsamples::values9x(), {std::string(backupsamples::kNetTrans) + "\\0002"});
    putSamples(backupsamples::valuesNt(), {std::string(backupsamples::kInterfaces) + "\\{5E6F}"});
    tuning::currentTuning = tuning::tuningPresets[0];

    struct Family {
        const char* name;
        int winVersion;
    };
    for (const Family& family : {Family{"9x", 3}, Family{"NT", 7}}) {
        winVersion = static_cast<std::int16_t>(family.winVersion);
        const std::size_t writes = backup::plannedTuningOperations().size();
        std::vector<double> apply, backupOnly, bare;
        for (int r = 0; r < runs; ++r) {
            clearBackups(folder);
            double start = nowMs();
            backup::applyTuning();
            apply.push_back(nowMs() - start);
            clearBackups(folder);
            start = nowMs();
            backup::backupCurrentSettings();
            backupOnly.push_back(nowMs() - start);
            bare.push_back(bareWrites(writes, family.winVersion < 5));
        }
        const double a = median(apply), b = median(backupOnly), w = median(bare);
        std::printf("applyTuning %s: %.2f ms (backup %.2f ms + %zu writes); %zu bare writes: %.2f ms; ratio %.1f\n",
                    family.name, a, b, writes, writes, w, w > 0 ? a / w : 0.0);
    }
    std::printf("(median of %d runs; %zu messages)\n", runs, messages.entries.size());
    return 0;
}
