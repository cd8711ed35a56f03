#include "tuning/ranges.h"

#include <algorithm>

namespace quellar::tuning {

WholeRange mssRange(std::int64_t mtu) {
    return {"MSS", ranges::kMssLowest, std::max(ranges::kMssLowest, mtu - ranges::kHeaderBytes), "bytes"};
}

WholeRange receiveWindowRange(std::int64_t tcp1323Opts) {
    return {"RWIN", 1, (tcp1323Opts & 1) ? ranges::kScaledWindowMost : ranges::kUnscaledWindowMost, "bytes"};
}

WholeRange multiplierRange(std::int64_t mss, std::int64_t scaleFactor) {
    const std::int64_t per = std::max<std::int64_t>(1, mss) * std::max<std::int64_t>(1, scaleFactor);
    return {"Multiplier", 1, std::max<std::int64_t>(1, receiveWindowRange().highest / per)};
}

std::optional<std::string> firstOutOfRange(const TuningParams& p) {
    auto outside = [](std::int64_t value, const WholeRange& range) {
        return value < range.lowest || value > range.highest;
    };
    if (p.mtu != kRemoveValue) {
        if (outside(p.mtu, ranges::kMtu)) return rangeRule(ranges::kMtu);
        if (outside(p.mss, mssRange(p.mtu))) return rangeRule(mssRange(p.mtu));
    }
    if (p.rwin != kRemoveValue && outside(p.rwin, receiveWindowRange())) return rangeRule(receiveWindowRange());
    const struct {
        std::int64_t value;
        const WholeRange& range;
    } plain[] = {
        {p.ttl, ranges::kTtl},
        {p.keepAliveTime, ranges::kKeepAliveTime},
        {p.keepAliveInterval, ranges::kKeepAliveInterval},
        {p.maxConnPerServer, ranges::kMaxConnPerServer},
        {p.maxConnPer1_0Server, ranges::kMaxConnPer1_0Server},
        {p.synAttackProtect, ranges::kSynAttackProtect},
    };
    for (const auto& v : plain) {
        if (outside(v.value, v.range)) return rangeRule(v.range);
    }
    return std::nullopt;
}

}  // namespace quellar::tuning
