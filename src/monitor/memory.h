#pragma once
// Memory figures and the program's way of freeing memory: freeUp
// claims a large block, writes every page of it, holds it over a few
// message-loop yields and gives it back, so the system pages other programs
// out to make room.
//
// The figures, the yields and the claim go through MonitorHooks, a
// process-wide table like effects(): the Windows build installs the real
// calls (monitor/memory_win.h); tests supply figures and count yields.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "monitor/cpumeter.h"
#include "monitor/systemactions.h"

namespace quellar::monitor {

// One reading of the system's memory, every figure in 64 bits so machines
// with 2 GB or more read true (a 32-bit field would wrap negative there).
struct MemoryStatus {
    std::uint64_t memoryLoad = 0;  // percent in use
    std::uint64_t totalPhysical = 0;
    std::uint64_t availPhysical = 0;
    std::uint64_t totalPageFile = 0;
    std::uint64_t availPageFile = 0;
    std::uint64_t totalVirtual = 0;
    std::uint64_t availVirtual = 0;
};

struct MonitorHooks {
    // The system's memory status now.
    std::function<MemoryStatus()> memoryStatus;
    // One message-loop yield: dispatches what is queued and returns at once.
    std::function<void()> yield;
    // Claims a buffer of `bytes` bytes, writing every one, runs `whileHeld`,
    // then releases the buffer. False, without running `whileHeld`, when the
    // memory could not be claimed.
    std::function<bool(std::size_t bytes, const std::function<void()>& whileHeld)> claim;
    // The program's one processor meter, not yet started; the System
    // status window makes it. Nothing where there is no counter to read.
    std::function<std::unique_ptr<ProcessorMeter>()> makeProcessorMeter;
};

// The process-wide table. Until the Windows build installs the real calls
// it reports no memory, yields do nothing and there is no processor meter;
// the claim is real everywhere.
MonitorHooks& monitorHooks();

// Restores the whole table when it leaves scope.
class MonitorHooksOverride {
public:
    MonitorHooksOverride() : saved_(monitorHooks()) {}
    ~MonitorHooksOverride() { monitorHooks() = saved_; }
    MonitorHooksOverride(const MonitorHooksOverride&) = delete;
    MonitorHooksOverride& operator=(const MonitorHooksOverride&) = delete;
private:
    MonitorHooks saved_;
};

// The claim the table starts with: an ordinary allocation filled with
// spaces; exhausted memory (or more than the process can address) is the
// allocator saying no, never an exception.
bool claimSpaces(std::size_t bytes, const std::function<void()>& whileHeld);

// Runs the table's yield `times` times.
void yieldTimes(int times);

// Unit rule shared by every window: bytes / 1024 and kilobytes / 1024, in
// double precision, rounded to the nearest whole number with ties to even.
std::uint64_t toKilobytes(std::uint64_t bytes);
std::uint64_t toMegabytes(std::uint64_t bytes);  // toKilobytes twice

// Half of a count for the retry after a failed claim: ties to even, so 7
// gives 4 and 5 gives 2.
std::int32_t halfCount(std::int32_t count);

class Memory : public SystemActions {
public:
    // Each figure is a fresh reading.
    std::uint64_t freePhysical() const;
    std::uint64_t totalPhysical() const;
    std::uint64_t memoryLoad() const;
    std::uint64_t freeVirtual() const;
    std::uint64_t totalVirtual() const;

    // Five yields, a buffer of `count` bytes (megabytes x 1,048,576: what
    // the user asked for, not twice that) held over five more yields, then
    // released; returns `count`. When the claim fails, one claim of half the
    // count without yields; returns that half. When that fails too: no
    // count (the caller's error), as for any amount a 32-bit process cannot
    // hold. A negative count is taken as 0.
    std::optional<std::int32_t> freeUp(std::int32_t count);
};

// One optimisation at a time in the whole program. Both the memory alarm
// and "Optimize Now" yield to the message loop while they run, so each can
// be entered again from the other's yields; a second one would hold a
// second large buffer at the same time. Whoever gets no turn does nothing.
class OptimisationTurn {
public:
    OptimisationTurn();
    ~OptimisationTurn();
    OptimisationTurn(const OptimisationTurn&) = delete;
    OptimisationTurn& operator=(const OptimisationTurn&) = delete;

    bool granted() const { return granted_; }
    // Whether some optimisation is running now.
    static bool running();

private:
    bool granted_;
};

}  // namespace quellar::monitor
