#pragma once
// What each TCP/IP value of the registry map accepts, as Microsoft's TCP/IP
// registry documentation gives it: the one table every box of the Advanced
// mode reads, and that every Wizard preset must lie in.
#include <cstdint>
#include <optional>
#include <string>

#include "core/numberbox.h"
#include "tuning/tuning.h"

namespace quellar::tuning {

namespace ranges {
// It counts routers, not seconds.
inline constexpr WholeRange kTtl{"TTL", 1, 255, "hops"};
inline constexpr WholeRange kMtu{"MTU", 68, 65535, "bytes"};
inline constexpr std::int64_t kMssLowest = 28;
// The TCP and IP headers the MTU carries besides the segment.
inline constexpr std::int64_t kHeaderBytes = 40;
inline constexpr std::int64_t kUnscaledWindowMost = 65535;
inline constexpr std::int64_t kScaledWindowMost = 1073741823;
inline constexpr WholeRange kKeepAliveTime{"Keep Alive Time", 1, 2147483647, "milliseconds"};
inline constexpr WholeRange kKeepAliveInterval{"Keep Alive Interval", 1, 2147483647, "milliseconds"};
inline constexpr WholeRange kMaxConnPerServer{"HTTP 1.1", 1, 128, "connections"};
inline constexpr WholeRange kMaxConnPer1_0Server{"HTTP 1.0", 1, 128, "connections"};
inline constexpr WholeRange kSynAttackProtect{"SYN", 0, 2};
}  // namespace ranges

// MSS: from 28 up to the MTU less the headers.
WholeRange mssRange(std::int64_t mtu);
// RWIN: up to 65,535, or up to 1,073,741,823 while window scaling is
// written (Tcp1323Opts with its low bit set).
WholeRange receiveWindowRange(std::int64_t tcp1323Opts = kTcp1323Opts);
// The RWIN page's multiplier: a whole number from 1 whose product with the
// MSS and the scale factor stays inside the receive window's range.
WholeRange multiplierRange(std::int64_t mss, std::int64_t scaleFactor);

// The rule of the first value an apply of `params` would write outside its
// range; nothing when all lie inside. A removed MTU or RWIN (-1) is not
// written, nor is anything of a set that puts back the system's defaults,
// but its numbers are checked all the same: a preset must never carry one
// the table refuses.
std::optional<std::string> firstOutOfRange(const TuningParams& params);

}  // namespace quellar::tuning
