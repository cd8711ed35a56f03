#pragma once
// What each TCP/IP value of the registry map accepts, as the field table
// (tuning/fields.h) gives it from Microsoft's TCP/IP registry
// documentation: every box of the Advanced mode reads it, and every Wizard
// preset must lie in it.
#include <cstdint>
#include <optional>
#include <string>

#include "core/numberbox.h"
#include "tuning/tuning.h"

namespace quellar::tuning {

// The range of a whole number of the record (the MSS's for the largest MTU).
WholeRange rangeOf(std::int32_t TuningParams::*number);

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
