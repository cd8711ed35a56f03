#include "net/echo.h"

#include <atomic>

#include "core/effects.h"

namespace quellar::net {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

bool allDigits(const std::string& text) {
    if (text.empty()) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

std::vector<std::string> splitAtDots(const std::string& text) {
    std::vector<std::string> parts;
    std::string::size_type start = 0;
    for (;;) {
        std::string::size_type dot = text.find('.', start);
        parts.push_back(text.substr(start, dot - start));
        if (dot == std::string::npos) return parts;
        start = dot + 1;
    }
}

// A decimal part of an address: digits only, 0 to 255. Leading zeros are
// decimal too ("010" is 10), never octal.
bool octetFromText(const std::string& text, std::uint32_t& octet) {
    if (!allDigits(text)) return false;
    std::uint32_t value = 0;
    for (char c : text) {
        value = value * 10 + static_cast<std::uint32_t>(c - '0');
        if (value > 255) return false;
    }
    octet = value;
    return true;
}

void stopWinsock(const NetSystem& system, std::vector<NetMessage>& messages);

bool startWinsock(const NetSystem& system, std::vector<NetMessage>& messages) {
    const WinsockStart start = system.startup();
    if (start.error != 0) {
        messages.push_back(winsockNotRespondingMessage());
        return false;
    }
    const unsigned major = lowByte(start.version);
    const unsigned minor = highByte(start.version);
    if (major < 1 || (major == 1 && minor < 1)) {
        messages.push_back(winsockVersionMessage(major, minor));
        stopWinsock(system, messages);
        return false;
    }
    if (start.maxSockets < 1) {
        messages.push_back(winsockSocketsMessage());
        stopWinsock(system, messages);
        return false;
    }
    return true;
}

void stopWinsock(const NetSystem& system, std::vector<NetMessage>& messages) {
    const int result = system.cleanup();
    if (result != 0) messages.push_back(winsockCleanupMessage(result));
}

// Resolves under a start-up of its own; Windows Sockets counts nested
// start-ups, so this pairs with the caller's.
std::vector<std::string> lookupHostAddresses(const std::string& name, const NetSystem& system,
                                             std::vector<NetMessage>& messages) {
    if (!startWinsock(system, messages)) return {};
    std::vector<std::string> addresses = system.resolve(name);
    stopWinsock(system, messages);
    return addresses;
}

std::atomic<bool> boxOpen{false};

}  // namespace

HostTarget classifyHost(const std::string& hostText) {
    HostTarget target;
    std::string::size_type first = 0, last = hostText.size();
    while (first < last && isBlank(hostText[first])) ++first;
    while (last > first && isBlank(hostText[last - 1])) --last;
    target.text = hostText.substr(first, last - first);
    if (target.text.empty()) return target;

    const std::string::size_type dot = target.text.find('.');
    if (dot == std::string::npos || !allDigits(target.text.substr(0, dot))) {
        target.kind = HostKind::Name;
        return target;
    }
    const std::vector<std::string> parts = splitAtDots(target.text);
    target.kind = HostKind::Malformed;
    if (parts.size() != 4) return target;
    std::uint32_t address = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        std::uint32_t octet = 0;
        if (!octetFromText(parts[i], octet)) return target;
        address |= octet << (8 * i);
    }
    target.kind = HostKind::Address;
    target.address = address;
    return target;
}

namespace {
std::string hostRule(const std::string& subject) {
    return subject + ": four numbers from 0 to 255 with dots between, or a host name";
}
}  // namespace

const std::string kHostRule = hostRule("Ping Host");

std::optional<std::string> hostProblem(const std::string& hostText, const char* subject) {
    const std::string rule = hostRule(subject);
    const HostTarget target = classifyHost(hostText);
    if (target.kind == HostKind::Blank) return rule;
    bool letter = false;
    for (const char c : target.text) {
        const bool alpha = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        letter = letter || alpha;
        if (!alpha && (c < '0' || c > '9') && c != '-' && c != '.') return rule;
    }
    // Without a letter it can only be an address, and must be a whole one.
    if (!letter) return target.kind == HostKind::Address ? std::nullopt : std::optional<std::string>(rule);
    for (const std::string& label : splitAtDots(target.text)) {
        if (label.empty()) return rule;
    }
    return std::nullopt;
}

NetMessage winsockNotRespondingMessage() {
    return {std::string("Windows Sockets for 32 bit Windows ") + "environments is not successfully responding.",
            kBoxOk};
}

NetMessage winsockVersionMessage(unsigned major, unsigned minor) {
    return {"Windows Sockets Version " + std::to_string(major) + "." + std::to_string(minor) +
                " is not supported by Windows " + "Sockets for 32 bit Windows environments.",
            kBoxExclamation};
}

NetMessage winsockSocketsMessage() {
    return {"This application requires a minimum of " + std::to_string(1) + " supported sockets.",
            kBoxExclamation};
}

NetMessage winsockCleanupMessage(int error) {
    return {"Windows Sockets error " + std::to_string(error) + " occurred in Cleanup.", kBoxExclamation};
}

HostReach reachHost(const std::string& hostText, const NetSystem& system, std::vector<NetMessage>& messages,
                    const std::function<void(std::uint32_t address)>& withAddress) {
    HostTarget target = classifyHost(hostText);
    if (target.kind == HostKind::Blank) return HostReach::Blank;
    if (!startWinsock(system, messages)) return HostReach::NoStartup;

    if (target.kind == HostKind::Name) {
        const std::vector<std::string> addresses = lookupHostAddresses(target.text, system, messages);
        // The resolver's first address goes through the same rule as a
        // typed one, so a strange answer cannot send an echo anywhere odd.
        target = addresses.empty() ? HostTarget{HostKind::Malformed, target.text, 0} : classifyHost(addresses[0]);
    }
    const bool reached = target.kind == HostKind::Address;
    if (reached) withAddress(target.address);
    stopWinsock(system, messages);
    return reached ? HostReach::Reached : HostReach::NoAddress;
}

EchoOutcome echoHost(const std::string& hostText, unsigned timeoutMs, const NetSystem& system) {
    EchoOutcome outcome;
    outcome.name = classifyHost(hostText).kind == HostKind::Name;
    outcome.reach = reachHost(hostText, system, outcome.messages, [&](std::uint32_t address) {
        outcome.reply = system.echo(address, timeoutMs);
        outcome.address = address;
        outcome.sent = true;
        outcome.replied = outcome.reply.replies > 0 && outcome.reply.status == 0;
    });
    return outcome;
}

std::string dottedAddress(std::uint32_t address) {
    std::string text;
    for (int i = 0; i < 4; ++i) {
        if (i > 0) text += '.';
        text += std::to_string((address >> (8 * i)) & 0xFF);
    }
    return text;
}

void showNetMessages(const std::vector<NetMessage>& messages, std::uintptr_t owner) {
    if (messages.empty()) return;
    bool expected = false;
    if (!boxOpen.compare_exchange_strong(expected, true)) return;
    struct Closed {
        ~Closed() { boxOpen = false; }
    } closed;
    for (const NetMessage& message : messages) effects().messageBox(owner, message.text, kNetMessageCaption, message.flags);
}

}  // namespace quellar::net
