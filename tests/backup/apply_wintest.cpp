#include <doctest/doctest.h>

#include <cstdint>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "backup/backup_win.h"
#include "core/osversion.h"
#include "core/text.h"
#include "support/process_win.h"
#include "support/tuningsandbox_win.h"
#include "backup/apply_win.h"
#include "tuning/presets.h"
#include "tuning/tuning.h"

using namespace quellar;
using namespace quellar::testing;
using quellar::tuning::TuningParams;
namespace samples = quellar::testing::backupsamples;

namespace {

const Hive M = Hive::LocalMachine;
const Hive U = Hive::CurrentUser;

// One value the apply must leave behind: written with `value`, or removed.
struct Expect {
    Hive hive;
    std::string key;
    std::string name;
    std::int64_t value;
    bool removed;
};

const std::string kMstcp = "System\\CurrentControlSet\\Services\\VxD\\MSTCP";
const std::string kCache = "System\\CurrentControlSet\\Services\\VxD\\NWLink\\Ndi\\params\\cachesize";
const std::string kParams = "System\\CurrentControlSet\\Services\\Tcpip\\Parameters";

// "Windows default" removes every value of the table.
std::vector<Expect> systemDefaultsRemoveAll(const TuningParams& p, std::vector<Expect> table) {
    if (p.systemDefaults)
        for (Expect& e : table) e.removed = true;
    return table;
}

// The family tables, written out here on their own rather than taken from
// the code under test.
std::vector<Expect> table9x(const TuningParams& p, const std::vector<std::string>& netTrans) {
    const std::string ie = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
    std::vector<Expect> e = {
        {M, kMstcp, "SackOpts", 1, false},
        {M, kMstcp, "Tcp1323Opts", 1, false},
        {M, kMstcp, "DefaultTTL", p.ttl, false},
        {M, kMstcp, "DefaultRcvWindow", p.rwin, p.rwin == -1},
        {M, kMstcp, "GlobalMaxTcpWindowSize", p.rwin, p.rwin == -1},
        {M, kMstcp, "PMTUBlackHoleDetect", p.pmtuBlackHoleDetect ? 1 : 0, false},
        {M, kMstcp, "PMTUDiscovery", p.pmtuDiscovery ? 1 : 0, false},
        {M, kMstcp, "KeepAliveTime", p.keepAliveTime, false},
        {M, kMstcp, "KeepAliveInterval", p.keepAliveInterval, false},
        {U, ie, "MaxConnectionsPer1_0Server", p.maxConnPer1_0Server, false},
        {U, ie, "MaxConnectionsPerServer", p.maxConnPerServer, false},
        {M, kCache, "", p.ndiCacheSize, false},
    };
    for (const std::string& s : netTrans) {
        const std::string key = std::string(samples::kNetTrans) + "\\" + s;
        e.push_back({M, key, "MaxMTU", p.mtu, p.mtu == -1});
        e.push_back({M, key, "MaxMSS", p.mss, p.mtu == -1});
    }
    return systemDefaultsRemoveAll(p, e);
}

std::vector<Expect> tableNt(const TuningParams& p, const std::vector<std::string>& interfaces) {
    const std::string lower = "SYSTEM\\CurrentControlSet\\Services\\tcpip\\parameters";
    const std::string ie = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
    std::vector<Expect> e = {
        {M, kParams, "SackOpts", 1, false},
        {M, kParams, "Tcp1323Opts", 1, false},
        {M, kParams, "TcpMaxDupAcks", 2, false},
        {M, kParams, "DefaultReceiveWindow", 8192, false},
        {M, lower, "DefaultTTL", p.ttl, false},
        {M, lower, "GlobalMaxTcpWindowSize", p.rwin, p.rwin == -1},
        {M, lower, "TcpWindowSize", p.rwin, p.rwin == -1},
        {M, lower, "EnablePMTUBHDetect", p.pmtuBlackHoleDetect ? 1 : 0, false},
        {M, lower, "EnablePMTUDiscovery", p.pmtuDiscovery ? 1 : 0, false},
        {M, lower, "KeepAliveTime", p.keepAliveTime, false},
        {M, lower, "KeepAliveInterval", p.keepAliveInterval, false},
        {M, lower, "SYNAttackProtect", p.synAttackProtect, false},
        {M, lower, "EnableICMPRedirects", p.icmpRedirects ? 1 : 0, false},
        {U, ie, "MaxConnectionsPer1_0Server", p.maxConnPer1_0Server, false},
        {U, ie, "MaxConnectionsPerServer", p.maxConnPerServer, false},
    };
    for (const std::string& x : interfaces) {
        const std::string itf = std::string(samples::kInterfaces) + "\\" + x;
        const std::string svc = "SYSTEM\\CurrentControlSet\\Services\\" + x + "\\Parameters\\Tcpip";
        for (const char* name : {"MTU", "MSS"}) {
            const std::int64_t value = std::string(name) == "MTU" ? p.mtu : p.mss;
            e.push_back({M, itf, name, value, p.mtu == -1});
            e.push_back({M, svc, name, value, p.mtu == -1});
        }
    }
    e.push_back({M, kCache, "", p.ndiCacheSize, false});
    return systemDefaultsRemoveAll(p, e);
}

// The registry as it must be after an apply: `before` with the table's
// values written (text on 9x, DWORD on NT) or removed; keys created as needed.
RegSnapshot withTable(RegSnapshot before, const std::vector<Expect>& table, bool textValues) {
    for (const Expect& e : table) {
        before.addKey(hivePrefix(e.hive), e.key);
        const std::string id = RegSnapshot::valueKey(hivePrefix(e.hive), e.key, e.name);
        if (e.removed) {
            before.values.erase(id);
        } else if (textValues) {
            before.values[id] = {REG_SZ, szBytes(std::to_string(e.value))};
        } else {
            before.values[id] = {REG_DWORD, testing::dwordBytes(static_cast<std::uint32_t>(e.value))};
        }
    }
    return before;
}

std::string differences(const RegSnapshot& want, const RegSnapshot& got) {
    std::string text;
    for (const auto& k : want.keys)
        if (!got.keys.count(k)) text += "missing key " + k + "\n";
    for (const auto& k : got.keys)
        if (!want.keys.count(k)) text += "extra key " + k + "\n";
    for (const auto& [id, v] : want.values) {
        auto it = got.values.find(id);
        if (it == got.values.end()) text += "missing value " + id + "\n";
        else if (it->second != v) text += "changed value " + id + " (type " + std::to_string(it->second.first) + ")\n";
    }
    for (const auto& [id, v] : got.values)
        if (!want.values.count(id)) text += "extra value " + id + "\n";
    return text;
}

// The same, for the values alone: a restore leaves the keys an apply made.
std::string valueDifferences(const RegSnapshot& want, RegSnapshot got) {
    got.keys = want.keys;
    return differences(want, got);
}

// Values beside the mapped ones, which an apply must not touch.
void putBystanders() {
    setRaw(HKEY_LOCAL_MACHINE, kMstcp, "EnableDNS", REG_SZ, szBytes("1"));
    setRaw(HKEY_LOCAL_MACHINE, kParams, "Hostname", REG_SZ, szBytes("box"));
    setRaw(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Services\\Class\\Net\\0000", "DriverDesc", REG_SZ,
           szBytes("Adapter"));
    setRaw(HKEY_CURRENT_USER, "Software\\Other", "v", REG_DWORD, testing::dwordBytes(5));
    setRaw(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings", "ProxyEnable",
           REG_DWORD, testing::dwordBytes(0));
}

}  // namespace

TEST_CASE("every preset on every Windows version writes exactly its family's table and nothing else") {
    struct Version {
        const char* mode;
        int winVersion;
    };
    const Version versions[] = {{"win95", 2}, {"win98", 3}, {"winme", 4}, {"nt40", 5},
                                {"win2k", 6}, {"winxp", 7}, {"win7", 8}, {"unrecognised", 1}};
    for (const Version& v : versions) {
        CAPTURE(v.mode);
        RegistrySandbox sandbox;
        ScratchProgramFolder folder("apply");
        MessageLog messages;
        const bool nt = v.winVersion >= 5;
        if (nt) {
            putSamples(samples::valuesNt(), {std::string(samples::kInterfaces) + "\\{5E6F}"});
        } else {
            putSamples(samples::values9x(), {std::string(samples::kNetTrans) + "\\0002"});
        }
        putBystanders();
        winVersion = static_cast<std::int16_t>(v.winVersion);
        const std::vector<std::string> subkeys = nt ? samples::interfaceSubkeys(3) : samples::netTransSubkeys(3);
        // Twice over, so the removals of one preset meet the values the
        // one before wrote, and the other way round.
        for (int round = 0; round < 2; ++round) {
            for (std::size_t i = 0; i < tuning::kTuningPresetCount; ++i) {
                CAPTURE(tuning::kTuningPresetNames[i]);
                tuning::currentTuning = tuning::tuningPresets[i];
                const RegSnapshot before = snapshotRegistry();
                CHECK(backup::applyTuning() == backup::ApplyOutcome::Applied);
                const RegSnapshot after = snapshotRegistry();
                const RegSnapshot want = withTable(
                    before, nt ? tableNt(tuning::currentTuning, subkeys) : table9x(tuning::currentTuning, subkeys),
                    !nt);
                CHECK(differences(want, after) == "");
            }
        }
        CHECK(messages.entries.empty());
        CHECK(folder.backupFiles().size() == 2 * tuning::kTuningPresetCount);
        CHECK(folder.backupFiles().back() == "016.BCK");
    }
    winVersion = 0;
}

TEST_CASE("the backup written before an apply holds the values from before") {
    RegistrySandbox sandbox;
    ScratchProgramFolder folder("apply-backup");
    MessageLog messages;
    effects().localTime = [] { return LocalTime{2004, 3, 15, 17, 5, 9}; };
    putSamples(samples::valuesNt(), {std::string(samples::kInterfaces) + "\\{5E6F}"});
    winVersion = 6;
    tuning::currentTuning = tuning::tuningPresets[2];
    REQUIRE(backup::applyTuning() == backup::ApplyOutcome::Applied);
    CHECK(readFile(folder.backups() + "\\001.BCK") == samples::expectedNt(3, 6));
    // Automatic-C removed every MTU and MSS value and both window values.
    CHECK(queryRaw(HKEY_LOCAL_MACHINE, std::string(samples::kInterfaces) + "\\{1A2B}", "MTU").status ==
          ERROR_FILE_NOT_FOUND);
    CHECK(queryRaw(HKEY_LOCAL_MACHINE, kParams, "TcpWindowSize").status == ERROR_FILE_NOT_FOUND);
    // A removal makes no key: the adapter with none below Services still has none.
    CHECK_FALSE(keyExists(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\{5E6F}"));
    winVersion = 0;
}

TEST_CASE("NT without an Interfaces key still gets the cachesize value") {
    RegistrySandbox sandbox;
    ScratchProgramFolder folder("apply-bare");
    MessageLog messages;
    winVersion = 7;
    tuning::currentTuning = tuning::tuningPresets[6];
    const RegSnapshot before = snapshotRegistry();
    REQUIRE(backup::applyTuning() == backup::ApplyOutcome::Applied);
    CHECK(differences(withTable(before, tableNt(tuning::currentTuning, {}), false), snapshotRegistry()) == "");
    CHECK(queryRaw(HKEY_LOCAL_MACHINE, kCache, "").bytes == testing::dwordBytes(0));
    const std::string file = readFile(folder.backups() + "\\001.BCK");
    CHECK(file.size() > 0);
    // Nothing of the key existed: a restore removes all of it but "System".
    CHECK(file.substr(file.size() - 87) ==
          "\"System\\CurrentControlSet\\Services\\VxD\\NWLink\\Ndi\\params\\cachesize\"\r\n\"\"\r\nabsent key 7\r\n");
    winVersion = 0;
}

TEST_CASE("no backup, no change: a folder that cannot be made, and numbers used up") {
    RegistrySandbox sandbox;
    ScratchProgramFolder folder("apply-refused");
    MessageLog messages;
    putSamples(samples::values9x(), {});
    winVersion = 3;
    tuning::currentTuning = tuning::tuningPresets[4];
    const RegSnapshot before = snapshotRegistry();

    // A file where the Backups folder belongs.
    writeFile(folder.backups(), "not a folder");
    CHECK(backup::applyTuning() == backup::ApplyOutcome::NotApplied);
    CHECK(differences(before, snapshotRegistry()) == "");
    REQUIRE(messages.entries.size() == 1);
    CHECK(messages.entries[0].caption == "Quellar");
    CHECK(messages.entries[0].text.find("were not changed") != std::string::npos);
    CHECK(messages.entries[0].text.find("cannot be created") != std::string::npos);
    DeleteFileA(folder.backups().c_str());

    // 999.BCK present.
    CreateDirectoryA(folder.backups().c_str(), nullptr);
    writeFile(folder.backups() + "\\999.BCK", "");
    CHECK(backup::applyTuning() == backup::ApplyOutcome::NotApplied);
    CHECK(differences(before, snapshotRegistry()) == "");
    REQUIRE(messages.entries.size() == 2);
    CHECK(messages.entries[1].text.find("999") != std::string::npos);
    CHECK(folder.backupFiles() == std::vector<std::string>{"999.BCK"});

    // An unknown Windows version writes nothing either.
    winVersion = 0;
    DeleteFileA((folder.backups() + "\\999.BCK").c_str());
    CHECK(backup::applyTuning() == backup::ApplyOutcome::NotApplied);
    CHECK(messages.entries.size() == 3);
    CHECK(folder.backupFiles().empty());
    CHECK(differences(before, snapshotRegistry()) == "");
}

TEST_CASE("backup files on disk: stale temporaries, a folder in the way, a number taken meanwhile, a write that fails") {
    RegistrySandbox sandbox;
    ScratchProgramFolder folder("apply-disk");
    MessageLog messages;
    putSamples(samples::values9x(), {});
    winVersion = 3;
    tuning::currentTuning = tuning::tuningPresets[4];
    CreateDirectoryA(folder.backups().c_str(), nullptr);
    // What a crash can leave: an old temporary of ours, read-only, and a
    // folder carrying the next backup's name; beside them a temporary that
    // another writer is busy with, which stays.
    const std::string stale = folder.backups() + "\\QLR1A2B.tmp";
    writeFile(stale, "half");
    HANDLE file = CreateFileA(stale.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    FILETIME old{};
    GetSystemTimeAsFileTime(&old);
    ULARGE_INTEGER ticks{{old.dwLowDateTime, old.dwHighDateTime}};
    ticks.QuadPart -= 2ULL * 60 * 10000000;  // two minutes ago
    old.dwLowDateTime = ticks.LowPart;
    old.dwHighDateTime = ticks.HighPart;
    SetFileTime(file, nullptr, nullptr, &old);
    CloseHandle(file);
    SetFileAttributesA(stale.c_str(), FILE_ATTRIBUTE_READONLY);
    writeFile(folder.backups() + "\\QLR3C4D.tmp", "busy");
    CreateDirectoryA((folder.backups() + "\\001.BCK").c_str(), nullptr);
    REQUIRE(backup::applyTuning() == backup::ApplyOutcome::Applied);
    CHECK(folder.backupFiles() == std::vector<std::string>{"001.BCK", "002.BCK", "QLR3C4D.tmp"});
    CHECK(backup::readBackupFile(folder.backups() + "\\002.BCK").ok);
    DeleteFileA((folder.backups() + "\\QLR3C4D.tmp").c_str());

    // Another backup takes the number just before the rename: the next free
    // one serves, and the apply goes ahead.
    auto& hook = backup::temporaryFileHook();
    hook = [&](const std::string&, const std::string& target) { writeFile(target, "another writer's"); };
    CHECK(backup::applyTuning() == backup::ApplyOutcome::Applied);
    CHECK(folder.backupFiles() == std::vector<std::string>{"001.BCK", "002.BCK", "003.BCK", "004.BCK"});
    CHECK(readFile(folder.backups() + "\\003.BCK") == "another writer's");
    CHECK(backup::readBackupFile(folder.backups() + "\\004.BCK").ok);

    // The temporary file cannot be written: nothing applied, nothing left,
    // and the message names the file.
    tuning::currentTuning = tuning::tuningPresets[0];
    const RegSnapshot before = snapshotRegistry();
    std::string temporary;
    hook = [&](const std::string& tmp, const std::string&) {
        temporary = tmp;
        DeleteFileA(tmp.c_str());
        CreateDirectoryA(tmp.c_str(), nullptr);
    };
    CHECK(backup::applyTuning() == backup::ApplyOutcome::NotApplied);
    hook = nullptr;
    CHECK(differences(before, snapshotRegistry()) == "");
    REQUIRE_FALSE(messages.entries.empty());
    CHECK(messages.entries.back().text.find(temporary) != std::string::npos);
    CHECK(messages.entries.back().text.find("cannot be written") != std::string::npos);
    RemoveDirectoryA(temporary.c_str());
    CHECK(folder.backupFiles() == std::vector<std::string>{"001.BCK", "002.BCK", "003.BCK", "004.BCK"});
    winVersion = 0;
}

TEST_CASE("writes that fail are counted and explained, and the rest are still made") {
    RegistrySandbox sandbox;
    ScratchProgramFolder folder("apply-denied");
    MessageLog messages;
    putSamples(samples::values9x(), {std::string(samples::kNetTrans) + "\\0002"});
    REQUIRE(makeReadOnly(HKEY_LOCAL_MACHINE, kMstcp));
    winVersion = 2;
    tuning::currentTuning = tuning::tuningPresets[6];
    CHECK(backup::applyTuning() == backup::ApplyOutcome::PartlyApplied);
    REQUIRE(messages.entries.size() == 1);
    const std::string text = messages.entries[0].text;
    CHECK(messages.entries[0].caption == "Quellar");
    CHECK(text.find("9 of 18 TCP/IP values could not be written") == 0);
    CHECK(text.find("001.BCK") != std::string::npos);
    CHECK(text.find("HKEY_LOCAL_MACHINE\\" + kMstcp + "\\DefaultTTL: " +
                    win::systemErrorText(ERROR_ACCESS_DENIED)) != std::string::npos);
    CHECK(text.find("(and 3 more)") != std::string::npos);
    // Everything outside the refusing key was written.
    CHECK(queryRaw(HKEY_LOCAL_MACHINE, kCache, "").bytes == szBytes("0"));
    CHECK(queryRaw(HKEY_LOCAL_MACHINE, std::string(samples::kNetTrans) + "\\0002", "MaxMSS").bytes ==
          szBytes("1460"));
    CHECK(queryRaw(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings",
                   "MaxConnectionsPerServer").bytes == szBytes("20"));
    CHECK(queryRaw(HKEY_LOCAL_MACHINE, kMstcp, "DefaultTTL").bytes == szBytes("32"));
    winVersion = 0;
}

TEST_CASE("apply then restore gives back the registry as it was, value by value and key by key") {
    for (const bool nt : {false, true}) {
        for (const std::size_t preset : {std::size_t{0}, tuning::kWindowsDefaultPreset}) {
            CAPTURE(nt);
            CAPTURE(tuning::kTuningPresetNames[preset]);
            RegistrySandbox sandbox;
            ScratchProgramFolder folder("roundtrip");
            MessageLog messages;
            const std::vector<std::string> subkeys = nt ? samples::interfaceSubkeys(3) : samples::netTransSubkeys(3);
            std::vector<std::string> keys;
            for (const std::string& s : subkeys)
                keys.push_back(std::string(nt ? samples::kInterfaces : samples::kNetTrans) + "\\" + s);
            putSamples(nt ? samples::valuesNt() : samples::values9x(), keys);
            putHostileValues(nt);
            const std::string parent = nt ? samples::kInterfaces : samples::kNetTrans;
            HKEY wide = createWideKey(parent, kForeignName);
            REQUIRE(wide);
            const DWORD wideMtu = 1492;
            RegSetValueExW(wide, L"MTU", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&wideMtu), sizeof wideMtu);
            winVersion = static_cast<std::int16_t>(nt ? 7 : 3);
            const RegSnapshot before = snapshotRegistry();
            tuning::currentTuning = tuning::tuningPresets[preset];
            const backup::ApplyResult applied = backup::applyTuningReporting();
            REQUIRE(applied.outcome == backup::ApplyOutcome::Applied);
            if (preset == tuning::kWindowsDefaultPreset) {
                for (const Expect& e :
                     nt ? tableNt(tuning::currentTuning, subkeys) : table9x(tuning::currentTuning, subkeys)) {
                    CAPTURE(e.key);
                    CAPTURE(e.name);
                    CHECK(queryRaw(win::hiveKey(e.hive), e.key, e.name).status == ERROR_FILE_NOT_FOUND);
                }
            }
            // The key with the foreign name is left alone, no key stands in
            // for it, and the notice of the apply says so.
            CHECK(applied.leftAlone.find("Left alone, a name a backup cannot hold") == 0);
            CHECK_FALSE(keyExists(HKEY_LOCAL_MACHINE, parent + "\\??"));
            DWORD mtu = 0, size = sizeof mtu;
            CHECK(RegQueryValueExW(wide, L"MTU", nullptr, nullptr, reinterpret_cast<BYTE*>(&mtu), &size) ==
                  ERROR_SUCCESS);
            CHECK(mtu == wideMtu);
            RegCloseKey(wide);
            const RegSnapshot appliedValues = snapshotRegistry();
            // The values and keys the apply made go again with a restore,
            // the four constants included.
            const backup::RestoreResult restored = backup::restoreBackupFile(folder.backups() + "\\001.BCK", winVersion);
            CHECK(restored.ok());
            CHECK(differences(before, snapshotRegistry()) == "");
            // The restore kept what it replaced: restoring that puts the
            // applied values back.
            CHECK(text::fileNameOf(restored.backupPath) == "002.BCK");
            REQUIRE(backup::restoreBackupFile(restored.backupPath, winVersion).ok());
            CHECK(valueDifferences(appliedValues, snapshotRegistry()) == "");
            CHECK(messages.entries.empty());
        }
    }
    winVersion = 0;
}

namespace {

// An apply of Automatic-B on XP that must be refused: nothing written, no
// backup left, and one message that says `why`.
void checkApplyRefused(const ScratchProgramFolder& folder, const MessageLog& messages, const std::string& why) {
    winVersion = 7;
    tuning::currentTuning = tuning::tuningPresets[1];
    const RegSnapshot before = snapshotRegistry();
    CHECK(backup::applyTuning() == backup::ApplyOutcome::NotApplied);
    CHECK(differences(before, snapshotRegistry()) == "");
    CHECK(folder.backupFiles().empty());
    REQUIRE(messages.entries.size() == 1);
    CHECK(messages.entries[0].text.find(why) != std::string::npos);
    winVersion = 0;
}

}  // namespace

TEST_CASE("a text the code page cannot hold refuses the apply, which changes nothing and names the value") {
    RegistrySandbox sandbox;
    ScratchProgramFolder folder("apply-foreign-text");
    MessageLog messages;
    putSamples(samples::valuesNt(), {});
    HKEY key = nullptr;
    REQUIRE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kParams.c_str(), 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS);
    const std::wstring text = kForeignName;
    RegSetValueExW(key, L"DefaultTTL", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    checkApplyRefused(folder, messages, "DefaultTTL holds characters outside this system's code page");
}

TEST_CASE("a backup the restore's reader would refuse is never the way back: the apply changes nothing") {
    RegistrySandbox sandbox;
    ScratchProgramFolder folder("apply-unreadable-backup");
    MessageLog messages;
    // Each value alone can be recorded, but together they make a file larger
    // than the reader takes.
    const std::string big(backup::kLargestTypedValue, '\x5a');
    for (int i = 0; i < 6; ++i) {
        const std::string x = "{" + std::to_string(i) + "}";
        for (const std::string& key : {std::string(samples::kInterfaces) + "\\" + x,
                                       "SYSTEM\\CurrentControlSet\\Services\\" + x + "\\Parameters\\Tcpip"})
            for (const char* name : {"MTU", "MSS"}) setRaw(HKEY_LOCAL_MACHINE, key, name, REG_BINARY, big);
    }
    checkApplyRefused(folder, messages, "does not read back as the values it was taken from");
}

TEST_CASE("the family follows the Windows version Wine reports to a process") {
    struct Mode {
        const char* mode;
        DWORD winVersion;
        bool nt;
    };
    const Mode modes[] = {{"win95", 2, false}, {"win98", 3, false}, {"winme", 4, false},
                          {"nt40", 5, true},   {"win2k", 6, true},  {"winxp", 7, true},
                          {"win2003", 8, true}, {"win7", 8, true}};
    const std::string folder = testProgramFolder();
    for (const Mode& m : modes) {
        CAPTURE(m.mode);
        setWineVersionFor("tuning_probe.exe", m.mode);
        ChildProcess probe(folder + "\\tuning_probe.exe", folder);
        REQUIRE(probe.started());
        // Version in the high bits; the layout written; the backup header
        // agrees; the apply succeeded quietly.
        const DWORD expected = m.winVersion * 16 + (m.nt ? 2u : 1u) + 4u + 8u;
        CHECK(probe.waitExit(60000) == expected);
    }
    setWineVersionFor("tuning_probe.exe", "");
}
