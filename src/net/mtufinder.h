#pragma once
// The largest packet a path carries: echoes with the don't-fragment flag,
// a binary search of their size between the smallest MTU IPv4 allows and
// Ethernet's 1500 bytes. A router that must not fragment a packet too big
// for its next link drops it (and says "packet too big", or nothing at all),
// so the largest echo that still comes back is the path's MTU.
//
// Written over a replaceable echo, so the search runs natively with
// stand-ins; net/echo_win.h supplies the real don't-fragment echo.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "net/echo.h"

namespace quellar::net {

inline constexpr unsigned kSmallestMtu = 68;    // IPv4's minimum
inline constexpr unsigned kLargestMtu = 1500;   // Ethernet, and what the tuning pages offer
// An echo of an MTU-sized packet carries MTU - 28 bytes: 20 of IPv4 header
// and 8 of ICMP header.
inline constexpr unsigned kEchoHeaderBytes = 28;
// The MSS that goes with an MTU: 20 bytes of IPv4 and 20 of TCP header less.
inline constexpr unsigned kTcpIpHeaderBytes = 40;
// Each echo of the search waits this long unless the caller says otherwise:
// silence counts as "too big", so it is paid for every size that is.
inline constexpr unsigned kMtuEchoTimeoutMs = 2000;

inline unsigned echoPayloadFor(unsigned mtu) { return mtu - kEchoHeaderBytes; }
inline unsigned mssFor(unsigned mtu) { return mtu - kTcpIpHeaderBytes; }

// One echo of `payloadBytes` bytes with the don't-fragment flag. A status of
// 0 with a reply is a packet that passed; "packet too big" (11009), any
// other status or no reply counts as too big.
using DontFragmentEcho =
    std::function<EchoReply(std::uint32_t address, unsigned payloadBytes, unsigned timeoutMs)>;

struct MtuSearchResult {
    bool answered = false;  // the smallest packet came back
    unsigned mtu = 0;       // the largest MTU that passed, when answered
    unsigned echoes = 0;    // echoes sent
};

// `passes(mtu)` sends one packet of that MTU. First the smallest size, to
// learn whether the host answers at all; then a binary search that keeps
// the largest size known to pass and the smallest known not to (1501 counts
// as failing), so any path takes at most 12 echoes in all.
MtuSearchResult searchLargestMtu(const std::function<bool(unsigned mtu)>& passes);

enum class MtuStatus {
    Found,      // mtu and mss hold the result
    NoAnswer,   // the host does not answer even a small echo
    NoAddress,  // blank, malformed, or a name that does not resolve
    NoSockets,  // Windows Sockets could not be started
};

struct MtuOutcome {
    MtuStatus status = MtuStatus::NoAddress;
    unsigned mtu = 0;
    unsigned mss = 0;
    unsigned echoes = 0;
    std::string address;                // the dotted address echoed, once known
    std::vector<NetMessage> messages;   // Windows Sockets messages, as echoHost gives them
};

// The whole finder for a host typed by the user: the host rules and the
// Windows Sockets pairing of an ordinary ping, then the search.
MtuOutcome findLargestMtu(const std::string& hostText, unsigned timeoutMs, const NetSystem& system,
                          const DontFragmentEcho& echo);

inline constexpr char kHostDoesNotAnswer[] = "the host does not answer pings";

// For the user: "MTU 1400, MSS 1360", or why there is no result.
std::string describeMtuOutcome(const MtuOutcome& outcome, const std::string& hostText);

}  // namespace quellar::net
