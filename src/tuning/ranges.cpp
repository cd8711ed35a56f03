#include "tuning/ranges.h"

#include <algorithm>

#include "tuning/fields.h"

namespace quellar::tuning {

namespace {

// A row's range for a set whose MTU is `mtu`.
WholeRange rangeFor(const TuningField& field, std::int64_t mtu) {
    WholeRange range = *field.range;
    if (field.belowMtu) range.highest = std::max(range.lowest, mtu - limits::kHeaderBytes);
    return range;
}

}  // namespace

WholeRange rangeOf(std::int32_t TuningParams::*number) { return *fieldOf(number).range; }

WholeRange mssRange(std::int64_t mtu) { return rangeFor(fieldOf(&TuningParams::mss), mtu); }

WholeRange receiveWindowRange(std::int64_t tcp1323Opts) {
    WholeRange range = rangeOf(&TuningParams::rwin);
    if (!(tcp1323Opts & 1)) range.highest = limits::kUnscaledWindowMost;
    return range;
}

WholeRange multiplierRange(std::int64_t mss, std::int64_t scaleFactor) {
    const std::int64_t per = std::max<std::int64_t>(1, mss) * std::max<std::int64_t>(1, scaleFactor);
    return {"Multiplier", 1, std::max<std::int64_t>(1, receiveWindowRange().highest / per)};
}

std::optional<std::string> firstOutOfRange(const TuningParams& p) {
    for (const TuningField& f : kTuningFields) {
        if (!f.range || f.removedIn(p)) continue;
        const WholeRange range = rangeFor(f, p.mtu);
        const std::int64_t value = numberOf(f, p);
        if (value < range.lowest || value > range.highest) return rangeRule(range);
    }
    return std::nullopt;
}

}  // namespace quellar::tuning
