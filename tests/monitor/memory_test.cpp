#include <doctest/doctest.h>

#include "monitor/memory.h"
#include "support/monitorhooks.h"

using namespace quellar::monitor;
using quellar::testing::FakeMonitor;
using quellar::testing::kMiB;

TEST_CASE("the unit rule rounds to the nearest whole number, ties to even") {
    CHECK(toKilobytes(2560) == 2);   // 2.5
    CHECK(toKilobytes(3584) == 4);   // 3.5
    CHECK(toKilobytes(1535) == 1);
    CHECK(toMegabytes(512 * kMiB) == 512);
    CHECK(toMegabytes(2 * kMiB + 512 * 1024) == 2);  // 2.5 MB
    CHECK(toMegabytes(8192 * kMiB) == 8192);          // beyond 32 bits
}

TEST_CASE("figures come from one fresh reading each, in 64 bits") {
    FakeMonitor monitor;
    monitor.status = {42, 6ull << 30, 5ull << 30, 7, 8, 9, 10};
    Memory ram;
    CHECK(ram.totalPhysical() == (6ull << 30));
    CHECK(ram.freePhysical() == (5ull << 30));
    CHECK(ram.memoryLoad() == 42);
    CHECK(ram.totalVirtual() == 9);
    CHECK(ram.freeVirtual() == 10);
    monitor.status.availPhysical = 1;
    CHECK(ram.freePhysical() == 1);
}

TEST_CASE("freeUp yields five times, holds the buffer over five more, and retries once at half") {
    FakeMonitor monitor;
    Memory ram;

    SUBCASE("a claim that fits") {
        CHECK(ram.freeUp(1000) == 1000);
        CHECK(monitor.claims == std::vector<std::size_t>{1000});
        CHECK(monitor.yieldsAtClaim.front() == 5);
        CHECK(monitor.yields == 10);
    }
    SUBCASE("a count of 0 claims an empty buffer") {
        CHECK(ram.freeUp(0) == 0);
        CHECK(monitor.claims == std::vector<std::size_t>{0});
    }
    SUBCASE("failing at 2,000,000 and fitting at 1,000,000, without yields around the retry") {
        monitor.claimLimit = 1000000;
        CHECK(ram.freeUp(2000000) == 1000000);
        CHECK(monitor.yields == 5);
    }
    SUBCASE("halves round ties to even") {
        monitor.claimLimit = 4;
        CHECK(ram.freeUp(7) == 4);
        CHECK(ram.freeUp(5) == 2);
        CHECK(monitor.claims == std::vector<std::size_t>{7, 4, 5, 2});
    }
    SUBCASE("both claims failing is an error, not a count") {
        monitor.claimLimit = 1;
        CHECK_FALSE(ram.freeUp(7).has_value());
        CHECK(monitor.claims == std::vector<std::size_t>{7, 4});
    }
}

TEST_CASE("the real claim writes a buffer and holds it while asked") {
    bool held = false;
    CHECK(claimSpaces(4096, [&] { held = true; }));
    CHECK(held);
}

TEST_CASE("one optimisation at a time") {
    CHECK_FALSE(OptimisationTurn::running());
    {
        OptimisationTurn first;
        CHECK(first.granted());
        OptimisationTurn second;
        CHECK_FALSE(second.granted());
        CHECK(OptimisationTurn::running());
    }
    CHECK_FALSE(OptimisationTurn::running());
}
