#pragma once
// Repeating timers behind a replaceable seam, like effects(): the running
// program installs real system timers (win/timers_win.h); test programs keep
// a manual clock that a test advances at will, so a 65,535 ms timer or a
// thousand 100 ms ticks run at once and no test waits for real time.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>

namespace quellar {

class TimerService {
public:
    using Id = std::uint32_t;
    virtual ~TimerService() = default;
    // Calls `tick` every `intervalMs` milliseconds (at least 1) until stopped.
    virtual Id start(std::uint32_t intervalMs, std::function<void()> tick) = 0;
    virtual void stop(Id id) = 0;
};

// The process-wide service; a ManualTimers until the program installs the
// real one.
TimerService& timers();
// Replaces it (the caller keeps `service` alive); nullptr puts back the
// manual default.
void setTimerService(TimerService* service);

// Timers that run only when a test advances their clock. Ticks run in time
// order; a tick may start and stop timers, itself included.
class ManualTimers : public TimerService {
public:
    Id start(std::uint32_t intervalMs, std::function<void()> tick) override;
    void stop(Id id) override;

    // Runs every tick due within the next `ms` milliseconds.
    void advance(std::uint64_t ms);
    std::uint64_t now() const { return now_; }
    std::size_t running() const { return timers_.size(); }

private:
    struct Entry {
        std::uint32_t interval;
        std::uint64_t due;
        std::shared_ptr<std::function<void()>> tick;
    };
    std::map<Id, Entry> timers_;
    std::uint64_t now_ = 0;
    Id next_ = 1;
};

// Installs a fresh ManualTimers for one scope (a test) and puts back the
// previous service afterwards.
class ManualTimersScope {
public:
    ManualTimersScope();
    ~ManualTimersScope();
    ManualTimersScope(const ManualTimersScope&) = delete;
    ManualTimersScope& operator=(const ManualTimersScope&) = delete;
    ManualTimers& clock() { return clock_; }
    void advance(std::uint64_t ms) { clock_.advance(ms); }

private:
    ManualTimers clock_;
    TimerService* saved_;
};

// One timer of a window or a background job: start, change the interval,
// stop; stops by itself when it goes. The service is the one in force when
// it starts.
class Timer {
public:
    Timer() = default;
    ~Timer() { stop(); }
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    void start(std::uint32_t intervalMs, std::function<void()> tick);
    // One tick only: the timer stops before `tick` runs, so the tick may
    // start it again or let its owner go.
    void startOnce(std::uint32_t delayMs, std::function<void()> tick);
    // A running timer restarts with the new interval; a stopped one only
    // remembers it.
    void setInterval(std::uint32_t intervalMs);
    void stop();
    bool running() const { return service_ != nullptr; }
    std::uint32_t interval() const { return interval_; }

private:
    TimerService* service_ = nullptr;
    TimerService::Id id_ = 0;
    std::uint32_t interval_ = 0;
    std::function<void()> tick_;
};

}  // namespace quellar
