#include "net/pinger.h"

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

}  // namespace

std::vector<std::string> intervalEntries() {
    std::vector<std::string> entries;
    for (int minutes = 1; minutes <= kIntervalCount; ++minutes) entries.push_back(std::to_string(minutes) + " min.");
    return entries;
}

std::string pingSoundPath(const std::string& programFolder) {
    return programFolder + "\\" + kPingSoundFile;
}

Pinger::Pinger(SettingsStore& store) : stored_(store, kNetPingerArea) {}

void Pinger::load() {
    // The pinger's boxes have two states; a grey one stored by hand reads
    // as clear, as a missing one does.
    const bool doPinging = stored_.check(kDoPinging) == 1;
    const bool automatic = stored_.flag(kAuto, true);
    const bool manual = stored_.flag(kManual, false);
    // Selecting Manual after Automatic clears Automatic, and with neither
    // selected the window takes the manual branch: automatic only when it
    // alone is set.
    fields_.doPinging = doPinging ? 1 : 0;
    fields_.automatic = automatic && !manual;
    fields_.host = stored_.text(kHost, kDefaultPingHost);
    fields_.intervalIndex = stored_.entry(kInterval, kIntervalCount, kDefaultIntervalIndex);
    fields_.sound = stored_.check(kSound) == 1 ? 1 : 0;
    if (fields_.automatic) {
        fields_.host = kAutomaticHostText;
        fields_.intervalIndex = 0;
    }
    takeWorkingState();
    changed_ = false;
}

void Pinger::save() {
    changed_ = false;
    stored_.saveCheck(kDoPinging, fields_.doPinging);
    stored_.saveFlag(kAuto, fields_.automatic);
    stored_.saveFlag(kManual, !fields_.automatic);
    stored_.saveText(kHost, fields_.host);
    stored_.saveWhole(kInterval, fields_.intervalIndex);
    stored_.saveCheck(kSound, fields_.sound);
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
    // An address, after the name it was found by.
    const auto named = [&](std::uint32_t address) {
        return outcome.name ? host + " (" + dottedAddress(address) + ")" : dottedAddress(address);
    };
    const std::string target = named(outcome.address);
    if (outcome.replied) {
        return "Reply from " + named(outcome.reply.from != 0 ? outcome.reply.from : outcome.address) + " in " +
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
