// Times pingHost("127.0.0.1") (Windows Sockets start-up and clean-up, the
// host rules, the ICMP handle kept between echoes) beside a bare
// IcmpSendEcho to the same address on a handle opened once.
#include <winsock.h>
#include <windows.h>
#include <ipexport.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench/benchclock_win.h"
#include "net/echo_win.h"

using namespace quellar::net;

using quellar::bench::median;
using quellar::bench::nowMs;

namespace {

using IcmpCreateFileFn = HANDLE(WINAPI*)();
using IcmpCloseHandleFn = BOOL(WINAPI*)(HANDLE);
using IcmpSendEchoFn = DWORD(WINAPI*)(HANDLE, IPAddr, LPVOID, WORD, PIP_OPTION_INFORMATION, LPVOID, DWORD,
                                      DWORD);

template <typename Fn>
Fn lookUp(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
    HMODULE icmp = LoadLibraryA("icmp.dll");
    const auto create = lookUp<IcmpCreateFileFn>(icmp, "IcmpCreateFile");
    const auto send = lookUp<IcmpSendEchoFn>(icmp, "IcmpSendEcho");
    const auto close = lookUp<IcmpCloseHandleFn>(icmp, "IcmpCloseHandle");
    if (!create || !send || !close) {
        std::printf("ping: icmp.dll not available\n");
        return 1;
    }
    const IPAddr loopback = 0x0100007F;  // 127.0.0.1, first octet lowest
    char payload[] = "Echo This";
    DWORD reply[(kEchoReplyBufferSize + 3) / 4];
    HANDLE handle = create();

    // One of each first, so neither pays for loading and warming up.
    pingHost("127.0.0.1", 2000);
    send(handle, loopback, payload, 9, nullptr, reply, kEchoReplyBufferSize, 2000);

    std::vector<double> ping, bare;
    int good = 0, bareGood = 0;
    for (int r = 0; r < runs; ++r) {
        double start = nowMs();
        good += pingHost("127.0.0.1", 2000) ? 1 : 0;
        ping.push_back(nowMs() - start);
        start = nowMs();
        bareGood += send(handle, loopback, payload, 9, nullptr, reply, kEchoReplyBufferSize, 2000) > 0 ? 1 : 0;
        bare.push_back(nowMs() - start);
    }
    close(handle);
    const double p = median(ping), b = median(bare);
    std::printf("pingHost(\"127.0.0.1\"): %.3f ms; bare IcmpSendEcho: %.3f ms; ratio %.2f (median of %d, %d/%d and "
                "%d/%d replies)\n",
                p, b, b > 0 ? p / b : 0.0, runs, good, runs, bareGood, runs);
    return 0;
}
