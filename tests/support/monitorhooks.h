#pragma once
// Stand-in monitor hooks for tests: memory figures a test sets, yields and
// claims counted, claims that fail above a limit, and a processor meter
// with a fixed reading.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <vector>

#include "monitor/cpumeter.h"
#include "monitor/memory.h"

namespace quellar::testing {

inline constexpr std::uint64_t kMiB = 1048576;

struct FakeMonitor {
    memory::MonitorHooksOverride scope;
    memory::MemoryStatus status;
    int yields = 0;
    std::vector<std::size_t> claims;          // every claim asked for, in order
    std::vector<int> yieldsAtClaim;          // yields seen when each claim was made
    std::size_t claimLimit = std::numeric_limits<std::size_t>::max();  // larger claims fail
    std::function<void()> onYield;            // runs inside each yield

    FakeMonitor() {
        memory::monitorHooks().memoryStatus = [this] { return status; };
        memory::monitorHooks().yield = [this] {
            ++yields;
            if (onYield) onYield();
        };
        memory::monitorHooks().claim = [this](std::size_t characters, const std::function<void()>& whileHeld) {
            claims.push_back(characters);
            yieldsAtClaim.push_back(yields);
            if (characters > claimLimit) return false;
            whileHeld();
            return true;
        };
    }

    void setMemory(std::uint64_t totalMiB, std::uint64_t freeMiB) {
        status.totalPhysical = totalMiB * kMiB;
        status.availPhysical = freeMiB * kMiB;
    }
};

class FixedMeter : public memory::ProcessorMeter {
public:
    std::int32_t reading = 0;
    int queries = 0;
    void Initialize() override {}
    std::int32_t Query() override {
        ++queries;
        return reading;
    }
    void Terminate() override {}
};

}  // namespace quellar::testing
