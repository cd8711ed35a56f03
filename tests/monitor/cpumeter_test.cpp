#include <doctest/doctest.h>

#include <cstring>
#include <vector>

#include "monitor/cpumeter.h"

using namespace quellar::monitor;

namespace {
// 100 ns units per millisecond.
constexpr std::int64_t kMs = 10000;
}  // namespace

TEST_CASE("busy percent from the idle and elapsed spans") {
    CHECK(busyPercent(1500 * kMs, 1000 * kMs, 2) == 25);
    CHECK(busyPercent(3333333, 1000 * kMs, 1) == 67);  // ratio 0.3333 -> 67
    CHECK(busyPercent(1000 * kMs, 1000 * kMs, 1) == 0);
    CHECK(busyPercent(0, 1000 * kMs, 1) == 100);
    CHECK(busyPercent(0, 0, 1) == 100);  // no time passed, nothing idle
    // 200 processors, ratio 1.0001: 100 - 100.01 / 200 + 0.5 = 99.99995,
    // which four decimals with ties to even make 100.0000 before the whole
    // part is taken.
    CHECK(busyPercent(10001 * kMs, 10000 * kMs, 200) == 100);
}

TEST_CASE("busy percent stays within 0 to 100") {
    CHECK(busyPercent(1030 * kMs, 1000 * kMs, 1) == 0);   // would be -2
    CHECK(busyPercent(-500 * kMs, 1000 * kMs, 1) == 100);
    CHECK(busyPercent(5 * kMs, 0, 1) == 0);  // elapsed 0: the idle span stands for the ratio
    CHECK(busyPercent(500 * kMs, 1000 * kMs, 0) == 50);  // no processors counts as one
    CHECK(busyPercent(INT64_MAX, 1, 1) == 0);
}

namespace {

struct FakeCounters : SystemCounters {
    unsigned count = 1;
    std::int64_t time = 0;
    std::int64_t idle = 0;
    bool failTime = false;
    std::vector<char> asked;
    bool processors(unsigned& c) override {
        asked.push_back('0');
        c = count;
        return true;
    }
    bool currentTime(std::int64_t& t) override {
        asked.push_back('3');
        t = time;
        return !failTime;
    }
    bool idleTime(std::int64_t& t) override {
        asked.push_back('2');
        t = idle;
        return true;
    }
};

struct FakePerfStats : PerfStatsSource {
    bool opens = true;
    bool reads = true;
    unsigned char value[4] = {0x2C, 0x01, 0x00, 0x00};  // 300
    int stops = 0;
    bool start(unsigned char data[4]) override {
        if (!opens) return false;
        std::memcpy(data, value, 4);
        return true;
    }
    bool sample(unsigned char data[4]) override {
        if (!reads) return false;
        std::memcpy(data, value, 4);
        return true;
    }
    void stop() override { ++stops; }
};

}  // namespace

TEST_CASE("the NT meter measures from the previous reading; a failed one answers -1") {
    FakeCounters counters;
    counters.time = 5000 * kMs;
    counters.idle = 700 * kMs;
    NtMeter meter(counters);
    meter.start();
    counters.time += 1000 * kMs;
    counters.idle += 250 * kMs;
    CHECK(meter.read() == 75);
    CHECK(counters.asked == std::vector<char>{'3', '2', '0', '3', '2'});

    counters.failTime = true;
    counters.time += 1000 * kMs;
    CHECK(meter.read() == -1);
    counters.failTime = false;
    counters.time += 1000 * kMs;
    counters.idle += 1000 * kMs;  // 2000 ms since the last good reading, half idle
    CHECK(meter.read() == 50);
}

TEST_CASE("the 9x meter uses the first byte and repeats the last reading when a read fails") {
    FakePerfStats source;
    PerfStatsMeter meter(source);
    meter.start();
    CHECK(meter.read() == 44);
    source.value[0] = 7;
    source.reads = false;
    CHECK(meter.read() == 44);
    source.reads = true;
    CHECK(meter.read() == 7);
    meter.stop();
    CHECK(source.stops == 1);

    FakePerfStats closed;
    closed.opens = false;
    PerfStatsMeter never(closed);
    never.start();
    CHECK(never.read() == 0);
    CHECK(never.read() == 0);
}
