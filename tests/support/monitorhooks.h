#pragma once
// Stand-in monitor hooks for tests: memory figures a test sets, yields and
// claims counted, claims that fail above a limit, and processor meters with
// a reading the test sets (FixedMeter alone; the one the hooks make reads
// FakeMonitor::processor).
#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <vector>

#include "monitor/cpumeter.h"
#include "monitor/memory.h"

namespace quellar::testing {

inline constexpr std::uint64_t kMiB = 1048576;

class FixedMeter : public monitor::ProcessorMeter {
public:
    std::int32_t reading = 0;
    int queries = 0;
    void start() override {}
    std::int32_t read() override {
        ++queries;
        return reading;
    }
    void stop() override {}
};

struct FakeMonitor {
    monitor::MonitorHooksOverride scope;
    monitor::MemoryStatus status;
    int yields = 0;
    std::vector<std::size_t> claims;          // every claim asked for, in order
    std::vector<int> yieldsAtClaim;          // yields seen when each claim was made
    std::size_t claimLimit = std::numeric_limits<std::size_t>::max();  // larger claims fail
    std::function<void()> onYield;            // runs inside each yield
    // What the meter made through the hooks reads, shared with it.
    std::shared_ptr<FixedMeter> processor = std::make_shared<FixedMeter>();

    FakeMonitor() {
        monitor::monitorHooks().memoryStatus = [this] { return status; };
        monitor::monitorHooks().yield = [this] {
            ++yields;
            if (onYield) onYield();
        };
        monitor::monitorHooks().claim = [this](std::size_t bytes, const std::function<void()>& whileHeld) {
            claims.push_back(bytes);
            yieldsAtClaim.push_back(yields);
            if (bytes > claimLimit) return false;
            whileHeld();
            return true;
        };
        monitor::monitorHooks().makeProcessorMeter = [this] {
            return std::unique_ptr<monitor::ProcessorMeter>(std::make_unique<SharedMeter>(processor));
        };
    }

    void setMemory(std::uint64_t totalMiB, std::uint64_t freeMiB) {
        status.totalPhysical = totalMiB * kMiB;
        status.availPhysical = freeMiB * kMiB;
    }

private:
    struct SharedMeter : monitor::ProcessorMeter {
        explicit SharedMeter(std::shared_ptr<FixedMeter> meter) : meter_(std::move(meter)) {}
        void start() override {}
        std::int32_t read() override { return meter_->read(); }
        void stop() override {}
        std::shared_ptr<FixedMeter> meter_;
    };
};

}  // namespace quellar::testing
