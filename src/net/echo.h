#pragma once
// One ICMP echo to a host given as text: the host rules, the Windows Sockets
// start-up and clean-up pairing and their messages. The flow is written
// against a small table of system calls (`NetSystem`), so it runs natively
// with stand-ins; echo_win.h supplies the real calls and `pingHost`.
//
// The flow never shows anything itself: it returns the messages it would
// show, so it can run on a worker thread and leave the boxes to the thread
// that owns the windows (`showNetMessages`).
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quellar::net {

// The 9 bytes every echo carries.
inline constexpr char kEchoPayload[] = "Echo This";
inline constexpr unsigned kEchoPayloadSize = 9;
// One ICMP_ECHO_REPLY record of a 32-bit process (28 bytes) and room for
// the echoed data.
inline constexpr unsigned kEchoReplyBufferSize = 278;
// Windows Sockets 1.1, as WSAStartup takes it (major in the low byte).
inline constexpr unsigned short kWinsockVersion = 257;

inline unsigned char lowByte(unsigned short value) { return static_cast<unsigned char>(value & 0xFF); }
inline unsigned char highByte(unsigned short value) { return static_cast<unsigned char>(value >> 8); }

// What a host text is, once blanks around it are dropped.
enum class HostKind {
    Blank,      // nothing to ping
    Name,       // to be resolved: no dot, or a first label that is not a number
    Address,    // exactly four decimal parts, each 0 to 255
    Malformed,  // starts like an address but is not one: nothing is sent
};

struct HostTarget {
    HostKind kind = HostKind::Blank;
    std::string text;           // the trimmed host text
    std::uint32_t address = 0;  // Address: network order, first octet in the lowest byte
};

HostTarget classifyHost(const std::string& hostText);

// What the pinger's host box accepts, said in one line.
extern const std::string kHostRule;

// The check of a typed host before it is saved or pinged: four dotted parts
// of 0 to 255, or a host name (letters, digits, hyphens and dots, with at
// least one letter: "0.pool.example" is a name). Blanks around it do not
// count; an empty host, blanks inside it or anything else gives the rule,
// for the box named `subject` (kHostRule for "Ping Host"). Nothing when the
// host is fine.
std::optional<std::string> hostProblem(const std::string& hostText, const char* subject = "Ping Host");

// A message the flow asks to show: text and MessageBoxA flags (the caption
// is always the program's name).
struct NetMessage {
    std::string text;
    unsigned flags = 0;
};

inline constexpr char kNetMessageCaption[] = "Quellar";
inline constexpr unsigned kBoxOk = 0x00;             // MB_OK, no icon
inline constexpr unsigned kBoxExclamation = 0x30;    // MB_OK | MB_ICONEXCLAMATION

NetMessage winsockNotRespondingMessage();
NetMessage winsockVersionMessage(unsigned major, unsigned minor);
NetMessage winsockSocketsMessage();
NetMessage winsockCleanupMessage(int error);

struct WinsockStart {
    int error = 0;                // WSAStartup's result, 0 on success
    unsigned short version = 0;   // wVersion: major in the low byte
    int maxSockets = 0;           // iMaxSockets
};

struct EchoReply {
    unsigned long replies = 0;      // IcmpSendEcho's result
    unsigned long status = 0;       // the first reply's Status (0: success)
    unsigned long roundTripMs = 0;  // the first reply's RoundTripTime
    std::uint32_t from = 0;         // the first reply's Address, network order
};

// The system calls the flow needs. Every entry must be set.
struct NetSystem {
    // WSAStartup for version 1.1.
    std::function<WinsockStart()> startup;
    // WSACleanup: 0 on success, else its (non-zero) result.
    std::function<int()> cleanup;
    // gethostbyname: the name's IPv4 addresses as dotted texts, in the
    // resolver's order; empty when it does not resolve.
    std::function<std::vector<std::string>(const std::string& name)> resolve;
    // One echo with the payload above, no IP options, the reply buffer
    // above and the timeout.
    std::function<EchoReply(std::uint32_t address, unsigned timeoutMs)> echo;
};

// What reaching a host came to (reachHost).
enum class HostReach {
    Blank,      // nothing to reach; nothing was started
    NoStartup,  // Windows Sockets could not be started (its message is given)
    NoAddress,  // malformed, or a name that did not resolve to an address
    Reached,    // the address was handed on
};

struct EchoOutcome {
    bool replied = false;               // a reply with status 0 came back in time
    bool sent = false;                  // an echo request went out
    std::vector<NetMessage> messages;   // in the order they arose
    HostReach reach = HostReach::Blank;
    bool name = false;                  // the host was a name to resolve
    std::uint32_t address = 0;          // where the echo went, network order
    EchoReply reply;                    // what came back, when sent
};

// "127.0.0.1" for an address in network order.
std::string dottedAddress(std::uint32_t address);

// The frame of every echo flow: blank hosts do nothing; otherwise Windows
// Sockets is started (and stopped again on every path), a name is resolved
// through its own nested start-up, and `withAddress` runs with the address
// while Windows Sockets is up, as often as it sends echoes.
HostReach reachHost(const std::string& hostText, const NetSystem& system, std::vector<NetMessage>& messages,
                    const std::function<void(std::uint32_t address)>& withAddress);

// The whole ping: blank hosts do nothing; otherwise Windows Sockets is
// started (and stopped again on every path), names are resolved through
// their own nested start-up, and one echo goes to the first address.
EchoOutcome echoHost(const std::string& hostText, unsigned timeoutMs, const NetSystem& system);

// Shows the messages with effects().messageBox, caption "Quellar". While one
// of these boxes is open (a timer keeps running inside its message loop) a
// further failure shows nothing, so failing pings cannot stack boxes.
void showNetMessages(const std::vector<NetMessage>& messages, std::uintptr_t owner = 0);

}  // namespace quellar::net
