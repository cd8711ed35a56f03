#include <doctest/doctest.h>

#include <algorithm>
#include <map>
#include <vector>

#include "core/effects.h"
#include "net/echo.h"

using namespace quellar;
using namespace quellar::net;

namespace {

std::uint32_t octets(unsigned a, unsigned b, unsigned c, unsigned d) {
    return a | b << 8 | c << 16 | d << 24;
}

// Windows Sockets and ICMP in memory: counts start-ups and clean-ups, knows
// a few names, and answers echoes to the addresses in `answering`.
struct FakeNet {
    int starts = 0, cleanups = 0, depth = 0, deepest = 0;
    WinsockStart startResult{0, 0x0101, 32767};
    int cleanupResult = 0;
    std::map<std::string, std::vector<std::string>> names;
    std::vector<std::string> lookups;
    std::vector<std::uint32_t> echoes;
    std::vector<std::uint32_t> answering;

    NetSystem system() {
        return NetSystem{
            [this] {
                ++starts;
                if (startResult.error == 0) deepest = std::max(deepest, ++depth);
                return startResult;
            },
            [this] {
                ++cleanups;
                --depth;
                return cleanupResult;
            },
            [this](const std::string& name) {
                lookups.push_back(name);
                auto it = names.find(name);
                return it == names.end() ? std::vector<std::string>{} : it->second;
            },
            [this](std::uint32_t address, unsigned) {
                echoes.push_back(address);
                for (std::uint32_t a : answering)
                    if (a == address) return EchoReply{1, 0};
                return EchoReply{0, 11010};
            },
        };
    }
    EchoOutcome ping(const std::string& host) { return echoHost(host, 500, system()); }
};

}  // namespace

TEST_CASE("host texts: addresses, names, and what only looks like an address") {
    struct Row {
        const char* text;
        HostKind kind;
        std::uint32_t address;
    };
    const Row rows[] = {
        {"", HostKind::Blank, 0},
        {"   ", HostKind::Blank, 0},
        {"192.168.0.1", HostKind::Address, octets(192, 168, 0, 1)},
        {" 127.0.0.1 ", HostKind::Address, octets(127, 0, 0, 1)},
        {"010.0.0.255", HostKind::Address, octets(10, 0, 0, 255)},
        {"www.example.com", HostKind::Name, 0},
        {"localhost", HostKind::Name, 0},
        {"3com.example", HostKind::Name, 0},
        {"1.2.3", HostKind::Malformed, 0},
        {"10.1", HostKind::Malformed, 0},
        {"1.2.3.4.5", HostKind::Malformed, 0},
        {"1.2.x.4", HostKind::Malformed, 0},
        {"10.0.0.300", HostKind::Malformed, 0},
        {"1.2..4", HostKind::Malformed, 0},
        {"1.2.3.4.", HostKind::Malformed, 0},
        {"1.2.3.99999999999", HostKind::Malformed, 0},
    };
    for (const Row& row : rows) {
        CAPTURE(row.text);
        const HostTarget target = classifyHost(row.text);
        CHECK(target.kind == row.kind);
        CHECK(target.address == row.address);
    }
}

TEST_CASE("the host check before a save or a ping: whole addresses and names with a letter") {
    for (const char* fine : {"127.0.0.1", " 10.0.0.255 ", "localhost", "0.pool.example", "my-host.example.com"}) {
        CAPTURE(fine);
        CHECK(hostProblem(fine) == std::nullopt);
    }
    for (const char* refused : {"", "  ", "300.1.1.1", "1.2.3", "abc def", "host_name", "a..b", "1.2.3.4."}) {
        CAPTURE(refused);
        CHECK(hostProblem(refused) == std::string(kHostRule));
    }
}

TEST_CASE("an address is pinged directly, inside one start-up and clean-up") {
    FakeNet net;
    net.answering = {octets(192, 168, 0, 1)};
    const EchoOutcome outcome = net.ping("192.168.0.1");
    CHECK(outcome.replied);
    CHECK(net.lookups.empty());
    CHECK(net.echoes == std::vector<std::uint32_t>{octets(192, 168, 0, 1)});
    CHECK(net.starts == 1);
    CHECK(net.cleanups == 1);
    CHECK(outcome.messages.empty());
}

TEST_CASE("names are resolved under a nested start-up; the first address is pinged") {
    FakeNet net;
    net.names["host.example"] = {"10.0.0.7", "10.0.0.8"};
    net.names["single"] = {"10.0.0.9"};
    net.answering = {octets(10, 0, 0, 7)};
    CHECK(net.ping("host.example").replied);
    CHECK_FALSE(net.ping("single").replied);
    CHECK(net.lookups == std::vector<std::string>{"host.example", "single"});
    CHECK(net.echoes == std::vector<std::uint32_t>{octets(10, 0, 0, 7), octets(10, 0, 0, 9)});
    CHECK(net.deepest == 2);
    CHECK(net.starts == 4);
    CHECK(net.cleanups == 4);
}

TEST_CASE("nothing is sent for blank, malformed or unresolvable hosts, and every start-up is paired") {
    FakeNet net;
    net.names["odd.example"] = {"1.2.3"};
    for (const char* host : {"", "  ", "1.2.3", "1.2.3.4.5", "1.2.x.4", "10.0.0.300", "nowhere.example",
                             "odd.example"}) {
        CAPTURE(host);
        const EchoOutcome outcome = net.ping(host);
        CHECK_FALSE(outcome.replied);
        CHECK_FALSE(outcome.sent);
        CHECK(outcome.messages.empty());
    }
    CHECK(net.echoes.empty());
    CHECK(net.starts == 8);  // 4 malformed ones once, the 2 names twice each; blanks never
    CHECK(net.cleanups == net.starts);
}

TEST_CASE("start-up failures give their messages; a granted start-up is always cleaned up") {
    FakeNet net;
    net.answering = {octets(127, 0, 0, 1)};

    net.startResult = {10091, 0, 0};
    EchoOutcome outcome = net.ping("127.0.0.1");
    REQUIRE(outcome.messages.size() == 1);
    CHECK(outcome.messages[0].text ==
          "Windows Sockets for 32 bit Windows environments is not successfully responding.");
    CHECK(outcome.messages[0].flags == kBoxOk);
    CHECK(net.cleanups == 0);

    net.startResult = {0, 0x0001, 32767};  // 1.0
    outcome = net.ping("127.0.0.1");
    REQUIRE(outcome.messages.size() == 1);
    CHECK(outcome.messages[0].text ==
          "Windows Sockets Version 1.0 is not supported by Windows Sockets for 32 bit Windows environments.");
    CHECK(outcome.messages[0].flags == kBoxExclamation);

    net.startResult = {0, 0x0202, 0};
    outcome = net.ping("127.0.0.1");
    REQUIRE(outcome.messages.size() == 1);
    CHECK(outcome.messages[0].text == "This application requires a minimum of 1 supported sockets.");
    CHECK(outcome.messages[0].flags == kBoxExclamation);

    CHECK(net.echoes.empty());
    CHECK(net.starts == 3);
    CHECK(net.cleanups == 2);
}

TEST_CASE("a failing clean-up is reported and the ping's result stands") {
    FakeNet net;
    net.answering = {octets(127, 0, 0, 1)};
    net.cleanupResult = -1;
    const EchoOutcome outcome = net.ping("127.0.0.1");
    CHECK(outcome.replied);
    REQUIRE(outcome.messages.size() == 1);
    CHECK(outcome.messages[0].text == "Windows Sockets error -1 occurred in Cleanup.");
    CHECK(outcome.messages[0].flags == kBoxExclamation);
}

TEST_CASE("Windows Sockets boxes never stack: while one is open a further failure shows none") {
    EffectsOverride restore;
    std::vector<std::string> shown;
    const std::vector<NetMessage> failure{winsockNotRespondingMessage()};
    effects().messageBox = [&](std::uintptr_t, const std::string& text, const std::string& caption, unsigned) {
        shown.push_back(caption + ": " + text);
        // A timer tick handled inside the open box's message loop.
        showNetMessages(failure);
        return 1;
    };
    showNetMessages(failure);
    CHECK(shown.size() == 1);
    CHECK(shown[0].rfind("Quellar: Windows Sockets for 32 bit", 0) == 0);
    showNetMessages(failure);  // closed again: the next failure shows
    CHECK(shown.size() == 2);
}
