#include "net/pinger.h"

#include "core/text.h"

namespace quellar::net {

const char* const kNetPingerArea = "\\Settings\\NetPinger";
// Both answer echoes and are served from many places at once, so a keep-
// alive ping reaches one of them from almost any dial-up provider.
const char* const kDefaultPingHost = "www.google.com";
const char* const kManualExampleHost = "one.one.one.one";

namespace {

const char* const kDoPinging = "chkDoPinging";
const char* const kAuto = "optAuto";
const char* const kManual = "optManual";
const char* const kHost = "txtPingHost";
const char* const kInterval = "cmbPingInterval";
const char* const kSound = "chkSound";

// A whole decimal number, optionally signed, within +-99999; blanks around
// it are allowed.
std::optional<int> wholeNumber(const std::string& text) {
    const std::string_view t = text::trim(text);
    std::string::size_type i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == '-' || t[i] == '+')) negative = t[i++] == '-';
    if (i == t.size() || t.size() - i > 5) return std::nullopt;
    int value = 0;
    for (; i < t.size(); ++i) {
        if (t[i] < '0' || t[i] > '9') return std::nullopt;
        value = value * 10 + (t[i] - '0');
    }
    return negative ? -value : value;
}

const char* boolText(bool value) { return value ? "True" : "False"; }

}  // namespace

std::vector<std::string> intervalEntries() {
    std::vector<std::string> entries;
    for (int minutes = 1; minutes <= kIntervalCount; ++minutes) entries.push_back(std::to_string(minutes) + " min.");
    return entries;
}

int checkFromText(const std::string& text, int fallback) {
    const std::optional<int> value = wholeNumber(text);
    return value && (*value == 0 || *value == 1) ? *value : fallback;
}

bool booleanFromText(const std::string& text, bool fallback) {
    const std::string_view word = text::trim(text);
    if (text::equalsIgnoreCase(word, "true")) return true;
    if (text::equalsIgnoreCase(word, "false")) return false;
    const std::optional<int> value = wholeNumber(text);
    return value ? *value != 0 : fallback;
}

int intervalIndexFromText(const std::string& text, int fallback) {
    const std::optional<int> value = wholeNumber(text);
    return value && *value >= 0 && *value < kIntervalCount ? *value : fallback;
}

std::string pingSoundPath(const std::string& programFolder) {
    return programFolder + "\\" + kPingSoundFile;
}

void Pinger::load() {
    const int doPinging = checkFromText(store_.load(kNetPingerArea, kDoPinging, "0"), 0);
    const bool automatic = booleanFromText(store_.load(kNetPingerArea, kAuto, "true"), true);
    const bool manual = booleanFromText(store_.load(kNetPingerArea, kManual, "false"), false);
    // Selecting Manual after Automatic clears Automatic, and with neither
    // selected the window takes the manual branch: automatic only when it
    // alone is set.
    fields_.doPinging = doPinging;
    fields_.automatic = automatic && !manual;
    fields_.host = store_.load(kNetPingerArea, kHost, kDefaultPingHost);
    fields_.intervalIndex = intervalIndexFromText(store_.load(kNetPingerArea, kInterval, "5"), kDefaultIntervalIndex);
    fields_.sound = checkFromText(store_.load(kNetPingerArea, kSound, "0"), 0);
    if (fields_.automatic) {
        fields_.host = kAutomaticHostText;
        fields_.intervalIndex = 0;
    }
    takeWorkingState();
    changed_ = false;
}

void Pinger::save() {
    changed_ = false;
    store_.save(kNetPingerArea, kDoPinging, std::to_string(fields_.doPinging));
    store_.save(kNetPingerArea, kAuto, boolText(fields_.automatic));
    store_.save(kNetPingerArea, kManual, boolText(!fields_.automatic));
    store_.save(kNetPingerArea, kHost, fields_.host);
    store_.save(kNetPingerArea, kInterval, std::to_string(fields_.intervalIndex));
    store_.save(kNetPingerArea, kSound, std::to_string(fields_.sound));
    takeWorkingState();
}

void Pinger::takeWorkingState() {
    if (fields_.automatic) {
        pingHost_ = kDefaultPingHost;
        pingIntervalIndex_ = kAutomaticIntervalIndex;
    } else {
        pingHost_ = fields_.host;
        pingIntervalIndex_ = fields_.intervalIndex;
    }
    timerEnabled_ = fields_.doPinging == 1;
}

void Pinger::setDoPinging(bool on) {
    if (fields_.doPinging == (on ? 1 : 0)) return;
    fields_.doPinging = on ? 1 : 0;
    markChanged();
}

void Pinger::chooseAutomatic() {
    if (fields_.automatic) return;
    fields_.automatic = true;
    fields_.host = kAutomaticHostText;
    fields_.intervalIndex = 0;
    markChanged();
}

void Pinger::chooseManual() {
    if (!fields_.automatic) return;
    fields_.automatic = false;
    fields_.host = kManualExampleHost;
    markChanged();
}

void Pinger::setHost(const std::string& text) {
    if (fields_.host == text) return;
    fields_.host = text;
    markChanged();
}

void Pinger::setIntervalIndex(int index) {
    if (index < 0 || index >= kIntervalCount || index == fields_.intervalIndex) return;
    fields_.intervalIndex = index;
    markChanged();
}

void Pinger::setSound(bool on) {
    if (fields_.sound == (on ? 1 : 0)) return;
    fields_.sound = on ? 1 : 0;
    markChanged();
}

std::optional<PingRequest> Pinger::tick() {
    if (!timerEnabled_) return std::nullopt;
    if (tickCount_ < ticksPerPing() - 1) {
        ++tickCount_;
        return std::nullopt;
    }
    tickCount_ = 0;
    // A ping still under way (a Ping Now) keeps the line busy already.
    if (running_) return std::nullopt;
    running_ = true;
    return PingRequest{pingHost_, kPingTimeoutMs, PingSource::Timer};
}

std::string Pinger::hostInBox() const { return fields_.automatic ? std::string(kDefaultPingHost) : fields_.host; }

std::optional<PingRequest> Pinger::pingNow(const std::string& host) {
    if (running_) return std::nullopt;
    running_ = true;
    return PingRequest{host, kPingTimeoutMs, PingSource::PingNow};
}

std::string pingingLine(const std::string& host) { return "Pinging " + classifyHost(host).text + "..."; }

std::string pingResultLine(const PingRequest& request, const EchoOutcome& outcome) {
    const std::string host = classifyHost(request.host).text;
    const std::string address = dottedAddress(outcome.address);
    const std::string target = outcome.name ? host + " (" + address + ")" : address;
    if (outcome.replied) {
        const std::string from = outcome.reply.from != 0 ? dottedAddress(outcome.reply.from) : address;
        return "Reply from " + (outcome.name ? host + " (" + from + ")" : from) + " in " +
               std::to_string(outcome.reply.roundTripMs) + " ms.";
    }
    if (outcome.sent) {
        return "No reply from " + target + " within " + std::to_string(request.timeoutMs / 1000) + " seconds.";
    }
    switch (outcome.reach) {
    case HostReach::Blank: return "Type a host name or an IPv4 address to ping.";
    case HostReach::NoStartup: return "Windows Sockets could not be started; nothing was sent.";
    case HostReach::NoAddress:
        if (outcome.name) return "The name \"" + host + "\" was not found; nothing was sent.";
        return "\"" + host + "\" is not an IPv4 address (four numbers 0 to 255); nothing was sent.";
    case HostReach::Reached: break;
    }
    return "The echo to " + target + " could not be sent.";
}

bool Pinger::finished(const PingRequest& request, bool replied) {
    running_ = false;
    return fields_.sound == 1 && (request.source == PingSource::Timer || replied);
}

}  // namespace quellar::net
