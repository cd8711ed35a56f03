#pragma once
// Processor meters: how busy the processor is, in whole percent. One meter
// lives in the program: the System status window makes it (the NT meter on
// the NT family, the 9x meter otherwise; monitor/cpumeter_win.h) and the
// memory alarm reads the same one.
//
// The arithmetic is here, portable; the counters come from small reader
// interfaces that the Windows build fills from the registry (9x) or from
// NtQuerySystemInformation (NT).
#include <cstdint>

namespace quellar::monitor {

class ProcessorMeter {
public:
    virtual ~ProcessorMeter() = default;
    virtual void start() = 0;
    // Percent busy since the previous reading (or since start). The NT
    // meter answers -1 for a failed reading.
    virtual std::int32_t read() = 0;
    virtual void stop() = 0;
};

// The 9x kernel's own counter in HKEY_DYN_DATA\PerfStats: reading the value
// from StartStat starts it, from StatData samples it, from StopStat stops it.
class PerfStatsSource {
public:
    virtual ~PerfStatsSource() = default;
    // Reads the counter from StartStat into `data` (4 bytes); false when
    // StartStat cannot be opened. Then opens StatData for the samples.
    virtual bool start(unsigned char data[4]) = 0;
    // One sample from StatData into `data`; false (data untouched) when the
    // read fails.
    virtual bool sample(unsigned char data[4]) = 0;
    // Closes StatData and reads StopStat.
    virtual void stop() = 0;
};

class PerfStatsMeter : public ProcessorMeter {
public:
    explicit PerfStatsMeter(PerfStatsSource& source) : source_(source) {}
    void start() override;
    // The first byte of the counter (0 to 255). A failed read answers the
    // last byte read again, or 0 when nothing was ever read.
    std::int32_t read() override;
    void stop() override;

private:
    PerfStatsSource& source_;
    unsigned char data_[4] = {};
    bool started_ = false;
};

// The NT counters, each read false on failure. Times in 100 ns units.
class SystemCounters {
public:
    virtual ~SystemCounters() = default;
    virtual bool processors(unsigned& count) = 0;   // SystemBasicInformation
    virtual bool currentTime(std::int64_t& time) = 0;  // SystemTimeOfDayInformation
    virtual bool idleTime(std::int64_t& time) = 0;     // SystemPerformanceInformation
};

// busy % = 100 - idle / elapsed * 100 / processors, the counts taken as
// fixed-point milliseconds with four decimals (every step rounded back to
// four decimals with ties to even), then + 0.5 and the whole part. Held
// within 0 to 100: counters that run slightly apart would otherwise give -1
// or less, which a caller cannot tell from a failed reading. Elapsed 0
// divides nothing (the idle difference stands for the ratio); a processor
// count of 0 counts as 1.
std::int32_t busyPercent(std::int64_t idleDelta, std::int64_t elapsedDelta, unsigned processors);

class NtMeter : public ProcessorMeter {
public:
    explicit NtMeter(SystemCounters& counters) : counters_(counters) {}
    // Takes the starting counts; on failure the previous ones stay.
    void start() override;
    // -1 when any counter fails (the previous counts then stay).
    std::int32_t read() override;
    void stop() override {}

private:
    SystemCounters& counters_;
    std::int64_t lastIdle_ = 0;
    std::int64_t lastTime_ = 0;
};

}  // namespace quellar::monitor
