#include <doctest/doctest.h>

#include <algorithm>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "backup/backupfile.h"
#include "core/regformat.h"
#include "support/backupsamples.h"

using namespace quellar;
using namespace quellar::backup;
namespace samples = quellar::testing::backupsamples;

namespace {

std::vector<std::string> fileList(std::initializer_list<const char*> names) {
    return std::vector<std::string>(names.begin(), names.end());
}

std::size_t lineCount(const std::string& text) {
    std::size_t n = 0;
    for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2)) ++n;
    return n;
}

// Replaces the 1-based line `number` of a CR LF text.
std::string withLine(const std::string& text, std::size_t number, const std::string& replacement) {
    std::size_t start = 0;
    for (std::size_t i = 1; i < number; ++i) start = text.find("\r\n", start) + 2;
    const std::size_t end = text.find("\r\n", start);
    return text.substr(0, start) + replacement + text.substr(end);
}

// The first `count` lines of a CR LF text, each with its line end.
std::string firstLines(const std::string& text, std::size_t count) {
    std::size_t end = 0;
    for (std::size_t i = 0; i < count; ++i) end = text.find("\r\n", end) + 2;
    return text.substr(0, end);
}

void checkRejected(const std::string& text, std::size_t line, const char* fragment) {
    const BackupReadResult r = readBackup(text);
    CHECK_FALSE(r.ok);
    CHECK(r.contents.writes.empty());
    CHECK(r.line == line);
    CHECK(r.describe().find("Line " + std::to_string(line) + ": ") == 0);
    CHECK(r.problem.find(fragment) != std::string::npos);
}

}  // namespace

TEST_CASE("backup numbering") {
    CHECK(backupNumberOf("001") == 1);
    CHECK(backupNumberOf("1234") == 234);
    CHECK(backupNumberOf("notes") == 0);
    CHECK(backupNumberOf("x 42") == 42);
    CHECK(backupNumberOf("12a") == 12);
    CHECK(backupNumberOf("") == 0);
    CHECK(baseNameOf("007.BCK") == "007");
    CHECK(baseNameOf("a.b.BCK") == "a.b");
    CHECK(isBackupFileName("007.bck"));
    CHECK_FALSE(isBackupFileName("007.BCK.tmp"));
    CHECK_FALSE(isBackupFileName("007"));

    CHECK(highestBackupNumber({}) == 0);
    CHECK(highestBackupNumber(fileList({"001.BCK", "002.BCK", "007.BCK"})) == 7);
    CHECK(highestBackupNumber(fileList({"001.BCK", "002.BCK"})) == 2);
    CHECK(highestBackupNumber(fileList({"notes.BCK"})) == 0);
    CHECK(highestBackupNumber(fileList({"1234.BCK", "005.bck", "900.txt"})) == 234);
    CHECK(backupFileNameFor(highestBackupNumber(fileList({"001.BCK", "002.BCK", "007.BCK"})) + 1) == "008.BCK");
    CHECK(backupFileNameFor(1) == "001.BCK");
    CHECK(backupFileNameFor(10) == "010.BCK");
    CHECK(backupFileNameFor(999) == "999.BCK");
    CHECK_FALSE(backupFileNameFor(1000));
    CHECK_FALSE(backupFileNameFor(0));
}

TEST_CASE("line forms and the recording rule") {
    LocalTime t{2004, 3, 15, 17, 5, 9};
    CHECK(dateLine(t) == "#2004-03-15#");
    CHECK(timeLine(t) == "#17:05:09#");
    CHECK(timeLine(LocalTime{2004, 1, 1, 0, 0, 0}) == "#00:00:00#");
    CHECK(quotedLine("bad\"quote") == "\"bad\"\"quote\"");
    CHECK(quotedLine("") == "\"\"");
    CHECK(typedLine(0xb, std::string("\x01\x00\xff", 3)) == "hex(b):01,00,ff");
    CHECK(typedLine(3, "") == "hex(3):");
    // A plain number only where writing it back gives the same type and bytes.
    const auto nine = tuning::Family::Win9x;
    const auto nt = tuning::Family::Nt;
    CHECK(plainNumber(nine, kTypeText, std::string("1500\0", 5)) == 1500);
    CHECK(plainNumber(nine, kTypeText, std::string("0\0", 2)) == 0);
    CHECK(plainNumber(nine, kTypeText, std::string("4294967295\0", 11)) == 4294967295LL);
    for (const std::string& text : {std::string("65535 bytes\0", 12), std::string("-5\0", 3), std::string("05\0", 3),
                                     std::string("4294967296\0", 11), std::string("1500"), std::string("\0", 1)}) {
        CAPTURE(text);
        CHECK_FALSE(plainNumber(nine, kTypeText, text));
    }
    CHECK_FALSE(plainNumber(nine, kTypeDword, std::string("\x05\0\0\0", 4)));
    CHECK(plainNumber(nt, kTypeDword, std::string("\xff\xff\xff\xff", 4)) == 4294967295LL);
    CHECK_FALSE(plainNumber(nt, kTypeDword, std::string("\x05\0\0", 3)));
    CHECK_FALSE(plainNumber(nt, 11, std::string(8, '\0')));
    CHECK_FALSE(plainNumber(nt, kTypeText, std::string("5\0", 2)));
}

TEST_CASE("a 9x backup matches the layout line for line") {
    const LocalTime when{2004, 3, 15, 17, 5, 9};
    for (int subkeys : {0, 3}) {
        CAPTURE(subkeys);
        samples::Registry reg = samples::registry9x();
        const std::string text = backupText(when, 3, samples::netTransSubkeys(subkeys), samples::readerOf(reg));
        CHECK(text == samples::expected9x(subkeys));
        CHECK(lineCount(text) == 3 + 21 + 5 + 3 + 5 * static_cast<std::size_t>(subkeys));
    }
    // A flag's plain line holds 0 or 1; any other text is recorded typed.
    samples::Registry reg = samples::registry9x();
    reg.put(Hive::LocalMachine, tuning::keys::kMstcp, "PMTUDiscovery", kTypeText, std::string("1\0", 2));
    const std::string text = backupText(when, 1, {}, samples::readerOf(reg));
    CHECK(text.find("\"PMTUDiscovery\"\r\n1\r\n") != std::string::npos);
    CHECK(text.find("\"PMTUBlackHoleDetect\"\r\nhex(1):37,00\r\n") != std::string::npos);
}

TEST_CASE("every recorded form reads back to exactly what was taken, hostile names and types included") {
    const LocalTime when{2004, 3, 15, 17, 5, 9};
    const std::string quoted = "bad\"quote";
    for (const int version : {3, 7}) {
        CAPTURE(version);
        const bool nt = version == 7;
        samples::Registry reg = nt ? samples::registryNt() : samples::registry9x();
        const std::string mstcp = nt ? tuning::keys::kTcpipParametersLower : tuning::keys::kMstcp;
        const std::string parent = nt ? samples::kInterfaces : samples::kNetTrans;
        reg.put(Hive::LocalMachine, mstcp, "DefaultTTL", kTypeText, std::string("65535 bytes\0", 12));
        reg.put(Hive::LocalMachine, mstcp, "KeepAliveTime", kTypeText, std::string("-5\0", 3));
        reg.put(Hive::LocalMachine, mstcp, "KeepAliveInterval", 3, std::string("\x01\x02\x03\x04\x05", 5));
        reg.put(Hive::CurrentUser, nt ? tuning::keys::kInternetSettingsNt : tuning::keys::kInternetSettings9x,
                "MaxConnectionsPerServer", 11, std::string("\x08\0\0\0\0\0\0\0", 8));
        reg.put(Hive::LocalMachine, tuning::keys::kNdiCacheSize, "", 7, std::string("a\0b\0\0", 5));
        reg.put(Hive::LocalMachine, parent + "\\" + quoted, nt ? "MTU" : "MaxMTU", 2, std::string("%X%\0", 4));
        reg.put(Hive::LocalMachine, parent + "\\" + quoted, nt ? "MSS" : "MaxMSS", 3, std::string());
        BackupContents taken;
        REQUIRE(captureBackup(when, version, {"0000", quoted, "gone"}, samples::readerOf(reg), taken).ok);
        const std::string text = backupTextOf(taken);
        CHECK(text.find("hex(1):36,35,35,33,35,20,62,79,74,65,73,00\r\n") != std::string::npos);
        CHECK(text.find("hex(b):08,00,00,00,00,00,00,00\r\n") != std::string::npos);
        CHECK(text.find("\\bad\"\"quote\"\r\n") != std::string::npos);
        CHECK(text.find("hex(3):\r\n") != std::string::npos);
        const BackupReadResult r = readBackup(text);
        REQUIRE(r.ok);
        CHECK(r.contents == taken);
        // The keys a restore removes again: a subkey gone since it was
        // listed, and on NT the adapter's three keys below Services.
        CHECK(text.find("absent key 1\r\n") != std::string::npos);
        CHECK((text.find("absent key 3\r\n") != std::string::npos) == nt);
    }
    // A value too large to record, or one that cannot be read, refuses the backup and says which.
    samples::Registry reg = samples::registryNt();
    reg.put(Hive::LocalMachine, tuning::keys::kTcpipParametersLower, "DefaultTTL", 3,
            std::string(kLargestTypedValue + 1, 'x'));
    BackupContents taken;
    CapturedBackup captured = captureBackup(when, 7, {}, samples::readerOf(reg), taken);
    CHECK_FALSE(captured.ok);
    CHECK(captured.problem.find("DefaultTTL holds 65537 bytes") != std::string::npos);
    reg.values[samples::key(Hive::LocalMachine, tuning::keys::kTcpipParametersLower, "DefaultTTL")].state =
        ValueRead::State::Unreadable;
    captured = captureBackup(when, 7, {}, samples::readerOf(reg), taken);
    CHECK(captured.problem.find("DefaultTTL cannot be read") != std::string::npos);
}

TEST_CASE("an NT backup matches the layout and reads the parameters through the lower-case path") {
    const LocalTime when{2004, 3, 15, 17, 5, 9};
    for (int subkeys : {0, 3}) {
        CAPTURE(subkeys);
        samples::Registry reg = samples::registryNt();
        std::vector<std::string> paths;
        auto reader = [&](Hive hive, const std::string& path, const std::string& name) {
            paths.push_back(path);
            return samples::readerOf(reg)(hive, path, name);
        };
        const std::string text = backupText(when, 7, samples::interfaceSubkeys(subkeys), reader);
        CHECK(text == samples::expectedNt(subkeys));
        CHECK(lineCount(text) == 3 + 27 + 5 + 3 + 10 * static_cast<std::size_t>(subkeys));
        // All thirteen values of the first record, through one spelling.
        CHECK(std::count(paths.begin(), paths.end(), tuning::keys::kTcpipParametersLower) == 13);
        CHECK(std::count(paths.begin(), paths.end(), tuning::keys::kTcpipParameters) == 0);
    }
    // An unknown version: the header alone.
    CHECK(lineCount(backupText(when, 0, {"x"}, samples::readerOf({}))) == 3);
}

TEST_CASE("reading a backup back gives every recorded write, in file order") {
    const LocalTime when{2004, 3, 15, 17, 5, 9};
    samples::Registry reg = samples::registry9x();
    BackupReadResult r = readBackup(backupText(when, 2, samples::netTransSubkeys(3), samples::readerOf(reg)));
    REQUIRE(r.ok);
    CHECK(r.describe().empty());
    CHECK(r.contents.header.winVersion == 2);
    CHECK(r.contents.header.created.year == 2004);
    CHECK(r.contents.header.created.second == 9);
    CHECK(r.contents.records == 6);
    REQUIRE(r.contents.writes.size() == 10 + 2 + 1 + 6);
    for (const RegistryOperation& w : r.contents.writes) CHECK((w.exact || w.type == kTypeText));
    // "DefaultRcvWindow" is written twice, the second time with the second number.
    CHECK(r.contents.writes[3].valueName == "DefaultRcvWindow");
    CHECK(r.contents.writes[6].valueName == "DefaultRcvWindow");
    CHECK(r.contents.writes[10].hive == Hive::CurrentUser);
    CHECK(r.contents.writes[12].valueName.empty());
    CHECK(r.contents.writes[13] ==
          RegistryOperation{Hive::LocalMachine, "System\\CurrentControlSet\\Services\\Class\\NetTrans\\0000",
                            "MaxMTU", kTypeText, 576, false});

    // Hand-edited second number wins on restore.
    const std::string edited = withLine(samples::expected9x(0), 18, "4000");
    r = readBackup(edited);
    REQUIRE(r.ok);
    CHECK(r.contents.writes[6].value == 4000);

    // NT: DWORD writes; all 32 bits set come back whichever rule wrote them.
    reg = samples::registryNt();
    const std::string nt = backupText(when, 6, samples::interfaceSubkeys(1), samples::readerOf(reg));
    r = readBackup(nt);
    REQUIRE(r.ok);
    CHECK(r.contents.records == 5);
    for (const RegistryOperation& w : r.contents.writes) CHECK(w.type == kTypeDword);
    CHECK(r.contents.writes[0].keyPath == tuning::keys::kTcpipParameters);
    CHECK(r.contents.writes[5].valueName == "GlobalMaxTcpWindowSize");
    CHECK(r.contents.writes[5].value == 4294967295LL);
    const BackupReadResult signedForm = readBackup(withLine(nt, 16, "-1"));
    REQUIRE(signedForm.ok);
    CHECK(static_cast<std::uint32_t>(signedForm.contents.writes[5].value) ==
          static_cast<std::uint32_t>(r.contents.writes[5].value));

    // Line ends of LF alone are read too; a file may end after any whole
    // per-subkey record, also the first of an interface's two.
    std::string lf = nt;
    for (std::size_t at = lf.find("\r\n"); at != std::string::npos; at = lf.find("\r\n", at)) lf.erase(at, 1);
    CHECK(readBackup(lf).ok);
    CHECK(readBackup(firstLines(nt, 3 + 27 + 5 + 3 + 5)).contents.records == 4);
}

TEST_CASE("a value that does not exist is recorded absent and removed again; plain-rule files read as before") {
    const LocalTime when{2004, 3, 15, 17, 5, 9};
    samples::Registry reg = samples::registry9x();
    reg.values.erase(samples::key(Hive::LocalMachine, tuning::keys::kMstcp, "PMTUDiscovery"));  // a flag too
    const std::string text = backupText(when, 3, samples::netTransSubkeys(3), samples::readerOf(reg));
    CHECK(text.find("\"PMTUDiscovery\"\r\nabsent\r\n") != std::string::npos);
    BackupReadResult r = readBackup(text);
    REQUIRE(r.ok);
    std::vector<std::string> removed;
    for (const RegistryOperation& w : r.contents.writes)
        if (w.remove) removed.push_back(w.keyPath.substr(w.keyPath.rfind('\\') + 1) + "|" + w.valueName);
    CHECK(removed == std::vector<std::string>{"MSTCP|Tcp1323Opts", "MSTCP|PMTUDiscovery", "MSTCP|KeepAliveInterval",
                                              "0002|MaxMTU", "0002|MaxMSS"});
    // The same file written by the plain rule: every absent value a 0.
    std::string plain = text;
    for (std::size_t at; (at = plain.find("absent")) != std::string::npos;) plain.replace(at, 6, "0");
    r = readBackup(plain);
    REQUIRE(r.ok);
    for (const RegistryOperation& w : r.contents.writes) CHECK_FALSE(w.remove);
    CHECK(r.contents.writes[9].value == 0);
    // Files from before recorded the four values every apply writes as
    // fixed numbers, in the same places: they read as they always did.
    r = readBackup(withLine(withLine(plain, 6, "1"), 8, "1"));
    REQUIRE(r.ok);
    CHECK((r.contents.writes[0].value == 1 && r.contents.writes[1].value == 1 && !r.contents.writes[1].remove));
}

TEST_CASE("a damaged backup is refused whole, with the line of the damage") {
    const std::string nine = samples::expected9x(2);   // 3 + 29 + 10 lines
    const std::string nt = samples::expectedNt(1);

    checkRejected("", 1, "empty");
    checkRejected(withLine(nine, 1, "#2004-3-15#"), 1, "creation date");
    checkRejected(withLine(nine, 1, "#2004-02-30#"), 1, "not a valid date");
    checkRejected(withLine(nine, 2, "17:05:09"), 2, "creation time");
    checkRejected(withLine(nine, 2, "#24:00:00#"), 2, "not a valid time");
    checkRejected(withLine(nine, 3, "9"), 3, "not a Windows version");
    checkRejected(withLine(nine, 3, "\"3\""), 3, "Windows version number");
    // A foreign line where a value name belongs, and where a number belongs.
    checkRejected(withLine(nine, 5, "SackOpts"), 5, "the value name \"SackOpts\"");
    checkRejected(withLine(nine, 6, "1 "), 6, "found '1 '");
    checkRejected(withLine(nine, 6, "+1"), 6, "the number recorded");
    checkRejected(withLine(nine, 9, "\"DefaultRcvWindow\""), 9, "\"DefaultTTL\"");
    // Numbers outside both 32-bit readings.
    checkRejected(withLine(nine, 10, "4294967296"), 10, "out of range");
    checkRejected(withLine(nine, 10, "-2147483649"), 10, "out of range");
    checkRejected(withLine(nine, 10, "99999999999999999999999"), 10, "out of range");
    // A fixed record under another key, a per-subkey record outside its parent.
    checkRejected(withLine(nine, 4, "\"Software\\Microsoft\\Windows\\CurrentVersion\\Run\""), 4, "key line");
    checkRejected(withLine(nine, 33, "\"System\\CurrentControlSet\\Services\\Class\\NetTrans\\0000\\x\""), 33,
                  "NetTrans");
    checkRejected(withLine(nine, 33, "\"System\\CurrentControlSet\\Services\\Class\\NetTrans\\\""), 33, "key line");
    checkRejected(withLine(nt, 40, "\"SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces\\{A}\""),
                  40, "the value name \"MTU\"");
    checkRejected(withLine(nt, 44, "\"SYSTEM\\CurrentControlSet\\Services\\x\\Parameters\""), 44, "key line");
    // Files cut short: inside the header, inside a fixed record, after a
    // key line, inside a pair, and in the middle of the last line.
    checkRejected(firstLines(nine, 2), 3, "cut off");
    checkRejected(firstLines(nine, 3), 4, "cut off");
    checkRejected(firstLines(nine, 3 + 21), 25, "cut off");
    checkRejected(firstLines(nine, 3 + 21 + 5 + 3 + 1), 34, "cut off");
    checkRejected(firstLines(nine, 3 + 21 + 5 + 3 + 4), 37, "cut off");
    checkRejected(nine.substr(0, nine.size() - 3), 42, "no line end");
    checkRejected(nine + "\"System", 43, "no line end");
    // A stray carriage return or an extra empty line is a foreign line.
    checkRejected(withLine(nine, 6, "1\r"), 6, "found '1?'");
    checkRejected(nine + "\r\n", 43, "found an empty line");
    // A 9x file holds no NT records, and the other way round.
    checkRejected(withLine(nine, 3, "5"), 4, "Tcpip\\Parameters");
    checkRejected(withLine(nt, 3, "2"), 4, "MSTCP");
    // Control characters in a name (a NUL would write on the parent key),
    // and the other value forms damaged.
    checkRejected(withLine(nine, 33, std::string("\"System\\CurrentControlSet\\Services\\Class\\NetTrans\\\0\"", 52)), 33,
                  "control character");
    checkRejected(withLine(nt, 44, "\"SYSTEM\\CurrentControlSet\\Services\\a\x01\\Parameters\\Tcpip\""), 44,
                  "control character");
    checkRejected(withLine(nine, 5, "\"Sack\tOpts\""), 5, "control character");
    checkRejected(withLine(nine, 33, "\"System\\CurrentControlSet\\Services\\Class\\NetTrans\\a\"b\""), 33, "key line");
    checkRejected(withLine(nine, 10, "absent key 0"), 10, "missing keys (1 to 4)");
    checkRejected(withLine(nt, 43, "absent key 7"), 43, "missing keys (1 to 6)");
    checkRejected(withLine(nine, 10, "hex(1):3"), 10, "not a typed value");
    checkRejected(withLine(nine, 10, "hex():31"), 10, "not a typed value");
    checkRejected(withLine(nine, 10, "hex(1):31;32"), 10, "not a typed value");
    checkRejected(withLine(nine, 10, typedLine(3, std::string(kLargestTypedValue + 1, 'x'))), 10, "larger than");
}
