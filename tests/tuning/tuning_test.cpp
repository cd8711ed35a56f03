#include <doctest/doctest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/regformat.h"
#include "tuning/presets.h"
#include "tuning/ranges.h"
#include "core/regops.h"
#include "tuning/tuning.h"

using namespace quellar;
using namespace quellar::tuning;

namespace {

const Hive M = Hive::LocalMachine;

std::vector<std::string> names(const std::vector<RegistryOperation>& ops) {
    std::vector<std::string> out;
    for (const auto& op : ops) out.push_back(op.valueName);
    return out;
}

}  // namespace

TEST_CASE("the eight presets hold the mode table") {
    struct Row {
        int mtu, mss, rwin, ttl, kat, kai, syn, ndi;
        bool pmtu, bh;
        int c10, c11;
        bool icmp;
    };
    const Row rows[] = {
        {576, 536, 4288, 128, 600000, 1000, 2, 0, true, false, 16, 8, false},
        {576, 536, -1, 128, 600000, 1000, 2, 0, true, false, 16, 8, false},
        {-1, -1, -1, 128, 600000, 1000, 2, 0, true, false, 16, 8, false},
        {576, 536, 5432, 64, 7200000, 1000, 2, 0, true, false, 20, 20, false},
        {1500, 1460, 256960, 64, 7200000, 1000, 2, 0, true, false, 20, 20, false},
        {1492, 1452, 255552, 64, 7200000, 1000, 2, 0, true, false, 20, 20, false},
        {1500, 1460, 256960, 32, 6400000, 1000, 2, 0, true, false, 20, 20, false},
        {1500, 1460, 8192, 32, 3600000, 1000, 2, 0, true, false, 2, 4, false},
    };
    for (std::size_t i = 0; i < kTuningPresetCount; ++i) {
        CAPTURE(kTuningPresetNames[i]);
        const TuningParams& p = tuningPresets[i];
        const Row& r = rows[i];
        CHECK(p.mtu == r.mtu);
        CHECK(p.mss == r.mss);
        CHECK(p.rwin == r.rwin);
        CHECK(p.ttl == r.ttl);
        CHECK(p.keepAliveTime == r.kat);
        CHECK(p.keepAliveInterval == r.kai);
        CHECK(p.synAttackProtect == r.syn);
        CHECK(p.ndiCacheSize == r.ndi);
        CHECK(p.pmtuDiscovery == r.pmtu);
        CHECK(p.pmtuBlackHoleDetect == r.bh);
        CHECK(p.maxConnPer1_0Server == r.c10);
        CHECK(p.maxConnPerServer == r.c11);
        CHECK(p.icmpRedirects == r.icmp);
    }
    CHECK(std::string(kTuningPresetNames[0]) == "Automatic-A");
    CHECK(std::string(kTuningPresetNames[7]) == "Windows default");
    // A copy is a whole record.
    currentTuning = tuningPresets[3];
    CHECK(currentTuning == tuningPresets[3]);
    CHECK(currentTuning != tuningPresets[4]);
}

TEST_CASE("every Wizard preset lies inside the documented ranges the Advanced boxes read") {
    for (std::size_t i = 0; i < kTuningPresetCount; ++i) {
        CAPTURE(kTuningPresetNames[i]);
        CHECK(firstOutOfRange(tuningPresets[i]) == std::nullopt);
    }
    // The table has teeth: each kind of breach is named by its rule.
    TuningParams p = tuningPresets[4];
    p.mss = p.mtu;
    CHECK(firstOutOfRange(p) == std::string("MSS: a whole number of bytes from 28 to 1460"));
    p = tuningPresets[4];
    p.ttl = 256;
    CHECK(firstOutOfRange(p) == std::string("TTL: a whole number of hops from 1 to 255"));
    p = tuningPresets[4];
    p.rwin = 1073741824;
    CHECK(firstOutOfRange(p) == std::string("RWIN: a whole number of bytes from 1 to 1073741823"));
    CHECK(receiveWindowRange(0).highest == 65535);  // without window scaling
}

TEST_CASE("the mode summary text") {
    CHECK(modeDescription(tuningPresets[0]) ==
          "MSS = 536\tMTU = 576\t\tICMP = False\r\n\r\n"
          "NDI = 0\tMSCPS0 = 16\t\tMSCPS1 = 8\r\n\r\n"
          "BlackHole = False\tRWIN = 4288\t\r\n"
          "Keep Alive = 600000\r\n\r\n"
          "Keep Alive Interval= 1000\tSYN = 2\t\tTTL= 128\r\n\r\n");
    const std::string c = modeDescription(tuningPresets[2]);
    CHECK(c.find("MSS = -1\tMTU = -1\t") == 0);
    CHECK(c.find("RWIN = -1\t\r\n") != std::string::npos);
    // "Windows default" names no numbers: each value goes back to the system's.
    const std::string def = modeDescription(tuningPresets[7]);
    CHECK(def.find("returns to the system's default") != std::string::npos);
    CHECK(def.find("MSCPS0 = ") == std::string::npos);
    TuningParams flags = tuningPresets[0];
    flags.icmpRedirects = true;
    flags.pmtuBlackHoleDetect = true;
    flags.pmtuDiscovery = false;
    const std::string text = modeDescription(flags);
    CHECK(text.find("ICMP = True\r\n") != std::string::npos);
    CHECK(text.find("BlackHole = True\t") != std::string::npos);
    CHECK(text.size() == modeDescription(tuningPresets[0]).size() - 2);  // two "True"s for "False"s
}

TEST_CASE("the Windows family follows the version number") {
    CHECK_FALSE(familyOf(0));
    for (int v = 1; v <= 4; ++v) CHECK(familyOf(v) == Family::Win9x);
    for (int v = 5; v <= 8; ++v) CHECK(familyOf(v) == Family::Nt);  // 8: after XP
    CHECK_FALSE(familyOf(9));
    CHECK(valueTypeOf(Family::Win9x) == kTypeText);
    CHECK(valueTypeOf(Family::Nt) == kTypeDword);
}

// Values, types and hives are checked against the registry in
// apply_wintest.cpp; here the order and the removal rules.
TEST_CASE("the map of each family: order of the steps and the removal rules") {
    auto ops = tuningOperations(tuningPresets[0], Family::Win9x, {"0000", "0001"});
    CHECK(names(ops) == std::vector<std::string>{
                            "SackOpts", "Tcp1323Opts", "DefaultTTL", "DefaultRcvWindow", "GlobalMaxTcpWindowSize",
                            "PMTUBlackHoleDetect", "PMTUDiscovery", "KeepAliveTime", "KeepAliveInterval",
                            "MaxConnectionsPer1_0Server", "MaxConnectionsPerServer", "", "MaxMTU", "MaxMSS",
                            "MaxMTU", "MaxMSS"});
    CHECK(ops[15].keyPath == "System\\CurrentControlSet\\Services\\Class\\NetTrans\\0001");

    const std::string itfA = "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces\\{A}";
    const std::string adA = "SYSTEM\\CurrentControlSet\\Services\\{A}\\Parameters\\Tcpip";
    ops = tuningOperations(tuningPresets[4], Family::Nt, {"{A}", "{B}"});
    REQUIRE(ops.size() == 15 + 8 + 1);
    const std::vector<std::string> all = names(ops);
    CHECK(std::vector<std::string>(all.begin(), all.begin() + 15) ==
          std::vector<std::string>{"SackOpts", "Tcp1323Opts", "TcpMaxDupAcks", "DefaultReceiveWindow", "DefaultTTL",
                                   "GlobalMaxTcpWindowSize", "TcpWindowSize", "EnablePMTUBHDetect",
                                   "EnablePMTUDiscovery", "KeepAliveTime", "KeepAliveInterval", "SYNAttackProtect",
                                   "EnableICMPRedirects", "MaxConnectionsPer1_0Server", "MaxConnectionsPerServer"});
    CHECK(ops[15] == RegistryOperation{M, itfA, "MTU", kTypeDword, 1500, false});
    CHECK(ops[16] == RegistryOperation{M, adA, "MTU", kTypeDword, 1500, false});
    CHECK(ops[17] == RegistryOperation{M, itfA, "MSS", kTypeDword, 1460, false});
    CHECK(ops[18] == RegistryOperation{M, adA, "MSS", kTypeDword, 1460, false});
    CHECK(ops[19].keyPath.find("{B}") != std::string::npos);
    CHECK(ops.back().valueName.empty());  // cachesize after the interfaces

    // mtu -1 removes MTU and MSS whatever mss holds; mss -1 alone is written.
    TuningParams p = tuningPresets[0];
    p.mtu = -1;
    p.mss = 536;
    auto removed = [](const std::vector<RegistryOperation>& list) {
        std::vector<std::string> out;
        for (const auto& op : list)
            if (op.remove) out.push_back(op.valueName);
        return out;
    };
    CHECK(removed(tuningOperations(p, Family::Win9x, {"0", "1"})) ==
          std::vector<std::string>{"MaxMTU", "MaxMSS", "MaxMTU", "MaxMSS"});
    CHECK(removed(tuningOperations(p, Family::Nt, {"0"})) == std::vector<std::string>{"MTU", "MTU", "MSS", "MSS"});
    p = tuningPresets[0];
    p.mss = -1;
    CHECK(removed(tuningOperations(p, Family::Nt, {"0"})).empty());
    CHECK(tuningOperations(p, Family::Nt, {"0"})[17].value == -1);
    // rwin -1 removes both window values of each family.
    p.rwin = -1;
    CHECK(removed(tuningOperations(p, Family::Win9x, {})) ==
          std::vector<std::string>{"DefaultRcvWindow", "GlobalMaxTcpWindowSize"});
    CHECK(removed(tuningOperations(p, Family::Nt, {})) ==
          std::vector<std::string>{"GlobalMaxTcpWindowSize", "TcpWindowSize"});
    // "Windows default", alone of the presets, removes every step of the map.
    for (std::size_t i = 0; i < kTuningPresetCount; ++i) CHECK(tuningPresets[i].systemDefaults == (i == 7));
    for (Family f : {Family::Win9x, Family::Nt}) {
        const auto defaults = tuningOperations(tuningPresets[7], f, {"0"});
        CHECK(removed(defaults) == names(defaults));
        CHECK(names(defaults) == names(tuningOperations(tuningPresets[6], f, {"0"})));
    }
    // SYN protection and ICMP redirects change nothing on 9x.
    TuningParams other = tuningPresets[0];
    other.synAttackProtect = 0;
    other.icmpRedirects = true;
    CHECK(tuningOperations(other, Family::Win9x, {"0"}) == tuningOperations(tuningPresets[0], Family::Win9x, {"0"}));
}

TEST_CASE("carrying out goes on after failures and the message names them") {
    std::vector<RegistryOperation> ops;
    for (int i = 0; i < 10; ++i) ops.push_back({M, "K", "v" + std::to_string(i), kTypeDword, i, false});
    std::vector<std::string> seen;
    auto report = carryOut(ops, [&](const RegistryOperation& op) -> long {
        seen.push_back(op.valueName);
        return op.value % 2 == 0 ? 0 : 5;
    });
    CHECK(seen.size() == 10);
    CHECK(report.attempted == 10);
    CHECK(report.failures.size() == 5);
    CHECK_FALSE(report.ok());
    const std::string text =
        failureMessage("5 of 10 failed.", report, [](long code) { return "denied " + std::to_string(code); });
    CHECK(text.find("5 of 10 failed.\r\n\r\nHKEY_LOCAL_MACHINE\\K\\v1: denied 5") == 0);
    CHECK(text.find("v9") != std::string::npos);
    CHECK(text.find("more") == std::string::npos);

    for (auto& op : ops) op.value = 1;
    ops[0].valueName.clear();
    report = carryOut(ops, [](const RegistryOperation&) -> long { return 5; });
    const std::string many = failureMessage("all failed", report, [](long) { return "no"; });
    CHECK(many.find("K\\(Default): no") != std::string::npos);
    CHECK(many.find("(and 4 more)") != std::string::npos);
    CHECK(carryOut({}, [](const RegistryOperation&) -> long { return 5; }).ok());
}
