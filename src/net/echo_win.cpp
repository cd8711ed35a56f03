#include "net/echo_win.h"

#include <winsock.h>
#include <windows.h>
#include <ipexport.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <vector>

#include "win/library_win.h"

namespace quellar::net {

namespace {

#ifndef _WIN64
static_assert(sizeof(ICMP_ECHO_REPLY) == 28, "one 32-bit echo reply record");
#endif
static_assert(kEchoReplyBufferSize >= sizeof(ICMP_ECHO_REPLY) + kEchoPayloadSize + 8,
              "the reply buffer holds one record, the echoed data and an error record");

using IcmpCreateFileFn = HANDLE(WINAPI*)();
using IcmpCloseHandleFn = BOOL(WINAPI*)(HANDLE);
using IcmpSendEchoFn = DWORD(WINAPI*)(HANDLE, IPAddr, LPVOID, WORD, PIP_OPTION_INFORMATION, LPVOID, DWORD,
                                      DWORD);

struct IcmpFunctions {
    IcmpCreateFileFn create = nullptr;
    IcmpCloseHandleFn close = nullptr;
    IcmpSendEchoFn send = nullptr;

    bool complete() const { return create && close && send; }
};

IcmpFunctions loadIcmpFrom(const char* library) {
    IcmpFunctions functions;
    HMODULE module = LoadLibraryA(library);
    if (!module) return functions;
    functions.create = win::functionOf<IcmpCreateFileFn>(module, "IcmpCreateFile");
    functions.close = win::functionOf<IcmpCloseHandleFn>(module, "IcmpCloseHandle");
    functions.send = win::functionOf<IcmpSendEchoFn>(module, "IcmpSendEcho");
    if (!functions.complete()) {
        FreeLibrary(module);
        return IcmpFunctions{};
    }
    // Kept loaded for the life of the process: every ping needs it again.
    return functions;
}

const IcmpFunctions& icmp() {
    static const IcmpFunctions functions = [] {
        IcmpFunctions found = loadIcmpFrom("icmp.dll");
        return found.complete() ? found : loadIcmpFrom("iphlpapi.dll");
    }();
    return functions;
}

// Windows Sockets is loaded on the first echo, not with the program.
struct WinsockFunctions {
    using StartupFn = int(WINAPI*)(WORD, LPWSADATA);
    using CleanupFn = int(WINAPI*)();
    using ResolveFn = hostent*(WINAPI*)(const char*);
    StartupFn startup = nullptr;
    CleanupFn cleanup = nullptr;
    ResolveFn resolve = nullptr;
};

const WinsockFunctions& winsock() {
    static const WinsockFunctions functions = [] {
        WinsockFunctions found;
        HMODULE module = win::keptLibrary("wsock32.dll");
        found.startup = win::functionOf<WinsockFunctions::StartupFn>(module, "WSAStartup");
        found.cleanup = win::functionOf<WinsockFunctions::CleanupFn>(module, "WSACleanup");
        found.resolve = win::functionOf<WinsockFunctions::ResolveFn>(module, "gethostbyname");
        return found;
    }();
    return functions;
}

WinsockStart realStartup() {
    WSADATA data;
    std::memset(&data, 0, sizeof data);
    WinsockStart start;
    const WinsockFunctions& functions = winsock();
    if (!functions.startup || !functions.cleanup || !functions.resolve) {
        // As Windows answers when its sockets are not installed.
        start.error = WSASYSNOTREADY;
        return start;
    }
    start.error = functions.startup(kWinsockVersion, &data);
    if (start.error == 0) {
        start.version = data.wVersion;
        start.maxSockets = data.iMaxSockets;
    }
    return start;
}

int realCleanup() {
    return winsock().cleanup ? winsock().cleanup() : SOCKET_ERROR;
}

std::vector<std::string> realResolve(const std::string& name) {
    std::vector<std::string> addresses;
    if (!winsock().resolve) return addresses;
    const hostent* entry = winsock().resolve(name.c_str());
    if (!entry || !entry->h_addr_list) return addresses;
    for (char** address = entry->h_addr_list; *address; ++address) {
        std::string text;
        for (int i = 0; i < entry->h_length; ++i) {
            if (i) text += '.';
            text += std::to_string(static_cast<unsigned char>((*address)[i]));
        }
        addresses.push_back(text);
    }
    return addresses;
}

// Opening an ICMP handle costs about as much as a whole echo to loopback,
// so one spare handle is kept for the next echo. Each echo takes the spare
// (or opens its own) and puts it back afterwards, so no two echoes ever
// share a handle, whatever thread they run on.
std::atomic<HANDLE> spareHandle{nullptr};

HANDLE takeIcmpHandle(const IcmpFunctions& functions) {
    HANDLE handle = spareHandle.exchange(nullptr);
    return handle ? handle : functions.create();
}

void putBackIcmpHandle(const IcmpFunctions& functions, HANDLE handle, bool usable) {
    HANDLE none = nullptr;
    if (!usable || !spareHandle.compare_exchange_strong(none, handle)) functions.close(handle);
}

// One echo of `payloadBytes` bytes of the echo pattern, with the system's
// default options unless `options` replaces them. The status is the reply's,
// or the failure's when none came.
EchoReply sendEcho(std::uint32_t address, unsigned payloadBytes, IP_OPTION_INFORMATION* options,
                   unsigned timeoutMs) {
    EchoReply reply;
    const IcmpFunctions& functions = icmp();
    if (!functions.complete()) return reply;
    HANDLE handle = takeIcmpHandle(functions);
    if (handle == INVALID_HANDLE_VALUE || !handle) return reply;
    std::vector<char> payload(payloadBytes);
    for (unsigned i = 0; i < payloadBytes; ++i) payload[i] = kEchoPayload[i % kEchoPayloadSize];
    // One reply record, the echoed data, and room for an error record with
    // the start of the packet it answers, never less than the plain echo's
    // buffer; DWORD-aligned.
    const std::size_t bufferBytes =
        std::max<std::size_t>(kEchoReplyBufferSize, sizeof(ICMP_ECHO_REPLY) + payloadBytes + 8 + 64);
    std::vector<DWORD> buffer((bufferBytes + sizeof(DWORD) - 1) / sizeof(DWORD));
    reply.replies = functions.send(handle, static_cast<IPAddr>(address), payload.empty() ? nullptr : payload.data(),
                                   static_cast<WORD>(payloadBytes), options, buffer.data(),
                                   static_cast<DWORD>(bufferBytes), static_cast<DWORD>(timeoutMs));
    const DWORD error = reply.replies > 0 ? 0 : GetLastError();
    ICMP_ECHO_REPLY record;
    std::memcpy(&record, buffer.data(), sizeof record);
    reply.status = reply.replies > 0 ? record.Status : error;
    if (reply.replies > 0) {
        reply.roundTripMs = record.RoundTripTime;
        reply.from = static_cast<std::uint32_t>(record.Address);
    }
    putBackIcmpHandle(functions, handle, error != ERROR_INVALID_HANDLE);
    return reply;
}

EchoReply realEcho(std::uint32_t address, unsigned timeoutMs) {
    return sendEcho(address, kEchoPayloadSize, nullptr, timeoutMs);
}

// The TTL a don't-fragment echo goes out with: options replace the
// system's defaults as a whole, and a TTL of 0 would never leave the host.
constexpr UCHAR kDontFragmentTtl = 128;

}  // namespace

EchoReply echoDontFragment(std::uint32_t address, unsigned payloadBytes, unsigned timeoutMs) {
    IP_OPTION_INFORMATION options;
    std::memset(&options, 0, sizeof options);
    options.Ttl = kDontFragmentTtl;
    options.Flags = IP_FLAG_DF;
    return sendEcho(address, std::min(payloadBytes, echoPayloadFor(kLargestMtu)), &options, timeoutMs);
}

MtuOutcome runMtuSearch(const std::string& host, unsigned timeoutMs) {
    return findLargestMtu(host, timeoutMs, netSystem(), echoDontFragment);
}

NetSystem win32NetSystem() {
    return NetSystem{realStartup, realCleanup, realResolve, realEcho};
}

bool icmpAvailable() {
    return icmp().complete();
}

NetSystem& netSystem() {
    static NetSystem table = win32NetSystem();
    return table;
}

EchoOutcome runEcho(const std::string& host, unsigned timeoutMs) {
    return echoHost(host, timeoutMs, netSystem());
}

bool pingHost(const std::string& host, unsigned timeoutMs) {
    const EchoOutcome outcome = runEcho(host, timeoutMs);
    showNetMessages(outcome.messages);
    return outcome.replied;
}

}  // namespace quellar::net
