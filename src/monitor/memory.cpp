#include "monitor/memory.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <new>

namespace quellar::monitor {

namespace {

constexpr double kUnit = 1024.0;
constexpr int kYieldsAround = 5;
constexpr char kSpace = ' ';

bool optimisationRunning = false;

// The held buffer is published here so the compiler cannot drop the claim
// and its fill as unused: the point of the claim is its side effect.
char* volatile heldBuffer = nullptr;

// Bytes and kilobytes stay far below 2^53 on any machine this runs on, so
// the double carries them exactly and the rounding is the only change.
std::uint64_t roundedQuotient(std::uint64_t value) {
    return static_cast<std::uint64_t>(std::nearbyint(static_cast<double>(value) / kUnit));
}

}  // namespace

MonitorHooks& monitorHooks() {
    static MonitorHooks table{
        [] { return MemoryStatus{}; },
        [] {},
        claimSpaces,
        [] { return std::unique_ptr<ProcessorMeter>(); },
    };
    return table;
}

bool claimSpaces(std::size_t bytes, const std::function<void()>& whileHeld) {
    std::unique_ptr<char[]> buffer;
    try {
        buffer.reset(new (std::nothrow) char[bytes]);
    } catch (const std::bad_alloc&) {
        // A size beyond what the allocator takes at all (bad_array_new_length).
        return false;
    }
    if (!buffer) return false;
    std::fill_n(buffer.get(), bytes, kSpace);
    heldBuffer = buffer.get();
    whileHeld();
    heldBuffer = nullptr;
    return true;
}

void yieldTimes(int times) {
    for (int i = 0; i < times; ++i) monitorHooks().yield();
}

std::uint64_t toKilobytes(std::uint64_t bytes) {
    return roundedQuotient(bytes);
}

std::uint64_t toMegabytes(std::uint64_t bytes) {
    return roundedQuotient(toKilobytes(bytes));
}

std::int32_t halfCount(std::int32_t count) {
    return static_cast<std::int32_t>(std::nearbyint(static_cast<double>(count) / 2.0));
}

std::uint64_t Memory::freePhysical() const {
    return monitorHooks().memoryStatus().availPhysical;
}

std::uint64_t Memory::totalPhysical() const {
    return monitorHooks().memoryStatus().totalPhysical;
}

std::uint64_t Memory::memoryLoad() const {
    return monitorHooks().memoryStatus().memoryLoad;
}

std::uint64_t Memory::freeVirtual() const {
    return monitorHooks().memoryStatus().availVirtual;
}

std::uint64_t Memory::totalVirtual() const {
    return monitorHooks().memoryStatus().totalVirtual;
}

std::optional<std::int32_t> Memory::freeUp(std::int32_t count) {
    count = std::max(count, 0);
    // Copied: a yield may run code that replaces the table.
    const auto claim = monitorHooks().claim;
    yieldTimes(kYieldsAround);
    if (claim(static_cast<std::size_t>(count), [] { yieldTimes(kYieldsAround); })) return count;
    // Not the full size again: half of it is likely to fit where the whole
    // did not, and the retry holds it without yields.
    const std::int32_t half = halfCount(count);
    if (claim(static_cast<std::size_t>(half), [] {})) return half;
    return std::nullopt;
}

OptimisationTurn::OptimisationTurn() : granted_(!optimisationRunning) {
    if (granted_) optimisationRunning = true;
}

OptimisationTurn::~OptimisationTurn() {
    if (granted_) optimisationRunning = false;
}

bool OptimisationTurn::running() {
    return optimisationRunning;
}

}  // namespace quellar::monitor
