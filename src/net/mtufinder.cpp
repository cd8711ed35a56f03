#include "net/mtufinder.h"

namespace quellar::net {

MtuSearchResult searchLargestMtu(const std::function<bool(unsigned mtu)>& passes) {
    MtuSearchResult result;
    ++result.echoes;
    if (!passes(kSmallestMtu)) return result;
    result.answered = true;
    unsigned passing = kSmallestMtu;
    unsigned failing = kLargestMtu + 1;
    while (failing - passing > 1) {
        const unsigned middle = passing + (failing - passing) / 2;
        ++result.echoes;
        if (passes(middle)) passing = middle;
        else failing = middle;
    }
    result.mtu = passing;
    return result;
}

MtuOutcome findLargestMtu(const std::string& hostText, unsigned timeoutMs, const NetSystem& system,
                          const DontFragmentEcho& echo) {
    MtuOutcome outcome;
    const HostReach reach = reachHost(hostText, system, outcome.messages, [&](std::uint32_t address) {
        outcome.address = dottedAddress(address);
        const MtuSearchResult search = searchLargestMtu([&](unsigned mtu) {
            const EchoReply reply = echo(address, echoPayloadFor(mtu), timeoutMs);
            return reply.replies > 0 && reply.status == 0;
        });
        outcome.echoes = search.echoes;
        outcome.status = search.answered ? MtuStatus::Found : MtuStatus::NoAnswer;
        if (search.answered) {
            outcome.mtu = search.mtu;
            outcome.mss = mssFor(search.mtu);
        }
    });
    if (reach == HostReach::NoStartup) outcome.status = MtuStatus::NoSockets;
    else if (reach != HostReach::Reached) outcome.status = MtuStatus::NoAddress;
    return outcome;
}

std::string describeMtuOutcome(const MtuOutcome& outcome, const std::string& hostText) {
    switch (outcome.status) {
    case MtuStatus::Found:
        return "MTU " + std::to_string(outcome.mtu) + ", MSS " + std::to_string(outcome.mss);
    case MtuStatus::NoAnswer:
        return kHostDoesNotAnswer;
    case MtuStatus::NoAddress:
        return "\"" + hostText + "\" is not a host name or an IPv4 address that can be reached";
    case MtuStatus::NoSockets:
        break;
    }
    return "Windows Sockets could not be started";
}

}  // namespace quellar::net
