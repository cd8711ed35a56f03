#pragma once
// Every value an apply writes and a backup records, declared once: the
// record field it comes from (or the number every apply writes), where it
// goes on each family (key, value names, its place in the backup's record
// of that key), what it accepts, and its label in summaries. The apply map,
// the backup layout, the range checks, the Advanced mode and the console's
// texts all walk this table; adding a value is one row here and one column
// of the presets (tuning/presets.cpp).
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/numberbox.h"
#include "tuning/tuning.h"

namespace quellar::tuning {

// The keys of the map. Each is one record of a backup (the adapters' key is
// one record per subkey and key path); keyPath gives the family's path.
enum class Key { None, Stack, InternetSettings, NdiCache, Adapter };

// Where a value goes on one family.
struct Place {
    Key key = Key::None;  // None: the family has no such value
    // Its first name's place in its key's record of a backup, from 1; a
    // second name follows right after it.
    int at = 0;
    const char* names[2] = {};  // one or two names, each given the same number
    // 9x: the first name recorded once more at this place of the record
    // (DefaultRcvWindow: the format has always held it twice, and a restore
    // writes it twice); the apply writes it once. 0: not recorded again.
    int againAt = 0;
    // 9x: the backup records 1 for any number but 0, as it always has.
    bool recordedAsFlag = false;
    // NT: written through the key's other spelling, as the map always has
    // (the registry does not tell them apart; the backup reads the whole
    // record through it).
    bool otherSpelling = false;

    constexpr Place asFlag() const {
        Place p = *this;
        p.recordedAsFlag = true;
        return p;
    }
    constexpr Place spelledOtherwise() const {
        Place p = *this;
        p.otherSpelling = true;
        return p;
    }
    constexpr Place recordedAgainAt(int place) const {
        Place p = *this;
        p.againAt = place;
        return p;
    }
};

constexpr Place placed(Key key, int at, const char* name, const char* second = nullptr) {
    Place p;
    p.key = key;
    p.at = at;
    p.names[0] = name;
    p.names[1] = second;
    return p;
}

struct TuningField {
    const char* label = nullptr;                   // in summaries and the console's texts
    std::int32_t TuningParams::*number = nullptr;  // a whole number of the record,
    bool TuningParams::*flag = nullptr;            // or a switch of it, written 1 or 0,
    std::int64_t fixed = 0;                        // or else the number every apply writes
    Place nt, win9x;
    std::optional<WholeRange> range = std::nullopt;  // what it accepts, from Microsoft's TCP/IP documentation
    // The MSS: its highest is the MTU less the TCP and IP headers.
    bool belowMtu = false;
    // -1 in this field of the record removes the value instead of writing it.
    std::int32_t TuningParams::*removedBy = nullptr;

    constexpr const Place& on(Family family) const { return family == Family::Nt ? nt : win9x; }
    constexpr bool inRecord() const { return number != nullptr || flag != nullptr; }
    // True when `params` removes this value instead of writing it.
    bool removedIn(const TuningParams& params) const { return removedBy && params.*removedBy == kRemoveValue; }
};

constexpr TuningField fixedValue(std::int64_t number, Place nt, Place win9x) {
    return {nullptr, nullptr, nullptr, number, nt, win9x};
}

constexpr TuningField wholeValue(const char* label, std::int32_t TuningParams::*number, Place nt, Place win9x,
                                 std::optional<WholeRange> range = std::nullopt) {
    return {label, number, nullptr, 0, nt, win9x, range};
}

constexpr TuningField removableValue(TuningField f, std::int32_t TuningParams::*removedBy) {
    f.removedBy = removedBy;
    return f;
}

constexpr TuningField switchValue(const char* label, bool TuningParams::*flag, Place nt, Place win9x) {
    return {label, nullptr, flag, 0, nt, win9x};
}

namespace limits {
// The TCP and IP headers the MTU carries besides the segment.
inline constexpr std::int64_t kHeaderBytes = 40;
inline constexpr std::int64_t kUnscaledWindowMost = 65535;
inline constexpr std::int64_t kScaledWindowMost = 1073741823;
inline constexpr std::int64_t kLargestWhole = 2147483647;
}  // namespace limits

namespace detail {
using P = TuningParams;
constexpr Key S = Key::Stack, I = Key::InternetSettings, N = Key::NdiCache, A = Key::Adapter;

constexpr TuningField mss() {
    TuningField f = removableValue(
        wholeValue("MSS", &P::mss, placed(A, 2, "MSS"), placed(A, 2, "MaxMSS"),
                   WholeRange{"MSS", 28, 65535 - limits::kHeaderBytes, "bytes"}),
        &P::mtu);
    f.belowMtu = true;
    return f;
}
// The rows in the order summaries list them (the presets' columns follow
// it); the registry and the backup go by each place's `at`.
inline constexpr TuningField kRows[] = {
    // The numbers every apply writes whatever the record holds.
    fixedValue(1, placed(S, 1, "SackOpts"), placed(S, 1, "SackOpts")),
    fixedValue(kTcp1323Opts, placed(S, 2, "Tcp1323Opts"), placed(S, 2, "Tcp1323Opts")),
    fixedValue(2, placed(S, 3, "TcpMaxDupAcks"), Place{}),
    fixedValue(8192, placed(S, 4, "DefaultReceiveWindow"), Place{}),
    removableValue(wholeValue("MTU", &P::mtu, placed(A, 1, "MTU"), placed(A, 1, "MaxMTU"),
                              WholeRange{"MTU", 68, 65535, "bytes"}),
                   &P::mtu),
    mss(),
    removableValue(
        wholeValue("RWIN", &P::rwin, placed(S, 6, "GlobalMaxTcpWindowSize", "TcpWindowSize").spelledOtherwise(),
                   placed(S, 4, "DefaultRcvWindow", "GlobalMaxTcpWindowSize").recordedAgainAt(7),
                   WholeRange{"RWIN", 1, limits::kScaledWindowMost, "bytes"}),
        &P::rwin),
    // It counts routers, not seconds.
    wholeValue("TTL", &P::ttl, placed(S, 5, "DefaultTTL").spelledOtherwise(), placed(S, 3, "DefaultTTL"),
               WholeRange{"TTL", 1, 255, "hops"}),
    wholeValue("Keep Alive", &P::keepAliveTime, placed(S, 10, "KeepAliveTime").spelledOtherwise(),
               placed(S, 9, "KeepAliveTime"),
               WholeRange{"Keep Alive Time", 1, limits::kLargestWhole, "milliseconds"}),
    wholeValue("Keep Alive Interval", &P::keepAliveInterval, placed(S, 11, "KeepAliveInterval").spelledOtherwise(),
               placed(S, 10, "KeepAliveInterval"),
               WholeRange{"Keep Alive Interval", 1, limits::kLargestWhole, "milliseconds"}),
    wholeValue("SYN", &P::synAttackProtect, placed(S, 12, "SYNAttackProtect").spelledOtherwise(), Place{},
               WholeRange{"SYN", 0, 2}),
    wholeValue("NDI", &P::ndiCacheSize, placed(N, 1, ""), placed(N, 1, "")),
    switchValue("PMTU Discovery", &P::pmtuDiscovery, placed(S, 9, "EnablePMTUDiscovery").spelledOtherwise(),
                placed(S, 8, "PMTUDiscovery").asFlag()),
    switchValue("BlackHole", &P::pmtuBlackHoleDetect, placed(S, 8, "EnablePMTUBHDetect").spelledOtherwise(),
                placed(S, 6, "PMTUBlackHoleDetect").asFlag()),
    wholeValue("MSCPS0", &P::maxConnPer1_0Server, placed(I, 1, "MaxConnectionsPer1_0Server"),
               placed(I, 1, "MaxConnectionsPer1_0Server"), WholeRange{"HTTP 1.0", 1, 128, "connections"}),
    wholeValue("MSCPS1", &P::maxConnPerServer, placed(I, 2, "MaxConnectionsPerServer"),
               placed(I, 2, "MaxConnectionsPerServer"), WholeRange{"HTTP 1.1", 1, 128, "connections"}),
    switchValue("ICMP", &P::icmpRedirects, placed(S, 13, "EnableICMPRedirects").spelledOtherwise(), Place{}),
};
}  // namespace detail

inline constexpr auto& kTuningFields = detail::kRows;

// How many rows hold a value of the record: the presets' columns.
constexpr std::size_t recordFieldCount() {
    std::size_t n = 0;
    for (const TuningField& f : kTuningFields) n += f.inRecord() ? 1 : 0;
    return n;
}

// The row of a field of the record.
const TuningField& fieldOf(std::int32_t TuningParams::*number);

// The number the apply writes for the row.
std::int64_t numberOf(const TuningField& field, const TuningParams& params);

// The keys in the order an apply writes them on the family.
const std::vector<Key>& applyOrder(Family family);

// Under HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE.
Hive hiveOf(Key key);

// The path of a key on the family; `otherSpelling`: the NT stack key as
// the map also spells it. Not for Key::Adapter.
const char* keyPath(Family family, Key key, bool otherSpelling = false);

// The adapter key paths of one subkey, in the order the apply writes them:
// NetTrans\<subkey> on 9x; Interfaces\<subkey> and
// Services\<subkey>\Parameters\Tcpip on NT.
std::vector<std::string> adapterKeyPaths(Family family, const std::string& subkey);

// One name of a key's record as a backup holds it.
struct RecordedName {
    const char* name;
    bool asFlag;
};

// The names a backup records for `key` on the family, in their places.
std::vector<RecordedName> recordedNames(Family family, Key key);

}  // namespace quellar::tuning
