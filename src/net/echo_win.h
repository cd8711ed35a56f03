#pragma once
// The echo with the real system calls: Windows Sockets 1.1 of wsock32 for
// start-up and names, the ICMP functions loaded at run time.
#include <string>

#include "net/echo.h"
#include "net/mtufinder.h"

namespace quellar::net {

// The real calls. The ICMP functions come from icmp.dll (or, where a system
// keeps them there instead, iphlpapi.dll), loaded on first use; without
// either, every echo simply gets no reply.
NetSystem win32NetSystem();

// True when the ICMP functions could be loaded.
bool icmpAvailable();

// The table `pingHost` and `runEcho` use: the real calls, unless a test has
// replaced an entry inside a NetSystemOverride scope.
NetSystem& netSystem();

class NetSystemOverride {
public:
    NetSystemOverride() : saved_(netSystem()) {}
    ~NetSystemOverride() { netSystem() = saved_; }
    NetSystemOverride(const NetSystemOverride&) = delete;
    NetSystemOverride& operator=(const NetSystemOverride&) = delete;

private:
    NetSystem saved_;
};

// The echo alone, safe on any thread: it blocks for up to the timeout and
// touches no window. A window runs it on a worker thread and shows the
// outcome's messages (showNetMessages) back on its own thread.
EchoOutcome runEcho(const std::string& host, unsigned timeoutMs);

// One ping where blocking is acceptable: the echo, then its messages on the
// calling thread. True when a good reply came back within the timeout.
bool pingHost(const std::string& host, unsigned timeoutMs);

// One echo of `payloadBytes` bytes (at most the largest MTU's payload) with
// the don't-fragment flag set (IP_FLAG_DF in IP_OPTION_INFORMATION). A
// packet too big for a link on the way comes back as status 11009
// (IP_PACKET_TOO_BIG) or not at all.
EchoReply echoDontFragment(std::uint32_t address, unsigned payloadBytes, unsigned timeoutMs);

// The largest-MTU finder with the real calls (netSystem() for Windows
// Sockets and names, echoDontFragment for the echoes). It blocks for
// several echoes and touches no window, so a window runs it on a worker
// thread.
MtuOutcome runMtuSearch(const std::string& host, unsigned timeoutMs);

}  // namespace quellar::net
