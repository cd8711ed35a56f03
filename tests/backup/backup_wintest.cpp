#include <doctest/doctest.h>

#include <string>
#include <vector>

#include "backup/backup_win.h"
#include "core/osversion.h"
#include "support/tuningsandbox_win.h"

using namespace quellar;
using namespace quellar::backup;
using namespace quellar::testing;
namespace samples = quellar::testing::backupsamples;

namespace {

const LocalTime kWhen{2004, 3, 15, 17, 5, 9};

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    if (start < text.size()) lines.push_back(text.substr(start) + " <no line end>");
    return lines;
}

std::string firstLines(const std::string& text, std::size_t count) {
    std::size_t end = 0;
    for (std::size_t i = 0; i < count; ++i) end = text.find("\r\n", end) + 2;
    return text.substr(0, end);
}

std::string fileNameOf(const std::string& path) { return path.substr(path.find_last_of('\\') + 1); }

// The registry holds what a restore of `w` writes: the number's decimal
// text (9x) or its 32 bits (NT), a typed value's own type and bytes, or no
// value at all for one recorded absent.
void checkRestored(const RegistryOperation& w) {
    CAPTURE(w.keyPath);
    CAPTURE(w.valueName);
    const RawValue raw = queryRaw(win::hiveKey(w.hive), w.keyPath, w.valueName);
    if (w.remove) {
        CHECK(raw.status == ERROR_FILE_NOT_FOUND);
        return;
    }
    REQUIRE(raw.status == ERROR_SUCCESS);
    if (w.exact) {
        CHECK(raw.type == w.type);
        CHECK(raw.bytes == w.data);
    } else if (w.type == REG_SZ) {
        CHECK(raw.type == REG_SZ);
        CHECK(raw.bytes == szBytes(std::to_string(w.value)));
    } else {
        CHECK(raw.type == REG_DWORD);
        CHECK(raw.bytes == testing::dwordBytes(static_cast<std::uint32_t>(w.value)));
    }
}

// Writes something else over every value of the sample (and removes some),
// so a restore has to bring each one back.
void scramble(const std::vector<samples::SampleValue>& values) {
    bool remove = false;
    for (const auto& v : values) {
        HKEY key = win::hiveKey(v.hive);
        if (remove) {
            HKEY k = nullptr;
            if (RegOpenKeyExA(key, v.path.c_str(), 0, KEY_ALL_ACCESS, &k) == ERROR_SUCCESS) {
                RegDeleteValueA(k, v.name.c_str());
                RegCloseKey(k);
            }
        } else {
            setRaw(key, v.path, v.name, REG_BINARY, "\x01\x02\x03");
        }
        remove = !remove;
    }
}

}  // namespace

TEST_CASE("backup file names on disk") {
    ScratchProgramFolder folder("numbers");
    auto next = [] { return fileNameOf(nextBackupFileName().path); };

    // No folder yet: it is made, and the first backup is 001.
    BackupFileChoice choice = nextBackupFileName();
    REQUIRE(choice.ok());
    CHECK(choice.path == folder.path() + "\\Backups\\001.BCK");
    CHECK((GetFileAttributesA(folder.backups().c_str()) & FILE_ATTRIBUTE_DIRECTORY) != 0);

    for (const char* name : {"001.BCK", "002.BCK", "007.BCK"}) writeFile(folder.backups() + "\\" + name, "");
    CHECK(next() == "008.BCK");
    DeleteFileA((folder.backups() + "\\007.BCK").c_str());
    CHECK(next() == "003.BCK");
    writeFile(folder.backups() + "\\notes.BCK", "");
    CHECK(next() == "003.BCK");
    writeFile(folder.backups() + "\\1234.bck", "");
    CHECK(next() == "235.BCK");
    // Folders and files of other kinds do not count.
    CreateDirectoryA((folder.backups() + "\\500.BCK").c_str(), nullptr);
    writeFile(folder.backups() + "\\600.txt", "");
    CHECK(next() == "235.BCK");

    // 999 taken: no name, a reason, and no backup file appears.
    writeFile(folder.backups() + "\\999.BCK", "");
    choice = nextBackupFileName();
    CHECK_FALSE(choice.ok());
    CHECK(choice.path.empty());
    CHECK(choice.problem.find("999") != std::string::npos);
    const std::vector<std::string> files = folder.backupFiles();
    const BackupWriteResult written = backupCurrentSettings();
    CHECK_FALSE(written.ok);
    CHECK(written.problem == choice.problem);
    CHECK(folder.backupFiles() == files);
}

TEST_CASE("a backup of a prepared registry is the layout line for line, and restores byte for byte") {
    struct Case {
        int winVersion;
        int subkeys;
    };
    for (const Case c : {Case{3, 0}, Case{3, 3}, Case{1, 3}, Case{7, 0}, Case{7, 3}, Case{5, 3}}) {
        CAPTURE(c.winVersion);
        CAPTURE(c.subkeys);
        RegistrySandbox sandbox;
        ScratchProgramFolder folder("layout");
        MessageLog messages;
        effects().localTime = [] { return kWhen; };
        const bool nt = c.winVersion >= 5;
        std::vector<samples::SampleValue> values = nt ? samples::valuesNt() : samples::values9x();
        std::vector<std::string> keys;
        const std::vector<std::string> subkeys =
            nt ? samples::interfaceSubkeys(c.subkeys) : samples::netTransSubkeys(c.subkeys);
        for (const std::string& s : subkeys)
            keys.push_back(std::string(nt ? samples::kInterfaces : samples::kNetTrans) + "\\" + s);
        if (c.subkeys == 0) {
            // Values of adapters that are not listed stay out of the file.
            std::vector<samples::SampleValue> fixedOnly;
            for (const auto& v : values)
                if (v.path.find(nt ? "{" : "NetTrans") == std::string::npos) fixedOnly.push_back(v);
            values = fixedOnly;
        }
        putSamples(values, keys);
        winVersion = static_cast<std::int16_t>(c.winVersion);

        const BackupWriteResult written = backupCurrentSettings();
        REQUIRE(written.ok);
        CHECK(fileNameOf(written.path) == "001.BCK");
        CHECK(folder.backupFiles() == std::vector<std::string>{"001.BCK"});  // no temporary left
        const std::string expected =
            nt ? samples::expectedNt(c.subkeys, c.winVersion) : samples::expected9x(c.subkeys, c.winVersion);
        CHECK(linesOf(readFile(written.path)) == linesOf(expected));

        const BackupReadResult read = readBackupFile(written.path);
        REQUIRE(read.ok);
        scramble(values);
        const RestoreResult restored = restoreBackupFile(written.path, c.winVersion);
        CHECK(restored.ok());
        CHECK(restored.message.empty());
        CHECK(restored.report.attempted == read.contents.writes.size());
        for (const auto& w : read.contents.writes) checkRestored(w);
        // Every value comes back with its very type and bytes: NT DWORDs
        // (all bits set among them), 9x texts, plain or not, and DWORDs on 9x.
        for (const auto& v : values) {
            CAPTURE(v.path);
            CAPTURE(v.name);
            const RawValue raw = queryRaw(win::hiveKey(v.hive), v.path, v.name);
            CHECK(raw.type == v.type);
            CHECK(raw.bytes == (v.type == REG_SZ ? szBytes(v.text) : testing::dwordBytes(v.dword)));
        }
        CHECK(messages.entries.empty());
    }
    winVersion = 0;
}

TEST_CASE("a damaged backup restores nothing and says where it is damaged") {
    RegistrySandbox sandbox;
    ScratchProgramFolder folder("damaged");
    CreateDirectoryA(folder.backups().c_str(), nullptr);
    putSamples(samples::valuesNt(), {});
    const RegSnapshot before = snapshotRegistry();
    const std::string whole = samples::expectedNt(2);
    struct Damage {
        std::string text;
        const char* line;
    };
    const Damage damages[] = {
        {firstLines(whole, 55), "Line 56: "},  // cut inside the last record
        {whole.substr(0, whole.find("\"TcpWindowSize\"")) + "\"Other\"\r\n", "Line 17: "},  // a foreign name
        {whole.substr(0, whole.find("4294967295")) + "4294967296\r\n", "Line 16: "},  // out of range
        // A NUL for a subkey name would write on the Interfaces key itself.
        {whole.substr(0, whole.find("\"SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces\\")) +
             std::string("\"SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces\\\0\"\r\n", 67) +
             "\"MTU\"\r\n1500\r\n\"MSS\"\r\n1460\r\n",
         "Line 39: "},
    };
    for (const Damage& d : damages) {
        CAPTURE(d.line);
        const std::string path = folder.backups() + "\\001.BCK";
        writeFile(path, d.text);
        const BackupReadResult read = readBackupFile(path);
        CHECK_FALSE(read.ok);
        CHECK(read.describe().find(d.line) == 0);
        const RestoreResult r = restoreBackupFile(path, 7);
        CHECK(r.status == RestoreResult::Status::Rejected);
        CHECK(r.report.attempted == 0);
        CHECK(r.message.find("001.BCK was not restored; nothing was changed.") != std::string::npos);
        CHECK(r.message.find(d.line) != std::string::npos);
        CHECK(snapshotRegistry() == before);
    }
    const RestoreResult missing = restoreBackupFile(folder.backups() + "\\404.BCK", 7);
    CHECK(missing.status == RestoreResult::Status::Rejected);
    CHECK(missing.message.find("cannot be read: " + win::systemErrorText(ERROR_FILE_NOT_FOUND)) !=
          std::string::npos);
}

TEST_CASE("a restore whose writes fail still makes the others and counts the failures") {
    RegistrySandbox sandbox;
    ScratchProgramFolder folder("restore-denied");
    CreateDirectoryA(folder.backups().c_str(), nullptr);
    const std::string path = folder.backups() + "\\001.BCK";
    writeFile(path, samples::expectedNt(3));
    putSamples({}, {std::string(samples::kInterfaces) + "\\{1A2B}"});
    REQUIRE(makeReadOnly(HKEY_LOCAL_MACHINE, std::string(samples::kInterfaces) + "\\{1A2B}"));
    const RestoreResult r = restoreBackupFile(path, 7);
    CHECK(r.status == RestoreResult::Status::PartlyRestored);
    CHECK(r.report.attempted == 16 + 12);
    CHECK(r.report.failures.size() == 2);
    CHECK(r.message.find("2 of 28 recorded values could not be written back") == 0);
    CHECK(r.message.find(win::systemErrorText(ERROR_ACCESS_DENIED)) != std::string::npos);
    // Values recorded absent stay absent, and no key is made for them.
    CHECK_FALSE(keyExists(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\{5E6F}\\Parameters\\Tcpip"));
    CHECK(queryRaw(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Services\\Tcpip\\Parameters",
                   "GlobalMaxTcpWindowSize").bytes == testing::dwordBytes(0xFFFFFFFFu));
}

TEST_CASE("a restore refuses another Windows version; the list reads headers alone") {
    RegistrySandbox sandbox;
    ScratchProgramFolder folder("header");
    CreateDirectoryA(folder.backups().c_str(), nullptr);
    const std::string path = folder.backups() + "\\001.BCK";
    writeFile(path, samples::expectedNt(1, 6));
    const RegSnapshot before = snapshotRegistry();
    const RestoreResult refused = restoreBackupFile(path, 7);  // taken on 2000, running XP
    CHECK(refused.status == RestoreResult::Status::OtherWindows);
    CHECK(refused.message == "This backup file was taken from another operating system!!");
    CHECK(refused.report.attempted == 0);
    CHECK(snapshotRegistry() == before);
    CHECK(restoreBackupFile(path, 6).ok());

    // Header only: a body that would never check out does not matter.
    writeFile(path, firstLines(samples::expectedNt(0, 8), 3) + "garbage\r\n");
    BackupHeaderRead header = readBackupHeader(path);
    REQUIRE(header.opened);
    REQUIRE(header.fields.date);
    CHECK(header.fields.date->day == 15);
    REQUIRE(header.fields.time);
    CHECK(header.fields.time->second == 9);
    CHECK(header.fields.winVersion == 8);
    // A damaged header: each bad field is simply not there.
    writeFile(path, "#2004-02-30#\r\n#17:05:09#\r\n9\r\n");
    header = readBackupHeader(path);
    CHECK(header.opened);
    CHECK_FALSE(header.fields.date);
    CHECK(header.fields.time);
    CHECK_FALSE(header.fields.winVersion);
    writeFile(path, "");
    CHECK_FALSE(readBackupHeader(path).fields.time);
    header = readBackupHeader(folder.backups() + "\\404.BCK");
    CHECK_FALSE(header.opened);
    CHECK(header.problem.find(win::systemErrorText(ERROR_FILE_NOT_FOUND)) != std::string::npos);
}
