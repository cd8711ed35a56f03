#include "core/timers.h"

namespace quellar {

namespace {
ManualTimers& defaultTimers() {
    static ManualTimers manual;
    return manual;
}
TimerService* current = nullptr;
}  // namespace

TimerService& timers() { return current ? *current : defaultTimers(); }

void setTimerService(TimerService* service) { current = service; }

TimerService::Id ManualTimers::start(std::uint32_t intervalMs, std::function<void()> tick) {
    if (intervalMs == 0) intervalMs = 1;
    const Id id = next_++;
    timers_[id] = {intervalMs, now_ + intervalMs,
                   std::make_shared<std::function<void()>>(std::move(tick))};
    return id;
}

void ManualTimers::stop(Id id) { timers_.erase(id); }

void ManualTimers::advance(std::uint64_t ms) {
    const std::uint64_t end = now_ + ms;
    for (;;) {
        // The earliest due timer; among equals the one started first.
        auto next = timers_.end();
        for (auto it = timers_.begin(); it != timers_.end(); ++it) {
            if (it->second.due <= end && (next == timers_.end() || it->second.due < next->second.due))
                next = it;
        }
        if (next == timers_.end()) break;
        now_ = next->second.due;
        next->second.due += next->second.interval;
        // Held here so a tick that stops its own timer does not destroy
        // the function while it runs.
        const auto tick = next->second.tick;
        if (*tick) (*tick)();
    }
    now_ = end;
}

ManualTimersScope::ManualTimersScope() : saved_(&timers()) { setTimerService(&clock_); }

ManualTimersScope::~ManualTimersScope() {
    setTimerService(saved_ == &defaultTimers() ? nullptr : saved_);
}

void Timer::start(std::uint32_t intervalMs, std::function<void()> tick) {
    stop();
    interval_ = intervalMs;
    tick_ = std::move(tick);
    service_ = &timers();
    id_ = service_->start(interval_, [this] {
        if (tick_) tick_();
    });
}

void Timer::startOnce(std::uint32_t delayMs, std::function<void()> tick) {
    start(delayMs, [this, tick = std::move(tick)] {
        // A copy: stopping may drop the function this lambda lives in.
        const std::function<void()> once = tick;
        stop();
        if (once) once();
    });
}

void Timer::setInterval(std::uint32_t intervalMs) {
    interval_ = intervalMs;
    if (!service_) return;
    service_->stop(id_);
    id_ = service_->start(interval_, [this] {
        if (tick_) tick_();
    });
}

void Timer::stop() {
    if (service_) service_->stop(id_);
    service_ = nullptr;
    id_ = 0;
}

}  // namespace quellar
