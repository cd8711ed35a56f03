#pragma once
// The Net Pinger's behaviour without a window: the fields the user edits,
// the stored settings, the unsaved-changes flag, the working host and
// interval, the timer's tick counting, one ping at a time and when to play
// the sound. The window binds its controls to the setters and the getters
// and carries out what `tick`, `pingNow` and `finished` ask for.
#include <optional>
#include <string>
#include <vector>

#include "core/storedvalues.h"
#include "net/echo.h"

namespace quellar::net {

extern const char* const kNetPingerArea;      // "\Settings\NetPinger"
extern const char* const kDefaultPingHost;    // what automatic mode pings
extern const char* const kManualExampleHost;  // put into the host field by Manual Mode
inline constexpr char kAutomaticHostText[] = "Automatic";
inline constexpr char kPingSoundFile[] = "Ping.wav";

inline constexpr unsigned kPingerTimerMs = 65535;
inline constexpr unsigned kPingTimeoutMs = 10000;
inline constexpr int kIntervalCount = 60;
// Automatic mode pings every 6 ticks, whatever the list shows.
inline constexpr int kAutomaticIntervalIndex = 5;
inline constexpr int kDefaultIntervalIndex = 5;

// The interval list: index i is i + 1 minutes, "1 min." to "60 min.".
std::vector<std::string> intervalEntries();

// The sound file: the program folder, a backslash, "Ping.wav".
std::string pingSoundPath(const std::string& programFolder);

// What the window's controls show.
struct PingerFields {
    int doPinging = 0;                       // chkDoPinging
    bool automatic = true;                   // optAuto; optManual is the opposite
    std::string host = kAutomaticHostText;   // txtPingHost
    int intervalIndex = 0;                   // cmbPingInterval's selection
    int sound = 0;                           // chkSound
};

enum class PingSource { Timer, PingNow };

struct PingRequest {
    std::string host;
    unsigned timeoutMs = kPingTimeoutMs;
    PingSource source = PingSource::Timer;
};

// The line the window shows after a Ping Now: the reply's address and
// time, no reply within the timeout, a name not found, an address refused.
std::string pingResultLine(const PingRequest& request, const EchoOutcome& outcome);
// The line while the echo is out.
std::string pingingLine(const std::string& host);
// The line when Ping Now finds an echo (the timer's, or its own) still out.
inline constexpr char kPingStillOut[] = "A ping is still waiting for its reply; try again in a moment.";

class Pinger {
public:
    explicit Pinger(SettingsStore& store);

    // Reads the six stored values, sets the working host and interval and
    // the timer's state; ends with nothing changed.
    void load();
    // Writes the six values and takes the fields as the working host and
    // interval. The tick count goes on, so a shorter interval saved while
    // the count is past it pings at the next tick.
    void save();

    const PingerFields& fields() const { return fields_; }

    // The user's edits. Each that changes a field marks the settings
    // changed; the working host and interval do not follow until Save.
    void setDoPinging(bool on);
    void chooseAutomatic();  // host "Automatic", first list entry
    void chooseManual();     // the example host; the list keeps its entry
    void setHost(const std::string& text);
    void setIntervalIndex(int index);
    void setSound(bool on);

    bool changed() const { return changed_; }               // Save enabled
    bool configurationEnabled() const { return fields_.doPinging == 1; }
    bool hostFieldsEnabled() const { return !fields_.automatic; }

    const std::string& pingHost() const { return pingHost_; }
    int pingIntervalIndex() const { return pingIntervalIndex_; }
    int ticksPerPing() const { return pingIntervalIndex_ + 1; }
    int tickCount() const { return tickCount_; }
    // The timer runs exactly when Enable Pinger was on at the last load or save.
    bool timerEnabled() const { return timerEnabled_; }

    // One tick of the 65,535 ms timer: a request on every ticksPerPing-th
    // tick, unless the timer is off or a ping is still running.
    std::optional<PingRequest> tick();
    // The host the host box stands for: its text in manual mode, the
    // default host in automatic mode (where the box reads "Automatic").
    std::string hostInBox() const;
    // Ping Now: a request for `host` (what the box holds, not the saved
    // host) unless a ping is running; the tick count is not touched.
    std::optional<PingRequest> pingNow(const std::string& host);
    bool pingRunning() const { return running_; }
    // A ping has ended. Returns whether to play the sound: after every
    // timer ping, after a Ping Now only when it got a reply; always only
    // while Play Sound is checked (saved or not).
    bool finished(const PingRequest& request, bool replied);

private:
    void markChanged() { changed_ = true; }
    void takeWorkingState();

    StoredValues stored_;
    PingerFields fields_;
    std::string pingHost_ = kDefaultPingHost;
    int pingIntervalIndex_ = kAutomaticIntervalIndex;
    int tickCount_ = 0;
    bool timerEnabled_ = false;
    bool changed_ = false;
    bool running_ = false;
};

}  // namespace quellar::net
