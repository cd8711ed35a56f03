#include "tuning/presets.h"

namespace quellar {

std::array<tuning::TuningParams, kTuningPresetCount> tuningPresets;

const std::array<const char*, kTuningPresetCount> kTuningPresetNames = {
    "Automatic-A", "Automatic-B", "Automatic-C", "Automatic-D",
    "Automatic-E", "Automatic-F", "Automatic-G", "Windows default",
};

namespace {

// One preset, its values in the order of the mode table (mtu before mss).
struct PresetColumn {
    std::int32_t mtu, mss, rwin, ttl, keepAliveTime, keepAliveInterval;
    std::int16_t synAttackProtect;
    std::int32_t ndiCacheSize;
    bool pmtuDiscovery, pmtuBlackHoleDetect;
    std::int32_t maxConnPer1_0Server, maxConnPerServer;
    bool icmpRedirects;
};

// -1 in mtu or rwin removes the matching registry values: "Automatic-B"
// drops the receive window, "Automatic-C" the MTU, MSS and window values.
// "Windows default" removes every value (systemDefaults); its numbers are
// never written, but lie inside the documented ranges like every preset's
// (its MSS is the MTU less the headers, not the MTU itself).
constexpr PresetColumn kColumns[kTuningPresetCount] = {
    //  mtu   mss    rwin ttl keepAlive  intv syn ndi  pmtuD  blackH  c1.0 c1.1 icmp
    {576, 536, 4288, 128, 600000, 1000, 2, 0, true, false, 16, 8, false},       // Automatic-A
    {576, 536, -1, 128, 600000, 1000, 2, 0, true, false, 16, 8, false},         // Automatic-B
    {-1, -1, -1, 128, 600000, 1000, 2, 0, true, false, 16, 8, false},           // Automatic-C
    {576, 536, 5432, 64, 7200000, 1000, 2, 0, true, false, 20, 20, false},      // Automatic-D
    {1500, 1460, 256960, 64, 7200000, 1000, 2, 0, true, false, 20, 20, false},  // Automatic-E
    {1492, 1452, 255552, 64, 7200000, 1000, 2, 0, true, false, 20, 20, false},  // Automatic-F
    {1500, 1460, 256960, 32, 6400000, 1000, 2, 0, true, false, 20, 20, false},  // Automatic-G
    {1500, 1460, 8192, 32, 3600000, 1000, 2, 0, true, false, 2, 4, false},      // Windows default
};

std::string truth(bool on) { return on ? "True" : "False"; }

}  // namespace

void initTuningPresets() {
    for (std::size_t i = 0; i < kTuningPresetCount; ++i) {
        const PresetColumn& c = kColumns[i];
        tuning::TuningParams& p = tuningPresets[i];
        p.mtu = c.mtu;
        p.mss = c.mss;
        p.rwin = c.rwin;
        p.ttl = c.ttl;
        p.keepAliveTime = c.keepAliveTime;
        p.keepAliveInterval = c.keepAliveInterval;
        p.synAttackProtect = c.synAttackProtect;
        p.ndiCacheSize = c.ndiCacheSize;
        p.pmtuDiscovery = c.pmtuDiscovery;
        p.pmtuBlackHoleDetect = c.pmtuBlackHoleDetect;
        p.maxConnPer1_0Server = c.maxConnPer1_0Server;
        p.maxConnPerServer = c.maxConnPerServer;
        p.icmpRedirects = c.icmpRedirects;
        p.systemDefaults = i == kWindowsDefaultPreset;
    }
}

std::string modeDescription(const tuning::TuningParams& p) {
    const std::string tab = "\t";
    const std::string crlf = "\r\n";
    using std::to_string;
    if (p.systemDefaults) {
        return "Every TCP/IP value this program sets (MSS, MTU, RWIN, TTL, Keep Alive, SYN, ICMP, "
               "BlackHole, NDI, MSCPS0, MSCPS1) is removed from the registry, so each one returns to "
               "the system's default." + crlf + crlf +
               "A backup of the current values is taken first." + crlf;
    }
    return "MSS = " + to_string(p.mss) + tab + "MTU = " + to_string(p.mtu) + tab + tab + "ICMP = " +
           truth(p.icmpRedirects) + crlf + crlf +
           "NDI = " + to_string(p.ndiCacheSize) + tab + "MSCPS0 = " + to_string(p.maxConnPer1_0Server) + tab +
           tab + "MSCPS1 = " + to_string(p.maxConnPerServer) + crlf + crlf +
           "BlackHole = " + truth(p.pmtuBlackHoleDetect) + tab + "RWIN = " + to_string(p.rwin) + tab + crlf +
           "Keep Alive = " + to_string(p.keepAliveTime) + crlf + crlf +
           "Keep Alive Interval= " + to_string(p.keepAliveInterval) + tab + "SYN = " +
           to_string(p.synAttackProtect) + tab + tab + "TTL= " + to_string(p.ttl) + crlf + crlf;
}

}  // namespace quellar
