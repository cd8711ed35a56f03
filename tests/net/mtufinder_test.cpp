#include <doctest/doctest.h>

#include <vector>

#include "net/mtufinder.h"

using namespace quellar::net;

namespace {

constexpr std::uint32_t kLinkLocal = 169 | 254u << 8 | 1u << 16 | 2u << 24;

// A path whose largest unfragmented packet is `pathMtu`: a larger echo
// with the don't-fragment flag gets "packet too big" (or, with `silent`,
// nothing), a smaller one its reply. 0 answers nothing at all.
struct FakePath {
    explicit FakePath(unsigned mtu, bool quiet = false) : pathMtu(mtu), silent(quiet) {}
    unsigned pathMtu;
    bool silent;
    std::vector<unsigned> payloads;
    int starts = 0, cleanups = 0;

    NetSystem system() {
        return NetSystem{
            [this] {
                ++starts;
                return WinsockStart{0, 0x0101, 100};
            },
            [this] {
                ++cleanups;
                return 0;
            },
            [](const std::string& name) {
                return name == "peer.test" ? std::vector<std::string>{"169.254.1.2"} : std::vector<std::string>{};
            },
            [](std::uint32_t, unsigned) { return EchoReply{}; },
        };
    }
    DontFragmentEcho echo() {
        return [this](std::uint32_t address, unsigned payload, unsigned) {
            CHECK(address == kLinkLocal);
            payloads.push_back(payload);
            if (payload + kEchoHeaderBytes <= pathMtu) return EchoReply{1, 0};
            return silent ? EchoReply{0, 11010} : EchoReply{1, 11009};
        };
    }
    MtuOutcome find(const std::string& host) { return findLargestMtu(host, 100, system(), echo()); }
};

}  // namespace

TEST_CASE("MTU search: a 1400 path in at most 12 echoes, every size from 68 to 1500 exactly") {
    FakePath path{1400};
    const MtuOutcome outcome = path.find("169.254.1.2");
    CHECK(outcome.status == MtuStatus::Found);
    CHECK(outcome.mtu == 1400);
    CHECK(outcome.mss == 1360);
    CHECK(outcome.address == "169.254.1.2");
    CHECK(outcome.echoes == path.payloads.size());
    CHECK(path.payloads.size() <= 12);
    // The first echo is the smallest packet: does the host answer at all?
    CHECK(path.payloads.front() == kSmallestMtu - kEchoHeaderBytes);
    CHECK(describeMtuOutcome(outcome, "169.254.1.2") == "MTU 1400, MSS 1360");
    CHECK(path.starts == path.cleanups);

    for (unsigned mtu = kSmallestMtu; mtu <= kLargestMtu; ++mtu) {
        unsigned echoes = 0;
        const MtuSearchResult r = searchLargestMtu([&](unsigned size) {
            ++echoes;
            return size <= mtu;
        });
        REQUIRE(r.answered);
        REQUIRE(r.mtu == mtu);
        REQUIRE(echoes <= 12);
    }
    // A path wider than Ethernet reports the largest size searched.
    CHECK(searchLargestMtu([](unsigned) { return true; }).mtu == kLargestMtu);
}

TEST_CASE("MTU search: a host that never answers, and one that answers only small packets") {
    FakePath silentHost{0, true};
    const MtuOutcome none = silentHost.find("169.254.1.2");
    CHECK(none.status == MtuStatus::NoAnswer);
    CHECK(silentHost.payloads.size() == 1);
    CHECK(describeMtuOutcome(none, "169.254.1.2") == "the host does not answer pings");

    FakePath smallOnly{kSmallestMtu, true};
    const MtuOutcome small = smallOnly.find("peer.test");
    CHECK(small.status == MtuStatus::Found);
    CHECK(small.mtu == kSmallestMtu);
    CHECK(small.mss == kSmallestMtu - 40);
    CHECK(smallOnly.payloads.size() <= 12);

    FakePath dialUp{576};
    CHECK(dialUp.find("peer.test").mtu == 576);
}

TEST_CASE("MTU search: hosts that cannot be echoed send nothing, and Windows Sockets is always cleaned up") {
    for (const char* host : {"", "   ", "1.2.3.4.5", "10.0.0.300", "unknown.test"}) {
        FakePath path{1500};
        const MtuOutcome outcome = path.find(host);
        CHECK(outcome.status == MtuStatus::NoAddress);
        CHECK(path.payloads.empty());
        CHECK(path.starts == path.cleanups);
    }
}
