#include "tuning/presets.h"

#include "tuning/fields.h"

namespace quellar::tuning {

namespace {

// One preset: its name and a number for each value of the record, in the
// order of the field table's rows (switches as 1 and 0).
struct PresetRow {
    const char* name;
    std::int32_t values[recordFieldCount()];

    template <typename... Values>
    constexpr PresetRow(const char* presetName, Values... columns)
        : name(presetName), values{static_cast<std::int32_t>(columns)...} {
        static_assert(sizeof...(Values) == recordFieldCount(), "a preset has one column per value");
    }
};

// -1 in mtu or rwin removes the matching registry values: "Automatic-B"
// drops the receive window, "Automatic-C" the MTU, MSS and window values.
// "Windows default" removes every value (systemDefaults); its numbers are
// never written, but lie inside the documented ranges like every preset's
// (its MSS is the MTU less the headers, not the MTU itself).
constexpr PresetRow kPresets[kTuningPresetCount] = {
    //                mtu   mss    rwin ttl keepAlive  intv syn ndi  pmtuD  blackH  c1.0 c1.1 icmp
    {"Automatic-A", 576, 536, 4288, 128, 600000, 1000, 2, 0, true, false, 16, 8, false},
    {"Automatic-B", 576, 536, -1, 128, 600000, 1000, 2, 0, true, false, 16, 8, false},
    {"Automatic-C", -1, -1, -1, 128, 600000, 1000, 2, 0, true, false, 16, 8, false},
    {"Automatic-D", 576, 536, 5432, 64, 7200000, 1000, 2, 0, true, false, 20, 20, false},
    {"Automatic-E", 1500, 1460, 256960, 64, 7200000, 1000, 2, 0, true, false, 20, 20, false},
    {"Automatic-F", 1492, 1452, 255552, 64, 7200000, 1000, 2, 0, true, false, 20, 20, false},
    {"Automatic-G", 1500, 1460, 256960, 32, 6400000, 1000, 2, 0, true, false, 20, 20, false},
    {"Windows default", 1500, 1460, 8192, 32, 3600000, 1000, 2, 0, true, false, 2, 4, false},
};

TuningParams presetParams(std::size_t index) {
    TuningParams p;
    std::size_t column = 0;
    for (const TuningField& f : kTuningFields) {
        if (f.number) p.*f.number = kPresets[index].values[column++];
        else if (f.flag) p.*f.flag = kPresets[index].values[column++] != 0;
    }
    p.systemDefaults = index == kWindowsDefaultPreset;
    return p;
}

std::array<TuningParams, kTuningPresetCount> presetsFromTable() {
    std::array<TuningParams, kTuningPresetCount> presets;
    for (std::size_t i = 0; i < kTuningPresetCount; ++i) presets[i] = presetParams(i);
    return presets;
}

std::string truth(bool on) { return on ? "True" : "False"; }

// One "NAME = value" of the summary and what follows it. The gaps are the
// summary's own: two of its labels stand close to their "=".
struct SummaryCell {
    std::int32_t TuningParams::*number;
    bool TuningParams::*flag;
    const char* equals;
    const char* after;
};

std::string summaryLabel(const SummaryCell& cell) {
    for (const TuningField& f : kTuningFields)
        if ((cell.number && f.number == cell.number) || (cell.flag && f.flag == cell.flag)) return f.label;
    return std::string();
}

}  // namespace

const std::array<TuningParams, kTuningPresetCount> tuningPresets = presetsFromTable();

const std::array<const char*, kTuningPresetCount> kTuningPresetNames = {
    kPresets[0].name, kPresets[1].name, kPresets[2].name, kPresets[3].name,
    kPresets[4].name, kPresets[5].name, kPresets[6].name, kPresets[7].name,
};

std::string modeDescription(const TuningParams& p) {
    const std::string crlf = "\r\n";
    if (p.systemDefaults) {
        return "Every TCP/IP value this program sets (MSS, MTU, RWIN, TTL, Keep Alive, SYN, ICMP, "
               "BlackHole, NDI, MSCPS0, MSCPS1) is removed from the registry, so each one returns to "
               "the system's default." + crlf + crlf +
               "A backup of the current values is taken first." + crlf;
    }
    using P = TuningParams;
    const SummaryCell cells[] = {
        {&P::mss, nullptr, " = ", "\t"},
        {&P::mtu, nullptr, " = ", "\t\t"},
        {nullptr, &P::icmpRedirects, " = ", "\r\n\r\n"},
        {&P::ndiCacheSize, nullptr, " = ", "\t"},
        {&P::maxConnPer1_0Server, nullptr, " = ", "\t\t"},
        {&P::maxConnPerServer, nullptr, " = ", "\r\n\r\n"},
        {nullptr, &P::pmtuBlackHoleDetect, " = ", "\t"},
        {&P::rwin, nullptr, " = ", "\t\r\n"},
        {&P::keepAliveTime, nullptr, " = ", "\r\n\r\n"},
        {&P::keepAliveInterval, nullptr, "= ", "\t"},
        {&P::synAttackProtect, nullptr, " = ", "\t\t"},
        {&P::ttl, nullptr, "= ", "\r\n\r\n"},
    };
    std::string text;
    for (const SummaryCell& cell : cells) {
        text += summaryLabel(cell) + cell.equals +
                (cell.number ? std::to_string(p.*cell.number) : truth(p.*cell.flag)) + cell.after;
    }
    return text;
}

}  // namespace quellar::tuning
